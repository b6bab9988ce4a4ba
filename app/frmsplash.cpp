#include "frmsplash.h"

#include "app/frmcondiciones.h"
#include "app/frmscripts.h"
#include "base/module1.h"
#include "browser/twips.h"
#include "library/earlyopen.h"
#include "library/libraryfile.h"
#include "online/updatecheck.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/waitcursor.h"
#include "rtfreader.h"
#include "web/webprofile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <utility>

namespace {
constexpr int NetworkStepFallbackMs = 1000;
} // namespace

frmsplash::frmsplash(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmsplash"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvalis.svg")));
    const int dpi = twips::dpiOf(this);
    setFixedSize(twips::toPixels(7185, dpi), twips::toPixels(3720, dpi));

    auto* Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setStyleSheet(
        QStringLiteral("QFrame { border: 1px solid #a3c1e0; background: #eef3f9; }"));
    twips::place(Shape1, 60, 60, 2700, 3600);

    Image1_ = new QLabel(this);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setAlignment(Qt::AlignCenter);
    Image1_->setAccessibleName(QStringLiteral("Logotipo de Korvalis"));
    twips::place(Image1_, 120, 240, 2580, 1800);

    auto* Label_version = new QLabel(QStringLiteral("Version: 1.0"), this);
    Label_version->setObjectName(QStringLiteral("Label_version"));
    Label_version->setAlignment(Qt::AlignCenter);
    twips::place(Label_version, 120, 2160, 2580, 255);

    RichText_ = new QTextBrowser(this);
    RichText_->setObjectName(QStringLiteral("RichText"));
    RichText_->setAccessibleName(QStringLiteral("Condiciones de uso"));
    twips::place(RichText_, 2880, 120, 4185, 2500);

    auto* Label1 = new QLabel(
        QStringLiteral("¿Acepta los terminos de licencia de uso de este software?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    twips::place(Label1, 2880, 2700, 4185, 375);

    Command2_ = new QPushButton(QStringLiteral("Si acepto"), this);
    Command2_->setObjectName(QStringLiteral("Command2"));
    twips::place(Command2_, 2880, 3180, 1455, 405);
    Command1_ = new QPushButton(QStringLiteral("No Acepto"), this);
    Command1_->setObjectName(QStringLiteral("Command1"));
    twips::place(Command1_, 4440, 3180, 1455, 405);
    Command3_ = new QPushButton(QStringLiteral("Verificar Actualizaciones"), this);
    Command3_->setObjectName(QStringLiteral("Command3"));
    twips::place(Command3_, 120, 2640, 2580, 405);

    connect(Command1_, &QPushButton::clicked, this, &frmsplash::Command1_Click);
    connect(Command2_, &QPushButton::clicked, this, &frmsplash::Command2_Click);
}

frmsplash::~frmsplash()
{
    // The terms were not accepted: the main window made meanwhile was never shown.
    delete prepared_;
}

bool frmsplash::Form_Load(const base::ProgramPaths& paths)
{
    paths_ = paths;
    Module1::SetProgramValues();
    const QString terms = paths_.file(TermsFileName);
    if (!QFileInfo::exists(terms)) {
        platform::inform(this, QMessageBox::Information, QStringLiteral("Error"),
                         QStringLiteral("Falta algun fichero de instalacion de Korvalis.\n"
                                        "No podrá continuar"));
        return false;
    }
    QString error;
    if (!app::readRtfFile(terms, RichText_->document(), &error)) {
        platform::inform(this, QMessageBox::Information, QStringLiteral("Error"),
                         error + QStringLiteral("\nNo podrá continuar"));
        return false;
    }
    RichText_->moveCursor(QTextCursor::Start);
    const QPixmap logo(paths_.file(QStringLiteral("logo.png")));
    if (!logo.isNull())
        Image1_->setPixmap(
            logo.scaled(Image1_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // The button appears once the network test has found a network.
    Command3_->hide();
    show();
    // Should the window never be painted, the check still runs.
    QTimer::singleShot(NetworkStepFallbackMs, this, &frmsplash::StartNetworkStep);
    return true;
}

void frmsplash::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // The web engine and the network wait until the terms are on screen.
    if (!networkStepQueued_) {
        networkStepQueued_ = true;
        QTimer::singleShot(0, this, &frmsplash::StartNetworkStep);
    }
}

void frmsplash::StartNetworkStep()
{
    if (networkTested_ || !isVisible())
        return;
    networkTested_ = true;
    // While the terms are read, the library's key is derived on a thread of its own and the
    // main window is made, hidden; the library is only read, and anything wrong with it is
    // still met, and told, by the main window's load.
    const QString& libraryPath = paths_.libraryFile;
    if (QFileInfo::exists(libraryPath))
        earlyLibrary_ = std::make_unique<library::EarlyOpen>(libraryPath, library::LibraryPassword);
    QTimer::singleShot(0, this, &frmsplash::PrepareMainWindow);
    if (!platform::networkPresence().hasNetwork()) {
        // No page is asked for, but the engine starts now, while the terms are read, rather
        // than after "Si acepto".
        web::WebProfile();
        return;
    }
    Command3_->show();
    WebBrowser1_ = new QWebEnginePage(web::WebProfile(), this);
    WebBrowser1_->setObjectName(QStringLiteral("WebBrowser1"));
    StartUpdateCheck();
}

void frmsplash::PrepareMainWindow()
{
    if (prepared_ || mainWindow_ || !isVisible())
        return;
    prepared_ = new Frmscripts(paths_);
    prepared_->setAttribute(Qt::WA_DeleteOnClose);
    // The page pane starts its page now, an empty one as it shows before any node is
    // clicked; left to the first show, it would hold the window back.
    prepared_->explorador()->page()->setUrl(QUrl(QStringLiteral("about:blank")));
}

void frmsplash::StartUpdateCheck()
{
    auto* check = new online::UpdateCheck(WebBrowser1_, this);
    connect(Command3_, &QPushButton::clicked, check, &online::UpdateCheck::run);
    check->start();
}

void frmsplash::Command1_Click()
{
    close();
}

void frmsplash::Command2_Click()
{
    {
        WaitCursor wait;
        Frmscripts* main = std::exchange(prepared_, nullptr);
        if (!main) {
            main = new Frmscripts(paths_);
            main->setAttribute(Qt::WA_DeleteOnClose);
        }
        if (!main->Form_Load(std::move(earlyLibrary_))) {
            delete main;
            close();
            QCoreApplication::exit(1);
            return;
        }
        // Closing the main window ends the program, whatever other window is open.
        connect(main, &Frmscripts::unloaded, qApp, [] {
            QApplication::closeAllWindows();
            QCoreApplication::quit();
        });
        connect(main, &Frmscripts::unloaded, this, &QObject::deleteLater);
        // Unloaded once the main window has drawn itself: taking the update page down
        // meanwhile would hold that drawing back.
        main->installEventFilter(this);
        mainWindow_ = main;
        main->show();
    }
    hide();
}

bool frmsplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mainWindow_ && event->type() == QEvent::Paint) {
        mainWindow_->removeEventFilter(this);
        deleteLater();
    }
    return QWidget::eventFilter(watched, event);
}
