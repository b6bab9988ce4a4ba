#include "version.h"

#include "buildinfo.h"

namespace online {

ProgramVersion CurrentProgramVersion()
{
    return ProgramVersion{KORVALIS_VERSION_MAJOR, KORVALIS_VERSION_MINOR, KORVALIS_VERSION_PATCH};
}

namespace {

std::optional<int> TwoDigits(const QString& text, int at)
{
    const QChar high = text.at(at);
    const QChar low = text.at(at + 1);
    if (high < QLatin1Char('0') || high > QLatin1Char('9') || low < QLatin1Char('0') ||
        low > QLatin1Char('9'))
        return std::nullopt;
    return (high.unicode() - '0') * 10 + (low.unicode() - '0');
}

} // namespace

std::optional<ProgramVersion> ParseOfferedVersion(const QString& text)
{
    if (text.size() != 8)
        return std::nullopt;
    const auto major = TwoDigits(text, 0);
    const auto minor = TwoDigits(text, 3);
    const auto revision = TwoDigits(text, 6);
    if (!major || !minor || !revision)
        return std::nullopt;
    return ProgramVersion{*major, *minor, *revision};
}

UpdateLevel CompareVersions(const ProgramVersion& program, const ProgramVersion& offered)
{
    if (program.major < offered.major)
        return UpdateLevel::Mayor;
    if (program.minor < offered.minor)
        return UpdateLevel::Menor;
    if (program.revision < offered.revision)
        return UpdateLevel::Revision;
    return UpdateLevel::None;
}

QString UpdatePrompt(UpdateLevel level)
{
    const QString question = QStringLiteral("\r\n¿Desea bajarsela?");
    switch (level) {
    case UpdateLevel::Mayor:
        return QStringLiteral("Existe una nueva versión de Korvalis") + question;
    case UpdateLevel::Menor:
        return QStringLiteral("Existe una nueva actualización de Korvalis") + question;
    case UpdateLevel::Revision:
        return QStringLiteral("Existe una revisión de Korvalis") + question;
    case UpdateLevel::None:
        break;
    }
    return QString();
}

UpdateLevel LevelFromName(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("mayor"))
        return UpdateLevel::Mayor;
    if (lower == QLatin1String("menor"))
        return UpdateLevel::Menor;
    if (lower == QLatin1String("revision"))
        return UpdateLevel::Revision;
    return UpdateLevel::None;
}

QString DownloadKey(UpdateLevel level)
{
    switch (level) {
    case UpdateLevel::Mayor:
        return QStringLiteral("download_mayor");
    case UpdateLevel::Menor:
        return QStringLiteral("download_menor");
    case UpdateLevel::Revision:
        return QStringLiteral("download_revision");
    case UpdateLevel::None:
        break;
    }
    return QString();
}

std::optional<QUrl> OpenableDownload(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    return url;
}

} // namespace online
