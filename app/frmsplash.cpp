#include "frmsplash.h"

#include "app/frmcondiciones.h"
#include "base/module1.h"
#include "browser/twips.h"
#include "platform/messagebox.h"
#include "platform/waitcursor.h"
#include "rtfreader.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <utility>

namespace {
constexpr int NetworkStepFallbackMs = 1000;
} // namespace

frmsplash::frmsplash(app::EngineWindowsSource engine, QWidget* parent)
    : QWidget(parent), engineSource_(std::move(engine))
{
    setObjectName(QStringLiteral("frmsplash"));
    setWindowTitle(QStringLiteral("Korvalis"));
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

frmsplash::~frmsplash() = default;

QWebEnginePage* frmsplash::WebBrowser1() const
{
    return engine_ ? engine_->UpdatePage() : nullptr;
}

Frmscripts* frmsplash::MainWindow() const
{
    return engine_ ? engine_->MainWindow() : nullptr;
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
    PrepareEngineWindows();
}

void frmsplash::PrepareEngineWindows()
{
    networkTested_ = true;
    // Drawn by Qt's SVG module, which the terms need not wait for.
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvalis.svg")));
    // The windows that need the web engine, and the engine with them, come now, while the
    // terms are read.
    QString error;
    engine_ = engineSource_(&error);
    if (!engine_) {
        platform::inform(this, QMessageBox::Information, QStringLiteral("Error"),
                         QStringLiteral("Falta algun fichero de instalacion de Korvalis.\n"
                                        "No podrá continuar\n\n") +
                             error);
        close();
        QCoreApplication::exit(1);
        return;
    }
    engine_->Prepare(paths_, this, Command3_);
}

void frmsplash::Command1_Click()
{
    close();
}

void frmsplash::Command2_Click()
{
    // Accepted before the terms were ever painted: the engine comes now.
    if (!networkTested_)
        PrepareEngineWindows();
    if (!engine_)
        return;
    {
        WaitCursor wait;
        QWidget* main = engine_->ShowMainWindow();
        if (!main) {
            close();
            QCoreApplication::exit(1);
            return;
        }
        // Unloaded once the main window has drawn itself: taking the update page down
        // meanwhile would hold that drawing back.
        main->installEventFilter(this);
        mainWindow_ = main;
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
