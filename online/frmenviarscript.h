#pragma once

#include "online/mapi.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace library {
class LibraryStore;
}

// Sends one script of the library to the maker by e-mail: its fields and related-file names
// in the text, the related files and its preview page as attachments.
class frmenviarscript : public QDialog
{
    Q_OBJECT

public:
    frmenviarscript(library::LibraryStore& cn, const QString& scriptId, QWidget* parent = nullptr);
    ~frmenviarscript() override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* boton_enviar = nullptr;
    online::MapiSession MapiSess;
    online::MapiMessages MapiMess;

    // Recipient handling: replaces the message's recipients with Module1::SubmissionAddress.
    online::MailResult CopyNamestoMsgBuffer(QWidget* Msg, qint16 fResolveNames);
    static online::MailResult KillRecips(online::MapiMessages& MsgControl);
    static online::MailResult SetRCList(const QString& NameList, online::MapiMessages& Msg,
                                        qint16 RCType, qint16 fResolveNames);
    static QString Token(QString& tmp, const QString& search);

public Q_SLOTS:
    void boton_enviar_Click();
    void done(int result) override;

private:
    void BuildControls();
    bool SendWithFilesLeftOut();
    online::MailResult ComposeMessage();
    void ShowFailure(const online::MailError& error);

    library::LibraryStore& cn_;
    QString scriptId_;
    online::MailResult signOn_;
};
