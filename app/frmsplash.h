#pragma once

#include "app/enginewindows.h"
#include "base/programpaths.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;
class QWebEnginePage;
class Frmscripts;

// The start window: the terms of use, to be accepted at every start, and the update check.
// It needs no web engine itself: what does comes from `engine` once the terms are on screen.
class frmsplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmsplash(app::EngineWindowsSource engine, QWidget* parent = nullptr);
    ~frmsplash() override;

    // Sets the program-wide values and shows the terms of the program at `paths`. Once the
    // window is on screen the network test follows and, with a network, the check for a newer
    // version, which never holds the window back. False when the program cannot start (the
    // user was told).
    bool Form_Load(const base::ProgramPaths& paths);
    // The network test has run (and with a network the check has started).
    bool NetworkTested() const { return networkTested_; }

    // The terms of use.
    QTextBrowser* RichText() const { return RichText_; }
    // "Si acepto", "No Acepto" and the update check's button.
    QPushButton* Command2() const { return Command2_; }
    QPushButton* Command1() const { return Command1_; }
    QPushButton* Command3() const { return Command3_; }
    // The update-information page, never shown; made only when there is a network.
    QWebEnginePage* WebBrowser1() const;

    // The main window once the terms were accepted.
    Frmscripts* MainWindow() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Command1_Click();
    void Command2_Click();
    void StartNetworkStep();
    void PrepareEngineWindows();

    QLabel* Image1_;
    QTextBrowser* RichText_;
    QPushButton* Command2_;
    QPushButton* Command1_;
    QPushButton* Command3_;
    base::ProgramPaths paths_;
    app::EngineWindowsSource engineSource_;
    std::unique_ptr<app::EngineWindows> engine_;
    QWidget* mainWindow_ = nullptr;
    bool networkStepQueued_ = false;
    bool networkTested_ = false;
};
