#pragma once

#include <QString>

// Every text of the window that tries a script in the user's page.
namespace exporting::trypage {

inline const QString MenuItem = QStringLiteral("Probar en mi página…");
inline const QString Title = QStringLiteral("Probar en mi página: %1");
inline const QString PageTab = QStringLiteral("Página");
inline const QString ChangesTab = QStringLiteral("Cambios");
inline const QString WriteButton = QStringLiteral("Escribir en la página");
inline const QString CloseButton = QStringLiteral("Cerrar");
inline const QString Shown =
    QStringLiteral("Así quedaría %1 con el script. Todavía no se ha escrito nada.");
inline const QString NoChanges =
    QStringLiteral("La página no cambiaría: ya tiene el script tal como se exportaría.");
inline const QString PageChanged =
    QStringLiteral("La página ha cambiado en el disco desde que se mostró; no se ha escrito "
                   "nada. Ahora se muestra el resultado con la página nueva.");
inline const QString NowRefused =
    QStringLiteral("La página ha cambiado en el disco desde que se mostró; no se ha escrito "
                   "nada. Ahora la exportación la rechaza:\n%1");

} // namespace exporting::trypage
