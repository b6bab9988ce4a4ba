#include "backup.h"

#include "database.h"
#include "libraryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace library {

namespace {

const QString BackupFolderName = QStringLiteral("copias");
// A copy is written under this name first and renamed when whole, so that a full disk or a
// killed process never leaves a copy that looks complete.
const QString PartialSuffix = QStringLiteral(".partial");
constexpr qint64 StalePartialSeconds = 600;

const QRegularExpression& backupName()
{
    static const QRegularExpression re(
        QStringLiteral("^scripts-(\\d{8})-(\\d{6})(?:-(\\d+))?\\.mdb$"));
    return re;
}

// Date, time and the number within the second: the order in which copies were made.
struct BackupKey
{
    QString stamp;
    int number = 1;
    QString name;
    bool operator<(const BackupKey& o) const
    {
        return stamp != o.stamp ? stamp < o.stamp : number < o.number;
    }
};

QString freeName(const QDir& folder, const QDateTime& when)
{
    const QString base =
        QStringLiteral("scripts-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(folder.filePath(name)); ++n)
        name = base + QStringLiteral("-%1.mdb").arg(n);
    return name;
}

// Partial copies left by a process that was killed while copying.
void removeStalePartials(const QDir& folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo& f : folder.entryInfoList({QStringLiteral(".scripts-*") + PartialSuffix},
                                                   QDir::Files | QDir::Hidden)) {
        if (f.lastModified().secsTo(now) > StalePartialSeconds)
            QFile::remove(f.filePath());
    }
}

// The library's bytes as they stand, under its read lock: the same key and salt, nothing
// decrypted and encrypted again, one sync at the end. A library whose latest changes sit in a
// write-ahead log is copied page by page by the engine instead.
base::Result writeCopy(Database& db, const QString& path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return base::Result::failure(out.errorString());
    bool wrote = true;
    const bool whole = db.readFileBytes([&](const char* data, qint64 size) {
        wrote = out.write(data, size) == size;
        return wrote;
    });
    if (!whole) {
        out.close();
        QFile::remove(path);
        Database copy = Database::create(path, LibraryPassword);
        db.copyTo(copy);
        return base::Result::success();
    }
    if (!wrote || ::fsync(out.handle()) != 0)
        return base::Result::failure(out.error() != QFileDevice::NoError
                                         ? out.errorString()
                                         : QString::fromLocal8Bit(std::strerror(errno)));
    return base::Result::success();
}

base::Result failed(const QString& folder, const QString& reason)
{
    return base::Result::failure(
        QStringLiteral("No se pudo hacer la copia de seguridad de la biblioteca en «%1»: %2")
            .arg(folder, reason));
}

} // namespace

QString BackupFolderOf(const QString& libraryPath)
{
    return QFileInfo(libraryPath).absoluteDir().filePath(BackupFolderName);
}

QStringList BackupsIn(const QString& folder)
{
    std::vector<BackupKey> keys;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = backupName().match(name);
        if (m.hasMatch())
            keys.push_back(BackupKey{m.captured(1) + m.captured(2),
                                     m.captured(3).isEmpty() ? 1 : m.captured(3).toInt(), name});
    }
    std::sort(keys.begin(), keys.end());
    QStringList names;
    for (const BackupKey& k : keys)
        names.append(k.name);
    return names;
}

base::Result BackupLibrary(Database& db, const QString& libraryPath, const QDateTime& when,
                           int keep)
{
    const QString folderPath = BackupFolderOf(libraryPath);
    if (!QDir().mkpath(folderPath))
        return failed(folderPath, QStringLiteral("no se puede crear la carpeta."));
    const QDir folder(folderPath);
    removeStalePartials(folder);
    const QString name = freeName(folder, when);
    const QString partial =
        folder.filePath(QStringLiteral(".%1.%2%3").arg(name).arg(::getpid()).arg(PartialSuffix));
    QFile::remove(partial);
    try {
        if (const base::Result written = writeCopy(db, partial); !written) {
            QFile::remove(partial);
            return failed(folderPath, written.message());
        }
    } catch (const DatabaseError& e) {
        QFile::remove(partial);
        return failed(folderPath, e.message());
    }
    QFile renamed(partial);
    if (!renamed.rename(folder.filePath(name))) {
        const QString reason = renamed.errorString();
        QFile::remove(partial);
        return failed(folderPath, reason);
    }
    const QStringList copies = BackupsIn(folderPath);
    for (qsizetype i = 0; i + keep < copies.size(); ++i)
        QFile::remove(folder.filePath(copies.at(i)));
    return base::Result::success();
}

ChangeBackup::ChangeBackup(QString libraryPath, Report report)
    : libraryPath_(std::move(libraryPath)), report_(std::move(report))
{
}

void ChangeBackup::beforeChange(Database& db)
{
    if (made_)
        return;
    made_ = true;
    const base::Result result = BackupLibrary(db, libraryPath_);
    if (!result && report_)
        report_(result.message() +
                QStringLiteral("\nLos cambios se guardan igualmente, sin esa copia."));
}

} // namespace library
