#include "app/module1.h"
#include "export/exportcommand.h"
#include "platform/filedialog.h"
#include "tests/support/tempprogramfolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QThread>
#include <QTreeView>
#include <QtTest>
#include <functional>

namespace {

// Runs `look` on Qt's file dialog once it is up, then lets `answer` close it (again on
// each tick while it stays open: the dialog may still be reading its folder).
QString runDialog(const std::function<void(QFileDialog*)>& look,
                  const std::function<void(QFileDialog*)>& answer)
{
    QTimer poll;
    poll.setInterval(50);
    QFileDialog* seen = nullptr;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        // Only from within the dialog's own loop: an answer given while it is still being
        // shown would leave that loop running with nothing to end it.
        if (!dialog || QThread::currentThread()->loopLevel() == 0)
            return;
        if (dialog != seen) {
            seen = dialog;
            look(dialog);
        }
        answer(dialog);
    });
    poll.start();
    return platform::fileDialogs().openFileName(
        nullptr, platform::FileRequest{QString(), exporting::exportFileFilter()});
}

// Types the full name into the dialog's name box and presses Enter, as a person does.
void choose(QFileDialog* dialog, const QString& path)
{
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setFocus();
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

// The texts the dialog's detail view shows for `name`, column by column.
QStringList rowOf(QFileDialog* dialog, const QString& name)
{
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return {};
    QAbstractItemModel* model = view->model();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        if (model->index(row, 0, root).data().toString() != name)
            continue;
        QStringList texts;
        for (int column = 0; column < model->columnCount(root); ++column)
            texts.append(model->index(row, column, root).data().toString());
        return texts;
    }
    return {};
}

QStringList headerTitles(QFileDialog* dialog)
{
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    QStringList titles;
    for (int i = 0; view && i < view->model()->columnCount(); ++i)
        titles.append(view->model()->headerData(i, Qt::Horizontal).toString());
    return titles;
}

} // namespace

class TestFileDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void exportDialogShowsBothPageKindsInSpanish();
    void dialogsStartAtHomeThenWhereTheUserLastChose();
};

void TestFileDialog::initTestCase()
{
    Module1::SetSpanishLocale();
    Module1::InstallQtSpanishTranslation();
    QVERIFY(QLocale().language() == QLocale::Spanish);
}

void TestFileDialog::exportDialogShowsBothPageKindsInSpanish()
{
    QTemporaryDir site;
    for (const char* name : {"a.htm", "b.html", "c.txt", "d.HTML.bak"})
        TempProgramFolder::writeFile(site.filePath(QString::fromLatin1(name)),
                                     QByteArray(1536, 'x'));
    QStringList patterns, shown, size, titles;
    QString expectedDate;
    runDialog(
        [&](QFileDialog* dialog) {
            dialog->setDirectory(site.path());
            patterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
            QVERIFY(QTest::qWaitFor(
                [&] { return !rowOf(dialog, QStringLiteral("a.htm")).isEmpty(); }, 5000));
            for (const char* name : {"a.htm", "b.html", "c.txt", "d.HTML.bak"}) {
                if (!rowOf(dialog, QString::fromLatin1(name)).isEmpty())
                    shown.append(QString::fromLatin1(name));
            }
            size = rowOf(dialog, QStringLiteral("a.htm"));
            titles = headerTitles(dialog);
            const QFileInfo a(site.filePath(QStringLiteral("a.htm")));
            expectedDate = QLocale(QLocale::Spanish, QLocale::Spain)
                               .toString(a.lastModified(), QLocale::ShortFormat);
        },
        [](QFileDialog* dialog) { dialog->reject(); });
    // One entry: its description as the program always wrote it, both patterns of HTML pages.
    QCOMPARE(exporting::exportFileFilter(), QStringLiteral("HTML Document (*.html *.htm)"));
    QCOMPARE(patterns, (QStringList{QStringLiteral("*.html"), QStringLiteral("*.htm")}));
    QCOMPARE(shown, (QStringList{QStringLiteral("a.htm"), QStringLiteral("b.html")}));
    // Sizes and dates as in Spain (a decimal comma), and Qt's own Spanish column titles.
    const QLocale spain(QLocale::Spanish, QLocale::Spain);
    QCOMPARE(size.value(1), spain.formattedDataSize(1536));
    QVERIFY(size.value(1).contains(QLatin1Char(',')));
    QCOMPARE(size.value(3), expectedDate);
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_es.qm")))
        QSKIP("Qt's Spanish translations (qt6-translations-l10n) are not installed");
    QCOMPARE(titles.value(0), QStringLiteral("Nombre"));
    QCOMPARE(titles.value(1), QStringLiteral("Tamaño"));
}

void TestFileDialog::dialogsStartAtHomeThenWhereTheUserLastChose()
{
    QTemporaryDir first, second;
    const QString page = first.filePath(QStringLiteral("index.html"));
    QStringList startedIn;
    const auto look = [&](QFileDialog* dialog) {
        startedIn.append(QDir(dialog->directory()).canonicalPath());
    };
    QCOMPARE(runDialog(look, [](QFileDialog* d) { d->reject(); }), QString());
    QCOMPARE(runDialog(look, [&](QFileDialog* d) { choose(d, page); }), page);
    // Cancelling does not move the start; the next choice does.
    QCOMPARE(runDialog(look, [](QFileDialog* d) { d->reject(); }), QString());
    const QString other = second.filePath(QStringLiteral("nueva.htm"));
    QCOMPARE(runDialog(look, [&](QFileDialog* d) { choose(d, other); }), other);
    QCOMPARE(runDialog(look, [](QFileDialog* d) { d->reject(); }), QString());
    const QString home = QDir(QDir::homePath()).canonicalPath();
    const QString a = QDir(first.path()).canonicalPath(), b = QDir(second.path()).canonicalPath();
    QCOMPARE(startedIn, (QStringList{home, home, a, a, b}));
}

QTEST_MAIN(TestFileDialog)
#include "test_filedialog.moc"
