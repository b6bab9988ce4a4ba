#pragma once

#include <QWidget>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// A window that a previewed script opens (window.open, a link to a new window): a web view
// in a top-level window of the program, sized as the script asked, closed by the script's
// window.close() or by the user (Escape, Ctrl+W). It shares its opener's profile and opens its own
// windows the same way.
class PopupWindow : public QWidget
{
    Q_OBJECT

public:
    PopupWindow(QWebEngineProfile* profile, QWidget* owner);

    QWebEnginePage* page() const;
    // The size (and place, when given) that the script asked for, kept on the screen.
    void ApplyRequestedGeometry(const QRect& requested);

    QWebEngineView* view() const { return view_; }

private:
    QWebEngineView* view_ = nullptr;
};

namespace popups {

// The page's requests for new windows open windows of the program, owned by `owner`; the
// page itself never navigates away for them.
void OpenNewWindowsInProgram(QWebEnginePage* page, QWidget* owner);
// The page's links to new windows open in the user's browser through the shell; only http
// and https addresses leave the program, and no window of the program opens.
void OpenNewWindowsInUsersBrowser(QWebEnginePage* page);

} // namespace popups
