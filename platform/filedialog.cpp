#include "filedialog.h"

#include <QFileDialog>

namespace platform {

namespace {
QtFileDialogs qtFileDialogs;
FileDialogs* current = nullptr;
} // namespace

FileDialogs& fileDialogs()
{
    return current ? *current : qtFileDialogs;
}

void setFileDialogs(FileDialogs* dialogs)
{
    current = dialogs;
}

QString QtFileDialogs::openFileName(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Accept a name that does not exist yet without asking to create it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtFileDialogs::existingFolder(QWidget* parent, const QString& title)
{
    return QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
}

QString ScriptedFileDialogs::openFileName(QWidget*, const FileRequest& request)
{
    requests.append(request);
    return names.isEmpty() ? QString() : names.takeFirst();
}

QString ScriptedFileDialogs::existingFolder(QWidget*, const QString& title)
{
    folderTitles.append(title);
    return folders.isEmpty() ? QString() : folders.takeFirst();
}

} // namespace platform
