#include "earlyopen.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace library {

namespace {

std::optional<EarlyOpen::Identity> identityOf(const QString& path)
{
    struct stat s;
    if (::stat(QFile::encodeName(path).constData(), &s) != 0 || !S_ISREG(s.st_mode))
        return std::nullopt;
    return EarlyOpen::Identity{qint64(s.st_dev), qint64(s.st_ino), qint64(s.st_size),
                               qint64(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec};
}

} // namespace

EarlyOpen::EarlyOpen(const QString& path, const QByteArray& key) : path_(path)
{
    if (QFileInfo::exists(path + QStringLiteral("-journal")) ||
        QFileInfo::exists(path + QStringLiteral("-wal")))
        return;
    thread_ = std::thread([this, key] {
        const std::optional<Identity> before = identityOf(path_);
        if (!before)
            return;
        try {
            // Never waits for another process's lock, so that leaving the program never
            // waits for it either; the main window then opens the file as usual.
            Database db = Database::open(path_, key, 0);
            db.setLockWait(Database::LockWaitMs);
            if (identityOf(path_) == before) {
                db_ = std::move(db);
                opened_ = before;
            }
        } catch (const DatabaseError&) {
            // The main window meets the error itself, and reports it.
        }
    });
}

EarlyOpen::~EarlyOpen()
{
    if (thread_.joinable())
        thread_.join();
}

std::optional<Database> EarlyOpen::take()
{
    if (thread_.joinable())
        thread_.join();
    std::optional<Database> db = std::move(db_);
    db_.reset();
    // A file put in its place meanwhile is opened anew; the connection holds the old one.
    if (!db || !(identityOf(path_) == opened_))
        return std::nullopt;
    return db;
}

} // namespace library
