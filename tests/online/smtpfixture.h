#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server on 127.0.0.1 (aiosmtpd, each message stored in a maildir) and a msmtp
// configuration that relays to it: the sendmail-compatible command the mail layer runs.
class SmtpFixture
{
public:
    SmtpFixture();
    ~SmtpFixture();

    // Empty when everything runs; otherwise why it cannot (for QSKIP).
    QString unavailable() const { return unavailable_; }
    quint16 port() const { return port_; }
    // "msmtp -C CONFIG -t -i", relaying to this server; `port` overrides the server's.
    QStringList mailCommand(quint16 port = 0) const;
    // The messages received so far, oldest first; waits up to `timeoutMs` for `count`.
    QList<QByteArray> waitForMessages(int count, int timeoutMs = 15000) const;

    static quint16 FreePort();

private:
    QString writeConfig(quint16 port) const;

    QTemporaryDir dir_;
    QProcess server_;
    quint16 port_ = 0;
    QString unavailable_;
};
