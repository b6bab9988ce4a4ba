#pragma once

#include "online/banner.h"

#include <QDialog>
#include <QElapsedTimer>

class QPushButton;
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
    // Keys and clicks this soon after the banner shows were meant for the window below: they
    // are dropped, so that none follows the banner's link or closes it unseen.
    static constexpr int InputGraceMs = 500;

    QWebEngineView* web_publicidad() const { return web_publicidad_; }
    QPushButton* boton_cerrar() const { return boton_cerrar_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool WriteBannerPage();
    void Load();
    void ShowOfflinePage();
    void siteLoadingChanged(const QWebEngineLoadingInfo& info);

    QWebEngineView* web_publicidad_ = nullptr;
    QPushButton* boton_cerrar_ = nullptr;
    QString programFolder_;
    QTimer* siteTimeout_ = nullptr;
    bool waitingForSite_ = false;
    QElapsedTimer shownFor_;
};

namespace online {

// The banner on the main window's timer: each tick shows it modally over `owner` when the
// schedule says so and the user is not busy, and counting starts again once it is closed.
// The user is busy while another window of the program is modal or a menu is open, and for
// a moment after each key or button pressed in any of the program's windows.
class BannerTicks : public QObject
{
    Q_OBJECT

public:
    // The offline page is written into `programFolder`.
    BannerTicks(QWidget* owner, const QString& programFolder);
    void Tick();

    static constexpr int QuietAfterInputMs = 3000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool userIsBusy() const;

    QWidget* owner_;
    QString programFolder_;
    BannerSchedule schedule_;
    QElapsedTimer sinceInput_;
};

} // namespace online
