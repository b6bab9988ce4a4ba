#pragma once

#include <QWebEnginePage>

// A page that never shows the engine's own page for a server that cannot be found: any
// navigation whose address contains "dnserror" (exact case) is cancelled, and the engine's
// error pages are off, so the view keeps what it showed before. Generated pages are UTF-8.
class GuardedPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit GuardedPage(QObject* parent = nullptr);
    // A page of the given profile: a window that a page opens shares its opener's profile.
    GuardedPage(QWebEngineProfile* profile, QObject* parent);

    static bool IsBlockedAddress(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    void configure();
};
