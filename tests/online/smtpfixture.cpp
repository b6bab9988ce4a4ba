#include "smtpfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// The Debian package installs the module for the system interpreter.
QString PythonWithAiosmtpd()
{
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return candidate;
    }
    return QString();
}

} // namespace

quint16 SmtpFixture::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

SmtpFixture::SmtpFixture()
{
    if (QStandardPaths::findExecutable(QStringLiteral("msmtp")).isEmpty()) {
        unavailable_ = QStringLiteral("msmtp is not installed (Debian package msmtp)");
        return;
    }
    const QString python = PythonWithAiosmtpd();
    if (python.isEmpty()) {
        unavailable_ =
            QStringLiteral("aiosmtpd is not installed (Debian package python3-aiosmtpd)");
        return;
    }
    port_ = FreePort();
    for (const char* sub : {"mail/tmp", "mail/new", "mail/cur"})
        QDir(dir_.path()).mkpath(QString::fromLatin1(sub));
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(python, {QStringLiteral("-m"), QStringLiteral("aiosmtpd"), QStringLiteral("-n"),
                           QStringLiteral("-l"), QStringLiteral("127.0.0.1:%1").arg(port_),
                           QStringLiteral("-c"), QStringLiteral("aiosmtpd.handlers.Mailbox"),
                           dir_.filePath(QStringLiteral("mail"))});
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        if (socket.waitForConnected(500))
            return;
        if (server_.state() == QProcess::NotRunning)
            break;
        QTest::qWait(100);
    }
    unavailable_ = QStringLiteral("the SMTP server did not start on port %1").arg(port_);
}

SmtpFixture::~SmtpFixture()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.kill();
        server_.waitForFinished(5000);
    }
}

QString SmtpFixture::writeConfig(quint16 port) const
{
    const QString path = dir_.filePath(QStringLiteral("msmtprc-%1").arg(port));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("account default\nhost 127.0.0.1\nport " + QByteArray::number(port) +
                   "\nfrom usuario@korvalis.example\nauth off\ntls off\n");
        file.close();
    }
    // msmtp refuses a configuration others can read.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

QStringList SmtpFixture::mailCommand(quint16 port) const
{
    return {QStandardPaths::findExecutable(QStringLiteral("msmtp")), QStringLiteral("-C"),
            writeConfig(port ? port : port_), QStringLiteral("-t"), QStringLiteral("-i")};
}

QList<QByteArray> SmtpFixture::waitForMessages(int count, int timeoutMs) const
{
    const QDir box(dir_.filePath(QStringLiteral("mail/new")));
    QElapsedTimer clock;
    clock.start();
    QFileInfoList files;
    do {
        files = box.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
        if (files.size() >= count)
            break;
        QTest::qWait(100);
    } while (clock.elapsed() < timeoutMs);
    QList<QByteArray> messages;
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly))
            messages.append(file.readAll());
    }
    return messages;
}
