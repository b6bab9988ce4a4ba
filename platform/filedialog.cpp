#include "filedialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QScreen>
#include <QTreeView>

namespace platform {

namespace {
QtFileDialogs qtFileDialogs;
FileDialogs* current = nullptr;

// Qt's file list writes sizes and dates in the desktop's language, and names a folder's type
// in English (Qt's Spanish translation lacks it); this one writes them in the program's own
// locale, as the column titles are. Files' types come from the system's MIME database, in
// the program's language already.
class LocalizedFileColumns final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        enum { SizeColumn = 1, TypeColumn = 2, DateColumn = 3 };
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == 0)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        switch (index.column()) {
        case SizeColumn:
            return info.isDir() ? QString() : QLocale().formattedDataSize(info.size());
        case TypeColumn:
            return info.isDir() ? QStringLiteral("Carpeta")
                                : QIdentityProxyModel::data(index, role);
        case DateColumn:
            return QLocale().toString(info.lastModified(), QLocale::ShortFormat);
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }
};

// Room for the Spanish column titles ("Fecha de modificación") and the names beside them:
// the list's columns fit their contents, the name takes what is left.
void showWholeColumns(QFileDialog& dialog)
{
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : QSize(960, 560);
    dialog.resize(QSize(960, 560).boundedTo(room).expandedTo(dialog.sizeHint()));
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

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
    // Qt's own dialog, never the desktop's: it speaks the program's Spanish, and it is the
    // one that takes the proxy below.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!request.acceptLabel.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
    dialog.setProxyModel(new LocalizedFileColumns(&dialog));
    showWholeColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString QtFileDialogs::existingFolder(QWidget* parent, const QString& title)
{
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, title, startFolder(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
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
