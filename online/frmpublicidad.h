#pragma once

#include <QDialog>

class QTimer;
class QWebEngineLoadingInfo;
class QWebEngineView;
class QWidget;

// The sponsor banner, shown modally by the main window's timer: the product's home page
// with a network, a small generated page of the sponsor without one, or when the site does
// not answer in time or answers with an error.
class Frmpublicidad : public QDialog
{
    Q_OBJECT

public:
    // The offline page is written into `programFolder`.
    explicit Frmpublicidad(const QString& programFolder, QWidget* parent = nullptr);

    // How long the site has to deliver its page before the offline page takes its place.
    static constexpr int SiteAnswerTimeoutMs = 4000;

    QWebEngineView* web_publicidad() const { return web_publicidad_; }

private:
    bool WriteBannerPage();
    void Load();
    void ShowOfflinePage();
    void siteLoadingChanged(const QWebEngineLoadingInfo& info);

    QWebEngineView* web_publicidad_ = nullptr;
    QString programFolder_;
    QTimer* siteTimeout_ = nullptr;
    bool waitingForSite_ = false;
};

namespace online {
// One tick of the main window's timer: shows the banner modally over `owner` when the
// schedule says so, and starts counting again once it is closed.
void ShowBannerOnTick(QWidget* owner, const QString& programFolder);
} // namespace online
