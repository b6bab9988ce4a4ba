#pragma once

#include "base/programpaths.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;
class QWebEnginePage;
class Frmscripts;
namespace library {
class EarlyOpen;
} // namespace library

// The start window: the terms of use, to be accepted at every start, and the update check.
class frmsplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmsplash(QWidget* parent = nullptr);
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
    QWebEnginePage* WebBrowser1() const { return WebBrowser1_; }

    // The main window once the terms were accepted.
    Frmscripts* MainWindow() const { return mainWindow_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Command1_Click();
    void Command2_Click();
    void StartNetworkStep();
    void PrepareMainWindow();
    void StartUpdateCheck();

    QLabel* Image1_;
    QTextBrowser* RichText_;
    QPushButton* Command2_;
    QPushButton* Command1_;
    QPushButton* Command3_;
    QWebEnginePage* WebBrowser1_ = nullptr;
    base::ProgramPaths paths_;
    Frmscripts* mainWindow_ = nullptr;
    // Made while the terms are read, hidden, and shown only once they are accepted.
    Frmscripts* prepared_ = nullptr;
    std::unique_ptr<library::EarlyOpen> earlyLibrary_;
    bool networkStepQueued_ = false;
    bool networkTested_ = false;
};
