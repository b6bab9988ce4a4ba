#include "popupwindow.h"

#include "guardedpage.h"
#include "platform/shell.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineView>

namespace {

// The size of a window opened without features: a small browser window.
constexpr QSize DefaultSize(640, 480);
constexpr QSize SmallestSize(100, 100);

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

PopupWindow::PopupWindow(QWebEngineProfile* profile, QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("PopupWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Korvalis"));
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("popup_view"));
    view_->setAccessibleName(QStringLiteral("Ventana del script"));
    auto* page = new GuardedPage(profile, view_);
    view_->setPage(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(DefaultSize);

    connect(page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // Closed from the keyboard as a browser's window is.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    connect(page, &QWebEnginePage::geometryChangeRequested, this,
            &PopupWindow::ApplyRequestedGeometry);
    connect(page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title.isEmpty() ? QStringLiteral("Korvalis") : title);
    });
    popups::OpenNewWindowsInProgram(page, owner);
}

QWebEnginePage* PopupWindow::page() const
{
    return view_->page();
}

void PopupWindow::ApplyRequestedGeometry(const QRect& requested)
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QSize size = requested.size().isEmpty() ? this->size() : requested.size();
    size = size.expandedTo(SmallestSize).boundedTo(available.size());
    resize(size);
    // A script that gives no place leaves it to the system.
    if (!requested.topLeft().isNull()) {
        const QPoint at(std::clamp(requested.left(), available.left(),
                                   std::max(available.left(), available.right() - size.width())),
                        std::clamp(requested.top(), available.top(),
                                   std::max(available.top(), available.bottom() - size.height())));
        move(at);
    }
}

namespace popups {

void OpenNewWindowsInProgram(QWebEnginePage* page, QWidget* owner)
{
    QObject::connect(page, &QWebEnginePage::newWindowRequested, owner,
                     [page, owner](QWebEngineNewWindowRequest& request) {
                         auto* window = new PopupWindow(page->profile(), owner);
                         window->ApplyRequestedGeometry(request.requestedGeometry());
                         request.openIn(window->page());
                         window->show();
                     });
}

void OpenNewWindowsInUsersBrowser(QWebEnginePage* page)
{
    // The request is left unanswered, so no window opens in the program.
    QObject::connect(page, &QWebEnginePage::newWindowRequested, page,
                     [](QWebEngineNewWindowRequest& request) {
                         if (isWebAddress(request.requestedUrl()))
                             platform::shell().open(request.requestedUrl());
                     });
}

} // namespace popups
