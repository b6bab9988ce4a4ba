#pragma once

#include <QDialog>

class QWebEngineView;
class QWidget;

// The sponsor banner, shown modally by the main window's timer: the product's home page
// with a network, a small generated page of the sponsor without one.
class Frmpublicidad : public QDialog
{
    Q_OBJECT

public:
    explicit Frmpublicidad(QWidget* parent = nullptr);

    QWebEngineView* web_publicidad = nullptr;

private:
    bool WriteBannerPage();
    void Load();
};

namespace online {
// One tick of the main window's timer: shows the banner modally over `owner` when the
// schedule says so, and starts counting again once it is closed.
void ShowBannerOnTick(QWidget* owner);
} // namespace online
