#include "app/frmsplash.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvalis"));
    QApplication::setApplicationVersion(QStringLiteral(KORVALIS_VERSION_TEXT));

    // Standard buttons in Spanish: "Sí", "No", "Aceptar", "Cancelar".
    QTranslator qtStrings;
    if (qtStrings.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtStrings);

    auto* splash = new frmsplash();
    splash->setAttribute(Qt::WA_DeleteOnClose);
    if (!splash->Form_Load(QCoreApplication::applicationDirPath()))
        return 1;
    return QApplication::exec();
}
