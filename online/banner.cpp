#include "banner.h"

#include "base/files.h"

#include <QDir>

namespace online {

bool BannerSchedule::tick(bool userBusy)
{
    if (showing_ || userBusy)
        return false;
    if (count_ < limit_) {
        ++count_;
        return false;
    }
    showing_ = true;
    return true;
}

void BannerSchedule::closed()
{
    showing_ = false;
    count_ = 0;
}

QByteArray BannerPage(const QString& shopUrl)
{
    QString line;
    line += QStringLiteral("<html>");
    line += QStringLiteral("<head>");
    line += QStringLiteral("    <title>Korvalis</title>");
    line += QStringLiteral("</head>");
    line += QStringLiteral("<body leftmargin=0 marginwidth=0 topmargin=0 marginheigt=0 >");
    line += QStringLiteral("<table border=0 align=center >");
    line += QStringLiteral("<tr><td align=center><b>");
    line += QStringLiteral("<font face='verdana' color='0000ff'>");
    line += QStringLiteral("Visite nuestro Patrocinador</font></b></td></tr>");
    line += QStringLiteral("<tr><td align=center>");
    line += QStringLiteral("<a href='") + shopUrl + QStringLiteral("' target='_blank'>");
    line += QStringLiteral(
        "<img src='banner3.gif' border=0 alt='Tindaro, Tu tienda virtual en solo 1 Hora'></a>");
    line += QStringLiteral("</td></tr></table>");
    line += QStringLiteral("</body>");
    line += QStringLiteral("</html>");
    return line.toUtf8() + "\r\n";
}

bool WriteBannerPage(const QString& folder, const QString& shopUrl)
{
    return files::WriteWhole(QDir(folder).filePath(QStringLiteral("banner.html")),
                             BannerPage(shopUrl));
}

} // namespace online
