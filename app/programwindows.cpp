#include "programwindows.h"

#include "app/frmscripts.h"
#include "base/module1.h"
#include "library/earlyopen.h"
#include "library/libraryfile.h"
#include "online/updatecheck.h"
#include "platform/network.h"
#include "web/webprofile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <utility>

namespace app {

namespace {

class ProgramWindows : public EngineWindows
{
public:
    ~ProgramWindows() override
    {
        // The terms were not accepted: the main window made meanwhile was never shown.
        delete prepared_;
    }

    void Prepare(const base::ProgramPaths& paths, QWidget* splash,
                 QAbstractButton* checkButton) override
    {
        paths_ = paths;
        splash_ = splash;
        // This binary's own copy of the program-wide values, which the update check reads.
        Module1::SetProgramValues();
        // The library is only read here, and anything wrong with it is still met, and told,
        // by the main window's load.
        if (QFileInfo::exists(paths_.libraryFile))
            earlyLibrary_ =
                std::make_unique<library::EarlyOpen>(paths_.libraryFile, library::LibraryPassword);
        // The engine starts first: its first profile settles how it draws, before any view.
        web::WebProfile();
        QTimer::singleShot(0, splash, [this] { PrepareMainWindow(); });
        if (!platform::networkPresence().hasNetwork())
            return;
        checkButton->show();
        updatePage_ = new QWebEnginePage(web::WebProfile(), splash);
        updatePage_->setObjectName(QStringLiteral("WebBrowser1"));
        auto* check = new online::UpdateCheck(updatePage_, splash);
        QObject::connect(checkButton, &QAbstractButton::clicked, check, &online::UpdateCheck::run);
        check->start();
    }

    QWidget* ShowMainWindow() override
    {
        Frmscripts* main = std::exchange(prepared_, nullptr);
        if (!main) {
            main = new Frmscripts(paths_);
            main->setAttribute(Qt::WA_DeleteOnClose);
        }
        if (!main->Form_Load(std::move(earlyLibrary_))) {
            delete main;
            return nullptr;
        }
        // Closing the main window ends the program, whatever other window is open.
        QObject::connect(main, &Frmscripts::unloaded, qApp, [] {
            QApplication::closeAllWindows();
            QCoreApplication::quit();
        });
        if (splash_)
            QObject::connect(main, &Frmscripts::unloaded, splash_, &QObject::deleteLater);
        mainWindow_ = main;
        main->show();
        return main;
    }

    Frmscripts* MainWindow() const override { return mainWindow_; }
    QWebEnginePage* UpdatePage() const override { return updatePage_; }

private:
    void PrepareMainWindow()
    {
        if (prepared_ || mainWindow_ || !splash_ || !splash_->isVisible())
            return;
        prepared_ = new Frmscripts(paths_);
        prepared_->setAttribute(Qt::WA_DeleteOnClose);
        // The page pane starts its page now, an empty one as it shows before any node is
        // clicked; left to the first show, it would hold the window back.
        prepared_->explorador()->page()->setUrl(QUrl(QStringLiteral("about:blank")));
    }

    base::ProgramPaths paths_;
    QPointer<QWidget> splash_;
    std::unique_ptr<library::EarlyOpen> earlyLibrary_;
    // Made while the terms are read, hidden, and shown only once they are accepted.
    Frmscripts* prepared_ = nullptr;
    QPointer<Frmscripts> mainWindow_;
    QPointer<QWebEnginePage> updatePage_;
};

} // namespace

std::unique_ptr<EngineWindows> MakeEngineWindows(QString*)
{
    return std::make_unique<ProgramWindows>();
}

} // namespace app
