#include "base/module1.h"
#include "export/exportcommand.h"
#include "platform/filedialog.h"
#include "tests/support/tempprogramfolder.h"
#include "tests/support/textfit.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeView>
#include <QtTest>
#include <functional>

using namespace Qt::Literals::StringLiterals;

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
    return platform::fileDialogs().openFileName(nullptr, exporting::exportFileRequest());
}

// Types the full name into the dialog's name box and presses Enter, as a person does.
void choose(QFileDialog* dialog, const QString& path)
{
    auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

// The texts the dialog's detail view shows for `name`, column by column.
QStringList rowOf(QFileDialog* dialog, const QString& name)
{
    auto* view = dialog->findChild<QTreeView*>(u"treeView"_s);
    QAbstractItemModel* model = view->model();
    const QModelIndexList found = model->match(model->index(0, 0, view->rootIndex()),
                                               Qt::DisplayRole, name, 1, Qt::MatchExactly);
    QStringList texts;
    for (int c = 0; !found.isEmpty() && c < model->columnCount(view->rootIndex()); ++c)
        texts.append(found[0].siblingAtColumn(c).data().toString());
    return texts;
}

} // namespace

class TestFileDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportDialogReadsAsTheProgramsOwnAndStartsWhereTheUserLastChose();
};

void TestFileDialog::exportDialogReadsAsTheProgramsOwnAndStartsWhereTheUserLastChose()
{
    Module1::SetSpanishLocale();
    Module1::InstallQtSpanishTranslation();
    QTemporaryDir site, other;
    const QStringList names = {u"a.htm"_s, u"b.html"_s, u"c.txt"_s, u"d.HTML.bak"_s};
    for (const QString& name : names)
        TempProgramFolder::writeFile(site.filePath(name), QByteArray(1536, 'x'));
    QVERIFY(QDir(site.path()).mkdir(u"imágenes"_s));
    QStringList startedIn, patterns, shown, row, folderRow, filters, cut;
    QString title, accept;
    const auto look = [&](QFileDialog* dialog) {
        startedIn.append(QDir(dialog->directory()).canonicalPath());
        if (startedIn.size() > 1)
            return;
        dialog->setDirectory(site.path());
        patterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
        QVERIFY(QTest::qWaitFor([&] { return !rowOf(dialog, names[0]).isEmpty(); }, 5000));
        for (const QString& name : names)
            if (!rowOf(dialog, name).isEmpty())
                shown.append(name);
        row = rowOf(dialog, names[0]);
        folderRow = rowOf(dialog, u"imágenes"_s);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        accept = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->text();
        dialog->setObjectName(u"cmdlg"_s);
        cut = cutTexts(dialog);
    };
    const auto cancel = [](QFileDialog* d) { d->reject(); };
    const QString page = site.filePath(u"index.html"_s), next = other.filePath(u"nueva.htm"_s);
    QCOMPARE(runDialog(look, cancel), QString());
    QCOMPARE(runDialog(look, [&](QFileDialog* d) { choose(d, page); }), page);
    QCOMPARE(runDialog(look, cancel), QString()); // cancelling does not move the start
    QCOMPARE(runDialog(look, [&](QFileDialog* d) { choose(d, next); }), next);
    QCOMPARE(runDialog(look, cancel), QString());
    // Home at first, then where the user last chose a file.
    const QString home = QDir(QDir::homePath()).canonicalPath();
    const QString a = QDir(site.path()).canonicalPath(), b = QDir(other.path()).canonicalPath();
    QCOMPARE(startedIn, (QStringList{home, home, a, a, b}));

    // Its own title and button; HTML pages first, with both patterns, then every file.
    QCOMPARE(title, u"Exportar Script"_s);
    QCOMPARE(accept, u"Exportar"_s);
    QCOMPARE(filters, (QStringList{u"Páginas HTML (*.html *.htm)"_s, u"Todos los ficheros (*)"_s}));
    QCOMPARE(patterns, (QStringList{u"*.html"_s, u"*.htm"_s}));
    QCOMPARE(shown, names.mid(0, 2));
    // Every caption and column title whole; folders and types named in Spanish.
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    QCOMPARE(row.value(2), u"documento HTML"_s);
    QCOMPARE(folderRow.value(2), u"Carpeta"_s);
    // Sizes and dates as in Spain, with a decimal comma.
    const QLocale spain(QLocale::Spanish, QLocale::Spain);
    QCOMPARE(row.value(1), spain.formattedDataSize(1536));
    QCOMPARE(row.value(3), spain.toString(QFileInfo(site.filePath(names[0])).lastModified(),
                                          QLocale::ShortFormat));
}

QTEST_MAIN(TestFileDialog)
#include "test_filedialog.moc"
