#pragma once

#include <QWidget>

class QTextBrowser;

// The terms of use, shown again on request from the main window.
class frmcondiciones : public QWidget
{
    Q_OBJECT

public:
    explicit frmcondiciones(QWidget* parent = nullptr);

    // Loads "licencia.rtf" afresh. False, after telling the user, when it cannot be read.
    bool Form_Load();

private:
    QTextBrowser* RichText_;
};
