#pragma once

#include "base/result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace library {

class Database;

// Copies of the library sit in a folder `copias` beside it, one file a copy named by the
// local date and time it was made (scripts-AAAAMMDD-HHMMSS.mdb, a "-N" after the time when
// several are made in one second); only the newest are kept.
inline constexpr int BackupsKept = 10;

QString BackupFolderOf(const QString& libraryPath);
// The copies in `folder`, oldest first; other files there are not copies and stay.
QStringList BackupsIn(const QString& folder);

// Copies the library open on `db` (whose file is `libraryPath`) into its copies folder,
// with the same key, as one consistent snapshot; then removes all but the newest `keep`.
// The library itself is never written. A failure leaves no partial copy and says why in
// Spanish.
base::Result BackupLibrary(Database& db, const QString& libraryPath,
                           const QDateTime& when = QDateTime::currentDateTime(),
                           int keep = BackupsKept);

// The copy made before the first change of a run of the program. Its failure never stops
// the change: it is told once through `report`, and the change goes ahead.
class ChangeBackup
{
public:
    using Report = std::function<void(const QString& message)>;
    ChangeBackup(QString libraryPath, Report report);

    // Before any change: a copy the first time only.
    void beforeChange(Database& db);

private:
    QString libraryPath_;
    Report report_;
    bool made_ = false;
};

} // namespace library
