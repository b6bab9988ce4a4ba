#include "database.h"

#include "base/systemerror.h"
#include "collation.h"
#include "sqlcipher.h"

#include <QFile>
#include <algorithm>

namespace library {

DatabaseError::DatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace {
// The problem behind an engine's result code; for a failed read or write of the file, the one
// of the system's error number.
syserror::Problem problemOf(int code, int systemErrno)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return syserror::Problem::LibraryInUse;
    case SQLITE_FULL:
        return syserror::Problem::DiskFull;
    case SQLITE_READONLY:
        return systemErrno != 0 ? syserror::OfErrno(systemErrno)
                                : syserror::Problem::LibraryReadOnly;
    case SQLITE_PERM:
        return syserror::Problem::PermissionDenied;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return syserror::OfErrno(systemErrno);
    default:
        return syserror::Problem::Other;
    }
}

QString engineMessage(int code, int systemErrno, const QString& engineText)
{
    return syserror::Describe(problemOf(code, systemErrno), engineText);
}

QString engineMessage(sqlite3* db)
{
    return engineMessage(sqlite3_extended_errcode(db), sqlite3_system_errno(db),
                         QString::fromUtf8(sqlite3_errmsg(db)));
}

// The engine's lock bytes start at 1 GiB into the file, on a page of their own.
qint64 lockBytePage(qint64 pageSize)
{
    constexpr qint64 PendingByte = 0x40000000;
    return PendingByte / pageSize + 1;
}
} // namespace

Statement::Statement(sqlite3* db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr) != SQLITE_OK)
        fail();
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_)
{
    other.stmt_ = nullptr;
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::fail() const
{
    throw DatabaseError(engineMessage(db_));
}

Statement& Statement::bind(int index, qint64 value)
{
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bindUtf8(int index, const QByteArray& utf8)
{
    if (sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_STATIC) !=
        SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bind(int index, const QString& value)
{
    int rc;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        const QByteArray utf8 = value.toUtf8();
        rc = sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        fail();
    return *this;
}

bool Statement::next()
{
    switch (sqlite3_step(stmt_)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        fail();
    }
}

void Statement::run()
{
    while (next()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!data)
        return QString();
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
}

QByteArray Statement::blob(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return QByteArray(data, data ? sqlite3_column_bytes(stmt_, column) : 0);
}

QByteArrayView Statement::bytes(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return QByteArrayView(data, data ? sqlite3_column_bytes(stmt_, column) : 0);
}

Database Database::open(const QString& path, const QByteArray& key, int lockWaitMs)
{
    return openWithFlags(path, key, SQLITE_OPEN_READWRITE, lockWaitMs);
}

Database Database::create(const QString& path, const QByteArray& key)
{
    if (QFile::exists(path))
        throw DatabaseError(QStringLiteral("El fichero ya existe: %1").arg(path));
    return openWithFlags(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, LockWaitMs);
}

Database Database::openReadOnly(const QString& path, const QByteArray& key, int lockWaitMs)
{
    return openWithFlags(path, key, SQLITE_OPEN_READONLY, lockWaitMs);
}

Database Database::openWithFlags(const QString& path, const QByteArray& key, int flags,
                                 int lockWaitMs)
{
    sqlite3* handle = nullptr;
    // A connection is used by one thread at a time: the engine's own locking around every
    // call is not needed, and costs a search of many rows a few milliseconds.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                                   flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Database db(handle);
    if (rc != SQLITE_OK)
        throw DatabaseError(engineMessage(handle));
    // Before the key: checking it is the first read, which may meet a writer's lock.
    db.setLockWait(lockWaitMs);
    db.applyKey(key);
    db.configure();
    return db;
}

void Database::setLockWait(int ms)
{
    sqlite3_busy_timeout(db_, ms);
}

void Database::applyKey(const QByteArray& key)
{
    if (sqlite3_key(db_, key.constData(), int(key.size())) != SQLITE_OK)
        throw DatabaseError(engineMessage(db_));
    // Files are written in the 3.x format; a 4.x engine reads and writes them only in
    // compatibility mode.
    Statement version = prepare("PRAGMA cipher_version");
    if (version.next() && version.text(0).startsWith(QLatin1Char('4')))
        execute("PRAGMA cipher_compatibility = 3");
}

void Database::configure()
{
    // Reading the schema is the first real use of the key: a wrong key fails here.
    execute("SELECT count(*) FROM sqlite_master");
    // The file may live in a synced folder: keep the classic rollback journal, fully synced.
    if (!sqlite3_db_readonly(db_, "main"))
        execute("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL;");
    if (!RegisterNameCollation(db_))
        throw DatabaseError(engineMessage(db_));
}

Database::Database(Database&& other) noexcept : db_(other.db_)
{
    other.db_ = nullptr;
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

Database::~Database()
{
    sqlite3_close_v2(db_);
}

void Database::execute(const QByteArray& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message =
            engineMessage(sqlite3_extended_errcode(db_), sqlite3_system_errno(db_),
                          QString::fromUtf8(error ? error : sqlite3_errmsg(db_)));
        sqlite3_free(error);
        throw DatabaseError(message);
    }
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

QString Database::fileName() const
{
    return QFile::decodeName(sqlite3_db_filename(db_, "main"));
}

bool Database::isReadOnly() const
{
    return sqlite3_db_readonly(db_, "main") == 1;
}

qint64 Database::totalChanges() const
{
    return sqlite3_total_changes(db_);
}

void Database::copyTo(Database& target)
{
    sqlite3_backup* backup = sqlite3_backup_init(target.db_, "main", db_, "main");
    if (!backup)
        throw DatabaseError(engineMessage(target.db_));
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw DatabaseError(engineMessage(stepped, 0, QString::fromUtf8(sqlite3_errstr(stepped))));
    if (finished != SQLITE_OK)
        throw DatabaseError(engineMessage(target.db_));
}

bool Database::readFileBytes(const std::function<bool(const char*, qint64)>& write)
{
    if (!sqlite3_get_autocommit(db_))
        throw DatabaseError(QStringLiteral("la biblioteca está en medio de un cambio"));
    ReadSnapshot view(*this);
    // The first read takes the shared lock, after rolling back a journal left by a crash.
    Statement lock = prepare("SELECT count(*) FROM sqlite_master");
    lock.run();
    Statement mode = prepare("PRAGMA main.journal_mode");
    if (mode.next() && mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return false;
    Statement size = prepare("PRAGMA main.page_size");
    size.next();
    const qint64 pageSize = size.int64(0);
    Statement count = prepare("PRAGMA main.page_count");
    count.next();
    const qint64 pageCount = count.int64(0);
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        throw DatabaseError(QStringLiteral("no se puede leer el fichero de la biblioteca"));
    // The page that holds the file's lock bytes never holds data, and some systems refuse to
    // read locked bytes: it is written as zeros.
    const qint64 lockPage = lockBytePage(pageSize);
    constexpr qint64 PagesAtOnce = 256;
    QByteArray buffer(int(pageSize * PagesAtOnce), Qt::Uninitialized);
    for (qint64 page = 1; page <= pageCount;) {
        qint64 n = std::min(PagesAtOnce, pageCount - page + 1);
        if (page == lockPage) {
            buffer.fill('\0', int(pageSize));
            n = 1;
        } else {
            if (page < lockPage && page + n > lockPage)
                n = lockPage - page;
            const int rc = file->pMethods->xRead(file, buffer.data(), int(n * pageSize),
                                                 (page - 1) * pageSize);
            if (rc != SQLITE_OK)
                throw DatabaseError(QString::fromUtf8(sqlite3_errstr(rc)));
        }
        if (!write(buffer.constData(), n * pageSize))
            return true;
        page += n;
    }
    return true;
}

ReadSnapshot::ReadSnapshot(Database& db) : db_(db)
{
    db_.execute("BEGIN DEFERRED");
}

ReadSnapshot::~ReadSnapshot()
{
    // Nothing was written: ending the read either way loses nothing.
    try {
        db_.execute("COMMIT");
    } catch (const DatabaseError&) {
        try {
            db_.execute("ROLLBACK");
        } catch (const DatabaseError&) {
        }
    }
}

LargeCache::LargeCache(Database& db) : db_(db)
{
    Statement cache = db_.prepare("PRAGMA cache_size");
    usual_ = cache.next() ? QByteArray::number(cache.int64(0)) : QByteArray("-2000");
    cache.reset();
    db_.execute("PRAGMA cache_size = -262144");
}

LargeCache::~LargeCache()
{
    try {
        db_.execute("PRAGMA cache_size = " + usual_);
    } catch (const DatabaseError&) {
    }
}

Transaction::Transaction(Database& db) : db_(db)
{
    db_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!done_) {
        try {
            db_.execute("ROLLBACK");
        } catch (const DatabaseError&) {
            // The engine already rolled back (for example after a full disk).
        }
    }
}

void Transaction::commit()
{
    db_.execute("COMMIT");
    done_ = true;
}

} // namespace library
