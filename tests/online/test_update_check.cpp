#include "app/frmsplash.h"
#include "app/module1.h"
#include "online/updatecheck.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/shell.h"
#include "tests/online/httpfixture.h"
#include "tests/support/tempprogramfolder.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWidget>
#include <QtTest>
#include <memory>

using online::UpdateCheck;

namespace {

QByteArray ValuesPage(const QByteArray& version, const QByteArray& downloadBase)
{
    return "<html><body><form>"
           "<input type=hidden id=version value='" +
           version +
           "'>"
           "<input type=hidden name=download_mayor value='" +
           downloadBase +
           "/mayor.zip'>"
           "<input type=hidden name=download_menor value='" +
           downloadBase +
           "/menor.zip'>"
           "<input type=hidden id=download_revision value='" +
           downloadBase +
           "/revision.zip'>"
           "</form></body></html>";
}

const QString Question = QStringLiteral("\r\n¿Desea bajarsela?");

// The value as the check reads it, once it has been read.
QString valueOf(QWebEnginePage* page, const QString& key)
{
    QObject context;
    std::optional<QString> value;
    UpdateCheck::GetWebValue(page, key, &context, [&value](const QString& v) { value = v; });
    if (!QTest::qWaitFor([&value] { return value.has_value(); }, 10000))
        return QStringLiteral("(no answer)");
    return *value;
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void newerVersionsPromptForTheirLevel_data();
    void newerVersionsPromptForTheirLevel();
    void answeringYesOpensOnlyTheMatchingWebDownload();
    void framesAreSearchedInsteadOfTheTopDocument();
    void valuesAreReadOnlyFromSingleElementsWithAValue();
    void aLatePageIsReadByTheButtonWithoutReloading();
    void closingTheStartWindowDuringTheWaitSkipsTheCheck();
    void startWindowChecksOnItsButtonOnlyWithANetwork();

private:
    // Starts a check on a fresh page for the address, as the start window does, and waits
    // until it is over.
    void startCheck(const QUrl& address, int timeoutMs = 15000);
    // Checks the page as it stands, as the button does, and waits until it is over.
    void runCheck();

    std::unique_ptr<HttpFixture> http_;
    std::unique_ptr<QWidget> owner_;
    QWebEnginePage* page_ = nullptr;
    UpdateCheck* check_ = nullptr;
    std::unique_ptr<platform::ScriptedMessageBoxes> boxes_;
    std::unique_ptr<platform::RecordingShell> shell_;
};

void TestUpdateCheck::init()
{
    http_ = std::make_unique<HttpFixture>();
    QVERIFY(http_->isListening());
    owner_ = std::make_unique<QWidget>();
    owner_->show();
    page_ = new QWebEnginePage(owner_.get());
    check_ = new UpdateCheck(page_, owner_.get());
    boxes_ = std::make_unique<platform::ScriptedMessageBoxes>();
    shell_ = std::make_unique<platform::RecordingShell>();
}

void TestUpdateCheck::cleanup()
{
    shell_.reset();
    boxes_.reset();
    owner_.reset();
    http_.reset();
}

void TestUpdateCheck::startCheck(const QUrl& address, int timeoutMs)
{
    Module1::UpdateCheckUrl = address.toString();
    check_->setLoadTimeout(timeoutMs);
    QSignalSpy over(check_, &UpdateCheck::checkOver);
    check_->start();
    QTRY_VERIFY_WITH_TIMEOUT(over.count() == 1, timeoutMs + 10000);
}

void TestUpdateCheck::runCheck()
{
    QSignalSpy over(check_, &UpdateCheck::checkOver);
    check_->run();
    QTRY_VERIFY_WITH_TIMEOUT(over.count() == 1, 10000);
}

void TestUpdateCheck::newerVersionsPromptForTheirLevel_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("same version") << QByteArray("01.00.16") << QString();
    QTest::newRow("older revision") << QByteArray("01.00.09") << QString();
    QTest::newRow("revision") << QByteArray("01.00.17")
                              << QStringLiteral("Existe una revisión de Korvalis") + Question;
    QTest::newRow("minor, revision not compared")
        << QByteArray("01.01.00")
        << QStringLiteral("Existe una nueva actualización de Korvalis") + Question;
    QTest::newRow("major") << QByteArray("02.00.00")
                           << QStringLiteral("Existe una nueva versión de Korvalis") + Question;
    QTest::newRow("older major, newer minor")
        << QByteArray("00.05.00")
        << QStringLiteral("Existe una nueva actualización de Korvalis") + Question;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("malformed") << QByteArray("1.0.17") << QString();
    QTest::newRow("letters") << QByteArray("01.0a.17") << QString();
}

void TestUpdateCheck::newerVersionsPromptForTheirLevel()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, prompt);
    http_->setPage(QStringLiteral("/korvalis/downloads/version.asp"),
                   ValuesPage(version, http_->url(QStringLiteral("/dl")).toEncoded()));
    boxes_->answer(QMessageBox::No);
    startCheck(http_->url(QStringLiteral("/korvalis/downloads/version.asp")));
    QCOMPARE(http_->requested, QStringList{QStringLiteral("/korvalis/downloads/version.asp")});
    if (prompt.isEmpty()) {
        QCOMPARE(boxes_->shown.size(), 0);
    } else {
        QCOMPARE(boxes_->shown.size(), 1);
        const platform::Message& m = boxes_->shown.first();
        QCOMPARE(m.text, prompt);
        QCOMPARE(m.title, QStringLiteral("Korvalis"));
        QCOMPARE(m.icon, QMessageBox::Question);
        QCOMPARE(m.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m.defaultButton, QMessageBox::Yes);
    }
    QCOMPARE(shell_->opened.size(), 0);

    // The button runs the same comparison again on the same page, without a new request.
    runCheck();
    QCOMPARE(boxes_->shown.size(), prompt.isEmpty() ? 0 : 2);
    QCOMPARE(http_->requested.size(), 1);

    // A page without any "version" element says nothing either.
    http_->setPage(QStringLiteral("/none"), "<html><body><p>Nada</p></body></html>");
    boxes_->shown.clear();
    startCheck(http_->url(QStringLiteral("/none")));
    QCOMPARE(boxes_->shown.size(), 0);
}

void TestUpdateCheck::answeringYesOpensOnlyTheMatchingWebDownload()
{
    const QByteArray base = http_->url(QStringLiteral("/dl")).toEncoded();
    http_->setPage(QStringLiteral("/v"), ValuesPage("02.00.00", base));
    boxes_->answer(QMessageBox::Yes);
    startCheck(http_->url(QStringLiteral("/v")));
    QCOMPARE(shell_->opened, QList<QUrl>{QUrl(QString::fromLatin1(base + "/mayor.zip"))});

    // A value read through a name (not an id) works the same.
    http_->setPage(QStringLiteral("/menor"), ValuesPage("01.02.00", base));
    shell_->opened.clear();
    boxes_->answer(QMessageBox::Yes);
    startCheck(http_->url(QStringLiteral("/menor")));
    QCOMPARE(shell_->opened, QList<QUrl>{QUrl(QString::fromLatin1(base + "/menor.zip"))});

    // Download addresses that are not web addresses are never handed to the shell.
    for (const QByteArray& bad : {QByteArray("file:///etc"), QByteArray("javascript:alert(1)"),
                                  QByteArray("ftp://127.0.0.1")}) {
        http_->setPage(QStringLiteral("/bad"), ValuesPage("01.00.17", bad));
        shell_->opened.clear();
        boxes_->shown.clear();
        boxes_->answer(QMessageBox::Yes);
        startCheck(http_->url(QStringLiteral("/bad")));
        QCOMPARE(boxes_->shown.size(), 1);
        QVERIFY2(shell_->opened.isEmpty(), bad.constData());
    }

    // No: nothing opened.
    http_->setPage(QStringLiteral("/no"), ValuesPage("01.00.17", base));
    shell_->opened.clear();
    boxes_->answer(QMessageBox::No);
    startCheck(http_->url(QStringLiteral("/no")));
    QVERIFY(shell_->opened.isEmpty());
}

void TestUpdateCheck::framesAreSearchedInsteadOfTheTopDocument()
{
    const QByteArray base = http_->url(QStringLiteral("/dl")).toEncoded();
    http_->setPage(QStringLiteral("/first"), "<html><body><p>Sin valores</p></body></html>");
    http_->setPage(QStringLiteral("/second"), ValuesPage("01.00.17", base + "/second"));
    http_->setPage(QStringLiteral("/frameset"),
                   "<html><frameset cols='50%,50%'><frame src='/first'><frame src='/second'>"
                   "</frameset></html>");
    boxes_->answer(QMessageBox::Yes);
    startCheck(http_->url(QStringLiteral("/frameset")));
    // Frames finish after the top page: read again once they are surely there.
    if (boxes_->shown.isEmpty()) {
        QTest::qWait(500);
        boxes_->answer(QMessageBox::Yes);
        runCheck();
    }
    QCOMPARE(boxes_->shown.size(), 1);
    QCOMPARE(boxes_->shown.first().text,
             QStringLiteral("Existe una revisión de Korvalis") + Question);
    QCOMPARE(shell_->opened, QList<QUrl>{QUrl(QString::fromLatin1(base + "/second/revision.zip"))});

    // With an inline frame, the values in the top document are not looked at.
    http_->setPage(
        QStringLiteral("/inline"),
        ValuesPage("02.00.00", base).replace("</form>", "</form><iframe src='/first'></iframe>"));
    boxes_->shown.clear();
    startCheck(http_->url(QStringLiteral("/inline")));
    QTest::qWait(300);
    runCheck();
    QCOMPARE(boxes_->shown.size(), 0);
    QCOMPARE(valueOf(page_, QStringLiteral("version")), QString());
}

void TestUpdateCheck::valuesAreReadOnlyFromSingleElementsWithAValue()
{
    http_->setPage(QStringLiteral("/shapes"),
                   "<html><body>"
                   "<div id=version>02.00.00</div>"
                   "<input name=twice value=a><input name=twice value=b>"
                   "<select name=pick><option value=x selected>X</option></select>"
                   "<textarea id=note>libre</textarea>"
                   "<input id='k\"ey' value=quoted>"
                   "</body></html>");
    startCheck(http_->url(QStringLiteral("/shapes")));
    QCOMPARE(boxes_->shown.size(), 0);
    QCOMPARE(valueOf(page_, QStringLiteral("version")), QString());
    QCOMPARE(valueOf(page_, QStringLiteral("twice")), QString());
    QCOMPARE(valueOf(page_, QStringLiteral("pick")), QStringLiteral("x"));
    QCOMPARE(valueOf(page_, QStringLiteral("note")), QStringLiteral("libre"));
    QCOMPARE(valueOf(page_, QStringLiteral("k\"ey")), QStringLiteral("quoted"));
    QCOMPARE(valueOf(page_, QStringLiteral("missing")), QString());
    QCOMPARE(valueOf(nullptr, QStringLiteral("version")), QString());

    // An unreachable server leaves an empty page and no message.
    startCheck(QUrl(QStringLiteral("http://127.0.0.1:9/korvalis/downloads/version.asp")));
    QCOMPARE(valueOf(page_, QStringLiteral("version")), QString());
    QCOMPARE(boxes_->shown.size(), 0);
}

void TestUpdateCheck::aLatePageIsReadByTheButtonWithoutReloading()
{
    http_->setPage(QStringLiteral("/slow"),
                   ValuesPage("01.00.17", http_->url(QStringLiteral("/dl")).toEncoded()), 1500);
    QSignalSpy finished(page_, &QWebEnginePage::loadFinished);
    QElapsedTimer clock;
    clock.start();
    startCheck(http_->url(QStringLiteral("/slow")), 200);
    QVERIFY(clock.elapsed() < 1400);
    QCOMPARE(boxes_->shown.size(), 0);

    QVERIFY(finished.wait(10000));
    boxes_->answer(QMessageBox::No);
    runCheck();
    QCOMPARE(boxes_->shown.size(), 1);
    QCOMPARE(http_->requested.size(), 1);
}

void TestUpdateCheck::closingTheStartWindowDuringTheWaitSkipsTheCheck()
{
    http_->setPage(QStringLiteral("/slow"),
                   ValuesPage("02.00.00", http_->url(QStringLiteral("/dl")).toEncoded()), 800);
    QTimer::singleShot(100, owner_.get(), &QWidget::close);
    startCheck(http_->url(QStringLiteral("/slow")));
    QCOMPARE(boxes_->shown.size(), 0);
    // The page arriving later does not bring the question back either.
    QTest::qWait(1500);
    QCOMPARE(boxes_->shown.size(), 0);

    // The start window deleted while the check waits: nothing runs on it afterwards.
    auto* owner = new QWidget;
    owner->show();
    auto* page = new QWebEnginePage(owner);
    QPointer<UpdateCheck> check = new UpdateCheck(page, owner);
    QTimer::singleShot(100, owner, &QObject::deleteLater);
    Module1::UpdateCheckUrl = http_->url(QStringLiteral("/slow")).toString();
    check->setLoadTimeout(3000);
    check->start();
    QTRY_VERIFY(!check);
    QTest::qWait(1500);
    QCOMPARE(boxes_->shown.size(), 0);
}

void TestUpdateCheck::startWindowChecksOnItsButtonOnlyWithANetwork()
{
    TempProgramFolder folder;
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("licencia.rtf")),
                                 "{\\rtf1\\ansi Condiciones de uso\\par}");
    {
        platform::FixedNetworkPresence offline(false);
        frmsplash splash;
        QVERIFY(splash.Form_Load(folder.path()));
        QTRY_VERIFY(splash.NetworkTested());
        QVERIFY(splash.Command3->isHidden());
        QVERIFY(!splash.WebBrowser1); // no page, so none is asked for
    }
    platform::FixedNetworkPresence online(true);
    frmsplash splash;
    QVERIFY(splash.Form_Load(folder.path()));
    // The terms come first: nothing of the check exists until the window is on screen.
    QVERIFY(!splash.WebBrowser1);
    QVERIFY(splash.Command3->isHidden());
    QTRY_VERIFY(splash.NetworkTested());
    QVERIFY(!splash.Command3->isHidden());
    QVERIFY(splash.WebBrowser1);
    QCOMPARE(splash.WebBrowser1->requestedUrl(), QUrl(Module1::UpdateCheckUrl));
    QCOMPARE(boxes_->shown.size(), 0); // the configured site is not reachable from the tests

    // The button reads whatever page the hidden browser holds, without loading it again.
    http_->setPage(QStringLiteral("/v"),
                   ValuesPage("01.00.17", http_->url(QStringLiteral("/dl")).toEncoded()));
    QSignalSpy finished(splash.WebBrowser1, &QWebEnginePage::loadFinished);
    splash.WebBrowser1->load(http_->url(QStringLiteral("/v")));
    QVERIFY(finished.wait(10000));
    boxes_->answer(QMessageBox::Yes);
    QTest::mouseClick(splash.Command3, Qt::LeftButton);
    QTRY_COMPARE(boxes_->shown.size(), 1);
    QTRY_COMPARE(shell_->opened, QList<QUrl>{QUrl(http_->url(QStringLiteral("/dl")).toString() +
                                                  QStringLiteral("/revision.zip"))});
    QCOMPARE(http_->requested.size(), 1);
}

QTEST_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
