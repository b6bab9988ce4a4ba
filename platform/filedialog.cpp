#include "filedialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace platform {

namespace {
QtFileDialogs qtFileDialogs;
FileDialogs* current = nullptr;

// Qt's file list writes sizes and dates in the desktop's language; this one writes them in
// the program's own locale, as the column titles are.
class LocalizedFileColumns final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        enum { SizeColumn = 1, DateColumn = 3 };
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files ||
            (index.column() != SizeColumn && index.column() != DateColumn))
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == SizeColumn)
            return info.isDir() ? QString() : QLocale().formattedDataSize(info.size());
        return QLocale().toString(info.lastModified(), QLocale::ShortFormat);
    }
};

} // namespace

FileDialogs& fileDialogs()
{
    return current ? *current : qtFileDialogs;
}

void setFileDialogs(FileDialogs* dialogs)
{
    current = dialogs;
}

QString QtFileDialogs::startFolder() const
{
    if (!lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir())
        return lastFolder_;
    return QDir::homePath();
}

QString QtFileDialogs::openFileName(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, startFolder(), request.filter);
    dialog.setObjectName(QStringLiteral("cmdlg"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Accept a name that does not exist yet without asking to create it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Only Qt's own dialog takes it; a desktop's dialog writes its own language.
    dialog.setProxyModel(new LocalizedFileColumns(&dialog));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString QtFileDialogs::existingFolder(QWidget* parent, const QString& title)
{
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, title, startFolder(), QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty())
        lastFolder_ = chosen;
    return chosen;
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
