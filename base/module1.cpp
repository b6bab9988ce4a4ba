#include "module1.h"

#include "buildinfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

namespace Module1 {

QString UpdateCheckUrl;
QString SiteUrl;
QString CompanyUrl;
QString SponsorShopUrl;
QString SubmissionAddress;
qint16 BannerTickCount = 0;
qint16 BannerTickLimit = 1;

void SetProgramValues()
{
    const QString site = QStringLiteral(KORVALIS_SITE);
    UpdateCheckUrl = site + QStringLiteral("/korvalis/downloads/version.asp");
    SiteUrl = site + QStringLiteral("/korvalis/index.asp");
    CompanyUrl = site + QStringLiteral("/");
    SponsorShopUrl = site + QStringLiteral("/tindaro/");
    SubmissionAddress = QStringLiteral("scripts@") + QUrl(site).host();
    BannerTickLimit = 1;
}

void SetSpanishLocale()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

bool InstallQtSpanishTranslation()
{
    static QTranslator qtStrings;
    if (!qtStrings.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtStrings);
}

bool IsBareFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        // Control characters and line breaks would start new lines in mail headers and pages.
        const QChar::Category category = c.category();
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || category == QChar::Other_Control ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

bool IsReadOnly(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !(QFile::permissions(path) & QFileDevice::WriteOwner);
}

bool ClearReadOnlyAttribute(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    const QFileDevice::Permissions permissions = QFile::permissions(path);
    if (permissions & QFileDevice::WriteOwner)
        return true;
    return QFile::setPermissions(path,
                                 permissions | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

} // namespace Module1
