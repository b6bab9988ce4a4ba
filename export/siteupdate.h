#pragma once

#include "base/programpaths.h"
#include "exportscript.h"
#include "pagefile.h"
#include "sitepages.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace library {
class LibraryStore;
}

namespace exporting {

// What became of one page of a site.
struct PageOutcome
{
    enum class Status {
        Updated,
        UpToDate,
        Refused,
        WouldUpdate, // a dry run found that the page would be updated
        FolderUnread // not a page: a folder of the site that could not be read
    };
    Status status = Status::UpToDate;
    QString path;
    QString reason;           // Spanish, when refused or unread
    QList<qint64> unknownIds; // markers of scripts the library lacks, left as they were
};

// A script by its id and name.
struct ScriptName
{
    qint64 id = 0;
    QString name;
};

struct SiteReport
{
    QString folder;
    QList<PageOutcome> pages;
    int notReached = 0;  // pages left untouched because the update was cancelled
    bool dryRun = false; // nothing was written: pages read and edited in memory only
    // Scripts of an update of every script that no update can follow; the summary names them.
    QList<ScriptName> withoutMarkers;
    int count(PageOutcome::Status status) const;
};

// The scripts of `wanted` (every script of the library when empty) that leave no markers in a
// page, so that no update can find their pages. None when the library cannot be read: the
// update says what is wrong with it.
QList<ScriptName> scriptsWithoutMarkers(library::LibraryStore& store, const QList<qint64>& wanted);

// Why a script named for an update cannot be followed.
QString cannotFollowMessage(const ScriptName& script);
// One sentence naming scripts that leave no markers.
QString withoutMarkersSentence(const QList<ScriptName>& scripts);

// Brings pages up to date with scripts of the library, each page with one read and at most
// one write, through the export's own page editing, atomic replacement and copying of related
// files. A page whose bytes would not change is not written; a refused page keeps its bytes.
class SiteUpdater
{
public:
    // `wanted` empty: every script whose markers a page holds. Related files come from the
    // resources folder of `paths`. A dry run writes and copies nothing: it says which pages
    // would be updated, are up to date or would be refused.
    SiteUpdater(library::LibraryStore& store, const base::ProgramPaths& paths,
                const QList<qint64>& wanted, bool dryRun = false);

    bool dryRun() const { return dryRun_; }

    PageOutcome update(const QString& pagePath);

    // The same in three steps, so that pages are read, edited and written on other threads
    // while the library and the related files are seen to on this one.
    struct Step
    {
        bool needsLibrary = false; // the page names a script not read beforehand
        std::optional<PageOutcome> refused;
        PreparedPage prepared;
        QList<qint64> applied;
        QList<qint64> unknown;
    };
    // Reads the scripts the pages name, on the thread that owns the library.
    void readScripts(const QList<SitePage>& pages);
    // Any thread: reads and edits the page with the scripts read beforehand.
    Step prepare(const QString& pagePath) const;
    // The calling thread: copies the related files; a refusal when they could not be copied,
    // and in a dry run what the update would do, with nothing copied.
    std::optional<PageOutcome> copyFilesFor(const Step& step);
    // Any thread: writes the page.
    PageOutcome write(const Step& step) const;

private:
    struct LibraryScript
    {
        bool inLibrary = false;
        ExportReport read; // not Done: why the script cannot be exported
        ScriptToExport script;
    };
    using ScriptLookup = std::function<const LibraryScript*(qint64 id)>;

    const LibraryScript& script(qint64 id);
    PageEdit editForSite(const QByteArray& page, const ScriptLookup& lookup, Step* step) const;
    Step prepareWith(const QString& pagePath, const ScriptLookup& lookup) const;
    QString copyFilesBeside(const QString& pagePath, const QList<qint64>& scripts);
    // A refused page's outcome, or in a dry run the outcome the update would have.
    std::optional<PageOutcome> plannedOutcome(const Step& step) const;

    library::LibraryStore& store_;
    base::ProgramPaths paths_;
    QList<qint64> wanted_;
    bool dryRun_;
    std::map<qint64, LibraryScript> scripts_; // read once a run; references stay valid
    // The scripts readScripts() read: left alone while other threads read them.
    std::map<qint64, LibraryScript> readBefore_;
    QSet<QString> copied_; // resources folder and script already seen to in this run
};

// Called after each page; returning false stops the update there.
using SiteProgress = std::function<bool(int done, const PageOutcome& outcome)>;

// Updates the pages of the scan, several at once, and reports them in the scan's order. The
// pages the scan could not read come first in the report, as refused. When `progress` stops
// the update, the pages already being written are finished and reported; no other is touched.
SiteReport updateSite(SiteUpdater& updater, const SiteScan& scan,
                      const SiteProgress& progress = {});

// One line for a page: its path inside the site, then "actualizada" ("se actualizaría" in a
// dry run), "al día" or "rechazada: " and the reason; for a folder that could not be read, its
// path, "carpeta sin leer: " and the reason.
QString outcomeLine(const PageOutcome& outcome, const QString& siteFolder);
// The counts of pages updated, up to date and refused, in one sentence, and of the folders
// that could not be read, when there are; then the scripts that leave no markers, when there
// are.
QString siteSummary(const SiteReport& report);

} // namespace exporting
