// A page saved by the user's own editor while the program edits it: between the program's read
// and its replacement, another process writes a copy and renames it over the page, the way
// editors save. The user's bytes are never lost.

#include "export/exportscript.h"
#include "export/pagefile.h"
#include "export/siteupdate.h"
#include "library/librarystore.h"
#include "tests/export/sitefixture.h"

#include <QProcess>
#include <QtTest>

using namespace exporting;

namespace {

const auto bytesOf = &TempProgramFolder::readFile;

// Another process saves `bytes` as an editor does: a copy beside the page, renamed over it.
void saveAsAnEditor(const QString& page, const QByteArray& bytes)
{
    QProcess editor;
    editor.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                             QStringLiteral("cat > \"$1.guardando\" && mv -f "
                                                            "\"$1.guardando\" \"$1\""),
                                             QStringLiteral("sh"), page});
    editor.write(bytes);
    editor.closeWriteChannel();
    QVERIFY(editor.waitForFinished(10000) && editor.exitCode() == 0);
}

// The user's saves, one each time the program is about to replace the page; none once they run
// out.
struct UsersEditor
{
    QList<QByteArray> saves;
    int replacements = 0;

    UsersEditor(QList<QByteArray> s) : saves(std::move(s))
    {
        setBeforePageReplaceHook([this](const QString& page) {
            ++replacements;
            if (!saves.isEmpty())
                saveAsAnEditor(page, saves.takeFirst());
        });
    }
    ~UsersEditor() { setBeforePageReplaceHook({}); }
};

} // namespace

class TestPageChanged : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editSavedMidUpdateIsKept_data();
    void editSavedMidUpdateIsKept();
};

void TestPageChanged::editSavedMidUpdateIsKept_data()
{
    QTest::addColumn<bool>("siteUpdate");
    QTest::addColumn<int>("saves");
    QTest::newRow("site update, saved once: done again on the new bytes") << true << 1;
    QTest::newRow("site update, saved twice: refused") << true << 2;
    QTest::newRow("export, saved once: done again on the new bytes") << false << 1;
    QTest::newRow("export, saved twice: refused") << false << 2;
    QTest::newRow("export into a new page another program makes meanwhile") << false << -1;
}

void TestPageChanged::editSavedMidUpdateIsKept()
{
    QFETCH(bool, siteUpdate);
    QFETCH(int, saves);
    SiteFixture f;
    const QString page = f.path(QStringLiteral("p.html"));
    // A large page, as the fault was first seen on one.
    const QByteArray filler = "<p>" + QByteArray(300 * 1024, 'x') + "</p>";
    const QByteArray marked =
        "\n" + headBeginMarker(f.lib.reloj) + "\nviejo()\n" + headEndMarker(f.lib.reloj) + "\n";
    if (saves >= 0)
        TempProgramFolder::writeFile(page, "<html><head></head>" + marked + "<body>" + filler +
                                               "</body></html>\n");
    // The user's saves keep the script's markers, so the update still knows the page.
    const QByteArray first = "<html><head></head>" + marked + "<body><p>primera</p></body></html>";
    const QByteArray second = "<html><head></head>" + marked + "<body><p>segunda</p></body></html>";
    QList<QByteArray> edits{first, second};
    const int count = saves < 0 ? 1 : saves;
    UsersEditor editor(edits.mid(0, count));
    auto store = library::LibraryStore::open(f.folder.libraryPath());

    QString refusal;
    if (siteUpdate) {
        SiteUpdater updater(*store, f.folder.paths(), {f.lib.reloj});
        const SiteReport report = updateSite(updater, findSitePages(f.site.path(), {f.lib.reloj}));
        QCOMPARE(report.pages.size(), 1);
        const QString line = outcomeLine(report.pages[0], report.folder);
        if (count == 2)
            refusal = line;
        else
            QCOMPARE(line, QStringLiteral("p.html: actualizada"));
    } else {
        const ExportReport report = exportScript(*store, f.folder.paths(), f.lib.reloj, page);
        if (count == 2) {
            QCOMPARE(report.pageProblem, PageProblem::ChangedMeanwhile);
            refusal = report.message;
        } else {
            QVERIFY2(report.status == ExportReport::Status::Done, qPrintable(report.message));
        }
    }
    QCOMPARE(editor.replacements, 2);
    if (count == 2) {
        // Refused after starting again once: the second save stands as the user wrote it.
        QCOMPARE(bytesOf(page), second);
        QVERIFY2(refusal.contains(
                     siteUpdate ? QStringLiteral("p.html: rechazada: la página cambió "
                                                 "mientras se actualizaba")
                                : QStringLiteral("No se ha exportado el script: la página «%1» "
                                                 "cambió mientras se actualizaba")
                                      .arg(page)),
                 qPrintable(refusal));
    } else {
        // Done on the bytes the user saved: the edit is there, with the script's new code.
        const QByteArray now = bytesOf(page);
        QVERIFY2(now.contains("<p>primera</p>") && now.contains("function t()") &&
                     !now.contains("viejo()") && !now.contains("xxxx"),
                 now.constData());
    }
}

QTEST_GUILESS_MAIN(TestPageChanged)
#include "test_pagechanged.moc"
