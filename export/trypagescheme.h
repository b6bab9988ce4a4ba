#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace exporting {

// Registers the scheme a tried page is served under. To be called before the web engine starts
// (before its first profile is used), as the engine requires of every scheme of a program's own.
void RegisterTryPageScheme();

// Serves one page as the export would write it, under an address whose path is the page's own
// path, so that its relative addresses reach the page's folder as in a browser. Files are only
// read, never written: the page's own address gets the prepared bytes; a related file of the
// script, under "resources/" beside the page, comes from the library, as the export would copy
// it; anything else is the file on disk.
class TryPageSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static const QByteArray Scheme;

    TryPageSchemeHandler(QString libraryResources, QObject* parent);

    // The page to serve from now on, with the names of the script's related files.
    void setPage(const QString& pagePath, const QByteArray& bytes, const QStringList& relatedFiles);
    QUrl pageUrl() const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString fileFor(const QString& path) const;

    QString libraryResources_;
    QString pagePath_;
    QByteArray bytes_;
    QStringList relatedFiles_;
};

} // namespace exporting
