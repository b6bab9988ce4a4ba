#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QTextBrowser;
class QWebEnginePage;
class Frmscripts;

// The start window: the terms of use, to be accepted at every start, and the update check.
class frmsplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmsplash(QWidget* parent = nullptr);
    ~frmsplash() override;

    // Sets the program-wide values for `programFolder`, shows the terms and, with a network,
    // checks for a newer version. False when the program cannot start (the user was told).
    bool Form_Load(const QString& programFolder);

    QLabel* Image1;
    QLabel* Label_version;
    QTextBrowser* RichText;
    QLabel* Label1;
    QPushButton* Command2;
    QPushButton* Command1;
    QPushButton* Command3;
    QFrame* Shape1;
    // The update-information page, never shown.
    QWebEnginePage* WebBrowser1;

    // The main window once the terms were accepted.
    Frmscripts* MainWindow() const { return mainWindow_; }

private:
    void Command1_Click();
    void Command2_Click();
    void StartUpdateCheck();

    Frmscripts* mainWindow_ = nullptr;
};
