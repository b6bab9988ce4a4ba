#include "siteupdatecommand.h"

#include "base/counted.h"
#include "library/librarystore.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/waitcursor.h"
#include "siteprogress.h"
#include "siteupdate.h"

#include <QDir>

namespace exporting {

namespace {

const QString Title = QStringLiteral("Actualizar páginas");
// Past this many, lists in a message end with how many more there are.
constexpr int ListedLines = 15;

// What the pages are looked for: one script by its name, or every script.
QString whatIsLookedFor(library::LibraryStore& store, const QList<qint64>& ids)
{
    if (ids.size() != 1)
        return QStringLiteral("scripts de la biblioteca");
    try {
        if (const std::optional<library::Script> s = store.script(ids.constFirst()))
            return QStringLiteral("el script «%1»").arg(s->nombre);
    } catch (const library::DatabaseError&) {
        // The update itself reports what is wrong with the library.
    }
    return QStringLiteral("el script %1").arg(ids.constFirst());
}

QString listed(const QStringList& lines)
{
    QString text = lines.mid(0, ListedLines).join(QLatin1Char('\n'));
    if (lines.size() > ListedLines)
        text += QStringLiteral("\n… y %1 más.").arg(lines.size() - ListedLines);
    return text;
}

bool askToGoOn(QWidget* window, const SiteScan& scan, const QString& what)
{
    QStringList pages;
    for (const SitePage& page : scan.pages)
        pages.append(QStringLiteral("    ") + QDir(scan.folder).relativeFilePath(page.path));
    const QString found = scan.pages.size() == 1
                              ? QStringLiteral("Hay una página")
                              : QStringLiteral("Hay %1 páginas").arg(scan.pages.size());
    QString text = QStringLiteral("%1 en «%2» con %3:\n\n%4\n\n")
                       .arg(found, QDir::toNativeSeparators(scan.folder), what, listed(pages));
    const int pagesUnread = scan.count(false);
    const int foldersUnread = scan.count(true);
    QStringList unread;
    if (pagesUnread > 0)
        unread << counted::Counted(pagesUnread, QStringLiteral("página"),
                                   QStringLiteral("páginas"));
    if (foldersUnread > 0)
        unread << counted::Counted(foldersUnread, QStringLiteral("carpeta"),
                                   QStringLiteral("carpetas"));
    if (!unread.isEmpty())
        text += QStringLiteral("%1 no se %2 podido leer; se indican al final.\n\n")
                    .arg(unread.join(QStringLiteral(" y ")),
                         counted::Agreeing(pagesUnread + foldersUnread, QStringLiteral("ha"),
                                           QStringLiteral("han")));
    text += QStringLiteral("¿Desea %1 con el código de la biblioteca?")
                .arg(counted::Agreeing(scan.pages.size(), QStringLiteral("actualizarla"),
                                       QStringLiteral("actualizarlas")));
    return platform::askYesNo(window, Title, text, QMessageBox::Yes);
}

void showReport(QWidget* window, const SiteReport& report)
{
    QStringList details;
    for (const PageOutcome& page : report.pages) {
        if (page.status == PageOutcome::Status::Refused ||
            page.status == PageOutcome::Status::FolderUnread || !page.unknownIds.isEmpty())
            details.append(outcomeLine(page, report.folder));
    }
    QString text = siteSummary(report);
    if (!details.isEmpty())
        text += QStringLiteral("\n\n") + listed(details);
    const bool refused = report.count(PageOutcome::Status::Refused) > 0 ||
                         report.count(PageOutcome::Status::FolderUnread) > 0;
    platform::inform(window, refused ? QMessageBox::Warning : QMessageBox::Information, Title,
                     text);
}

} // namespace

void RunSiteUpdateCommand(QWidget* window, library::LibraryStore& store,
                          const base::ProgramPaths& paths, const QList<qint64>& scriptIds)
{
    // A script whose pages cannot be found is said so at once, before a folder is asked for.
    const QList<ScriptName> unfollowed = scriptsWithoutMarkers(store, scriptIds);
    if (!scriptIds.isEmpty() && !unfollowed.isEmpty()) {
        QStringList lines;
        for (const ScriptName& script : unfollowed)
            lines.append(cannotFollowMessage(script));
        platform::inform(window, QMessageBox::Warning, Title, listed(lines));
        return;
    }
    const QString folder =
        platform::fileDialogs().existingFolder(window, QStringLiteral("Carpeta del sitio web"));
    if (folder.isEmpty())
        return;
    const QString what = whatIsLookedFor(store, scriptIds);
    SiteScan scan;
    {
        WaitCursor wait;
        scan = findSitePages(folder, scriptIds);
    }
    SiteUpdater updater(store, paths, scriptIds);
    if (scan.pages.isEmpty()) {
        const SiteReport report = updateSite(updater, scan);
        QString text = QStringLiteral("No hay ninguna página en «%1» con %2.")
                           .arg(QDir::toNativeSeparators(scan.folder), what);
        if (!unfollowed.isEmpty())
            text += QLatin1Char(' ') + withoutMarkersSentence(unfollowed);
        QStringList details;
        for (const PageOutcome& page : report.pages)
            details.append(outcomeLine(page, report.folder));
        if (!details.isEmpty())
            text += QStringLiteral("\n\n") + listed(details);
        platform::inform(window, QMessageBox::Information, Title, text);
        return;
    }
    if (!askToGoOn(window, scan, what))
        return;
    SiteUpdateProgress progress(window, int(scan.pages.size()));
    SiteReport report = updateSite(updater, scan, [&progress](int done, const PageOutcome&) {
        return progress.advance(done);
    });
    report.withoutMarkers = unfollowed;
    progress.close();
    showReport(window, report);
}

} // namespace exporting
