#pragma once

#include "export/pageedit.h"
#include "tests/support/scriptbuilder.h"

#include <QDir>
#include <QFileInfo>

// The sample library, where the clock also names a file the library lacks, a snow script with
// a file of its own, and a site folder.
struct SiteFixture
{
    TempProgramFolder folder;
    SampleLibrary lib{folder};
    qint64 nieve = ScriptBuilder(QStringLiteral("Nieve"))
                       .in(lib.relojes)
                       .type(lib.efecto)
                       .head(QStringLiteral("<script>nieve()</script>"))
                       .file(QStringLiteral("copo.png"), "PNG copo")
                       .addTo(folder);
    QTemporaryDir site;

    SiteFixture()
    {
        folder.addFile(lib.reloj, QStringLiteral("falta.png"));
        folder.closeLibrary();
    }
    QString path(const QString& relative) const { return site.filePath(relative); }
    // A page holding old head blocks of the scripts, as an earlier export left them.
    QString page(const QString& relative, const QList<qint64>& ids) const
    {
        QByteArray page = "<html><head></head>";
        for (const qint64 id : ids)
            page += "\n" + exporting::headBeginMarker(id) + "\nviejo()\n" +
                    exporting::headEndMarker(id) + "\n";
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        TempProgramFolder::writeFile(path(relative), page + "<body>\n</body></html>\n");
        return path(relative);
    }
};
