#include "httpfixture.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

HttpFixture::HttpFixture()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void HttpFixture::setPage(const QString& path, const QByteArray& body, int delayMs)
{
    Page page;
    page.body = body;
    page.delayMs = delayMs;
    pages_.insert(path, page);
}

QUrl HttpFixture::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void HttpFixture::serve(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", buffer);
    if (!buffer.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QString path =
        requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
    if (path != QLatin1String("/favicon.ico"))
        requested.append(path);

    const auto found = pages_.constFind(path);
    QByteArray response;
    int delay = 0;
    if (found == pages_.constEnd()) {
        response = "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n"
                   "Connection: close\r\n\r\nNot found";
    } else {
        delay = found->delayMs;
        response = "HTTP/1.0 200 OK\r\nContent-Type: " + found->contentType +
                   "\r\nContent-Length: " + QByteArray::number(found->body.size()) +
                   "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + found->body;
    }
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(delay, this, [guard, response] {
        if (!guard)
            return;
        guard->write(response);
        guard->disconnectFromHost();
    });
}
