#include "trypagescheme.h"

#include "base/module1.h"
#include "base/programpaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace exporting {

namespace {

// Every address has this host: a relative address cannot climb out of it into another origin.
const QString Host = QStringLiteral("pagina");
// Larger files are not served: no page needs them, and each is held in memory while served.
constexpr qint64 MaxServedBytes = qint64(256) * 1024 * 1024;

} // namespace

const QByteArray TryPageSchemeHandler::Scheme = QByteArrayLiteral("korvalis-prueba");

void RegisterTryPageScheme()
{
    QWebEngineUrlScheme scheme(TryPageSchemeHandler::Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Local files: pages from the web may not load them; the tried page loads its own.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                    QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

TryPageSchemeHandler::TryPageSchemeHandler(QString libraryResources, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), libraryResources_(std::move(libraryResources))
{
}

void TryPageSchemeHandler::setPage(const QString& pagePath, const QByteArray& bytes,
                                   const QStringList& relatedFiles)
{
    pagePath_ = QDir::cleanPath(QFileInfo(pagePath).absoluteFilePath());
    bytes_ = bytes;
    relatedFiles_ = relatedFiles;
}

QUrl TryPageSchemeHandler::pageUrl() const
{
    QUrl url;
    url.setScheme(QString::fromLatin1(Scheme));
    url.setHost(Host);
    url.setPath(QUrl::fromLocalFile(pagePath_).path());
    return url;
}

QString TryPageSchemeHandler::fileFor(const QString& path) const
{
    const QFileInfo asked(path);
    const QString name = asked.fileName();
    // The export copies the script's files over those beside the page.
    if (asked.absolutePath() ==
            QFileInfo(pagePath_).absolutePath() + QLatin1Char('/') + base::ResourcesFolderName &&
        relatedFiles_.contains(name) && Module1::IsBareFileName(name)) {
        const QString library = QDir(libraryResources_).filePath(name);
        if (QFileInfo(library).isFile())
            return library;
    }
    return path;
}

void TryPageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    if (url.host() != Host) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    QUrl local;
    local.setScheme(QStringLiteral("file"));
    local.setPath(url.path());
    const QString path = QDir::cleanPath(local.toLocalFile());
    auto* buffer = new QBuffer(job);
    if (path == pagePath_) {
        buffer->setData(bytes_);
        // No charset here: the page's own declaration holds, as when it is opened.
        job->reply(QByteArrayLiteral("text/html"), buffer);
        return;
    }
    const QString file = fileFor(path);
    QFile source(file);
    if (!QFileInfo(file).isFile() || QFileInfo(file).size() > MaxServedBytes ||
        !source.open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    buffer->setData(source.readAll());
    const QString type =
        QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension).name();
    job->reply(type.toLatin1(), buffer);
}

} // namespace exporting
