#include "app/frmsplash.h"
#include "app/module1.h"
#include "browser/frmscripts.h"
#include "browser/presentationpanel.h"
#include "browser/webprofile.h"
#include "online/frmpublicidad.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "tests/support/tempprogramfolder.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

namespace {
void writeTerms(const TempProgramFolder& folder)
{
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("licencia.rtf")),
                                 "{\\rtf1\\ansi\\ansicpg1252 Condiciones de uso de Korvalis: "
                                 "\\b aceptaci\\'f3n\\b0 .\\par}");
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingTermsEndTheProgramBeforeAnyWindow();
    void termsAreShownAndWithoutNetworkNoCheck();
    void decliningNeverTouchesTheLibrary();
    void acceptingWithoutLibraryShowsItsMessage();
    void acceptingShowsTheMainWindow();
    void everyPageSharesOneProfile();
    void standardButtonsSpeakSpanish();
};

void TestStartup::missingTermsEndTheProgramBeforeAnyWindow()
{
    platform::ScriptedMessageBoxes boxes;
    TempProgramFolder folder;
    frmsplash splash;
    QVERIFY(!splash.Form_Load(folder.path()));
    QVERIFY(!splash.isVisible());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].icon, QMessageBox::Information);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(boxes.shown[0].text,
             QStringLiteral("Falta algun fichero de instalacion de Korvalis.\nNo podrá continuar"));
}

void TestStartup::termsAreShownAndWithoutNetworkNoCheck()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    writeTerms(folder);
    frmsplash splash;
    QVERIFY(splash.Form_Load(folder.path()));
    QVERIFY(splash.isVisible());
    QCOMPARE(splash.windowTitle(), QStringLiteral("Korvalis"));
    QVERIFY(splash.RichText->toPlainText().contains(QStringLiteral("aceptación")));
    QTRY_VERIFY(splash.NetworkTested());
    QVERIFY(!splash.Command3->isVisible());
    QVERIFY(!splash.WebBrowser1); // no page requested
    QCOMPARE(splash.Command2->text(), QStringLiteral("Si acepto"));
    QCOMPARE(splash.Command1->text(), QStringLiteral("No Acepto"));
}

void TestStartup::decliningNeverTouchesTheLibrary()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    writeTerms(folder);
    folder.closeLibrary();
    const QByteArray before = TempProgramFolder::readFile(folder.libraryPath());
    const QDateTime touched = QFileInfo(folder.libraryPath()).lastModified();
    auto* splash = new frmsplash();
    QPointer<frmsplash> alive(splash);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QVERIFY(splash->Form_Load(folder.path()));
    QTest::mouseClick(splash->Command1, Qt::LeftButton);
    QTRY_VERIFY(!alive);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(
        std::none_of(windows.cbegin(), windows.cend(), [](QWidget* w) { return w->isVisible(); }));
    QCOMPARE(TempProgramFolder::readFile(folder.libraryPath()), before);
    QCOMPARE(QFileInfo(folder.libraryPath()).lastModified(), touched);
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("js.htm"))));
}

void TestStartup::acceptingWithoutLibraryShowsItsMessage()
{
    platform::FixedNetworkPresence offline(false);
    platform::ScriptedMessageBoxes boxes;
    TempProgramFolder folder;
    writeTerms(folder);
    folder.closeLibrary();
    QFile::remove(folder.libraryPath());
    auto* splash = new frmsplash();
    QPointer<frmsplash> alive(splash);
    QVERIFY(splash->Form_Load(folder.path()));
    QTest::mouseClick(splash->Command2, Qt::LeftButton);
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("Faltan ficheros de la aplicación")));
    QVERIFY(!alive || !alive->isVisible());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.cbegin(), windows.cend(), [](QWidget* w) {
        return w->objectName() == QLatin1String("Frmscripts");
    }));
    delete alive;
}

void TestStartup::acceptingShowsTheMainWindow()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    writeTerms(folder);
    folder.addCategory(0, QStringLiteral("Textos"));
    folder.closeLibrary();
    auto* splash = new frmsplash();
    QPointer<frmsplash> alive(splash);
    QVERIFY(splash->Form_Load(folder.path()));
    QTest::mouseClick(splash->Command2, Qt::LeftButton);
    QPointer<Frmscripts> main(splash->MainWindow());
    QVERIFY(main);
    QVERIFY(main->isVisible());
    QVERIFY(!splash->isVisible());
    QTRY_VERIFY(!alive); // the start window is unloaded
    QCOMPARE(main->Tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Textos"));
    QCOMPARE(main->DropHighlight(), main->Tree->topLevelItem(0));
    QVERIFY(main->Frame_presentacion->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    delete main;
}

void TestStartup::everyPageSharesOneProfile()
{
    TempProgramFolder folder;
    writeTerms(folder);
    folder.closeLibrary();
    QWebEngineProfile* updatePage = nullptr;
    QPointer<Frmscripts> main;
    {
        platform::FixedNetworkPresence online(true);
        platform::ScriptedMessageBoxes boxes;
        auto* splash = new frmsplash();
        QVERIFY(splash->Form_Load(folder.path()));
        QTRY_VERIFY(splash->WebBrowser1);
        updatePage = splash->WebBrowser1->profile();
        QTest::mouseClick(splash->Command2, Qt::LeftButton);
        main = splash->MainWindow();
        QVERIFY(main);
    }
    platform::FixedNetworkPresence offline(false);
    Frmpublicidad banner;
    QCOMPARE(updatePage, browser::WebProfile());
    QCOMPARE(main->explorador->page()->profile(), browser::WebProfile());
    QCOMPARE(banner.web_publicidad->page()->profile(), browser::WebProfile());
    QVERIFY(browser::WebProfile()->isOffTheRecord());
    delete main;
}

void TestStartup::standardButtonsSpeakSpanish()
{
    QVERIFY(Module1::InstallQtSpanishTranslation());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok |
                           QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Sí"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("No"));
    QCOMPARE(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')),
             QStringLiteral("Aceptar"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
             QStringLiteral("Cancelar"));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
