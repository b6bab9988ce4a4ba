#include "guardedpage.h"

#include "webprofile.h"

#include <QWebEngineSettings>

GuardedPage::GuardedPage(QObject* parent) : QWebEnginePage(web::WebProfile(), parent)
{
    configure();
}

GuardedPage::GuardedPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    configure();
}

void GuardedPage::configure()
{
    settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
}

bool GuardedPage::IsBlockedAddress(const QUrl& url)
{
    return url.toString().contains(QLatin1String("dnserror"), Qt::CaseSensitive);
}

bool GuardedPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (IsBlockedAddress(url))
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
