#pragma once

#include <QList>
#include <QString>

class QWidget;

// The open-file and folder dialogs go through this seam so that tests can choose for the user.
namespace platform {

struct FileRequest
{
    QString title;
    QString filter;      // Qt filter text, entries separated by ";;"
    QString acceptLabel; // the accept button's caption; Qt's "Abrir" when empty
};

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // The chosen full path, or an empty string when cancelled. A name that does not exist
    // yet may be given (the export creates the page).
    virtual QString openFileName(QWidget* parent, const FileRequest& request) = 0;
    // The chosen existing folder, or an empty string when cancelled.
    virtual QString existingFolder(QWidget* parent, const QString& title) = 0;
};

FileDialogs& fileDialogs();
void setFileDialogs(FileDialogs* dialogs);

// Qt's dialog. It opens in the user's home folder at first, then in the folder of the
// file or the folder the user last chose in this run; nothing is kept between runs.
class QtFileDialogs final : public FileDialogs
{
public:
    QString openFileName(QWidget* parent, const FileRequest& request) override;
    QString existingFolder(QWidget* parent, const QString& title) override;
    QString startFolder() const;

private:
    QString lastFolder_;
};

// Gives the queued names in order (cancel, "", when the queue is empty) and records requests.
class ScriptedFileDialogs final : public FileDialogs
{
public:
    ScriptedFileDialogs() { setFileDialogs(this); }
    ~ScriptedFileDialogs() override { setFileDialogs(nullptr); }
    QString openFileName(QWidget* parent, const FileRequest& request) override;
    // Folders come from their own queue, and their titles are recorded apart.
    QString existingFolder(QWidget* parent, const QString& title) override;

    QList<QString> names;
    QList<FileRequest> requests;
    QList<QString> folders;
    QList<QString> folderTitles;
};

} // namespace platform
