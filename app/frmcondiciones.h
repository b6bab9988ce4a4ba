#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The file of the terms of use in the program folder.
inline const QString TermsFileName = QStringLiteral("licencia.rtf");

// The terms of use, shown again on request from the main window.
class frmcondiciones : public QWidget
{
    Q_OBJECT

public:
    explicit frmcondiciones(QWidget* parent = nullptr);

    // Loads the terms afresh from `termsFile`. False, after telling the user, when it cannot be
    // read.
    bool Form_Load(const QString& termsFile);

private:
    QTextBrowser* RichText_;
};
