#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

// A small HTTP server on 127.0.0.1 serving fixed pages, for tests that need a real site.
class HttpFixture : public QObject
{
    Q_OBJECT

public:
    struct Page
    {
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        int delayMs = 0;
    };

    HttpFixture();
    bool isListening() const { return server_.isListening(); }
    // Serves `body` at `path`; an unknown path gives 404.
    void setPage(const QString& path, const QByteArray& body, int delayMs = 0);
    QUrl url(const QString& path) const;
    // Paths requested so far, in order.
    QStringList requested;

private:
    void serve(QTcpSocket* socket);

    QTcpServer server_;
    QHash<QString, Page> pages_;
};
