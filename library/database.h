#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace library {

// A failure of the database engine. Its text is the engine's own, for a message box.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// One prepared statement, owned by its caller. Values are always bound, never spliced
// into the text, so names with quotes are stored as they are.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1; a null QString binds SQL NULL.
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    // Text already in UTF-8, bound without a copy: it must outlive the statement's run.
    Statement& bindUtf8(int index, const QByteArray& utf8);

    // Steps once: true while there is a row to read.
    bool next();
    // Runs a statement that returns no rows.
    void run();
    // Ready to run again with new values.
    void reset();

    qint64 int64(int column) const;
    // A NULL column gives a null QString.
    QString text(int column) const;
    QByteArray blob(int column) const;
    // The column's bytes as the engine holds them, without a copy: valid until the next step.
    QByteArrayView bytes(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// The connection to one SQLCipher file. A statement that meets another process's lock waits
// for it a few seconds before it fails with "database is locked".
class Database
{
public:
    // Another process writing the file (a second copy of the program, the export command)
    // holds its lock for milliseconds; a statement waits this long for it before it fails.
    static constexpr int LockWaitMs = 5000;

    // Opens an existing file with its key; throws DatabaseError when the file cannot be
    // opened or the key does not open it (a wrong key and a damaged file look the same), or
    // when another process holds it locked longer than `lockWaitMs`.
    static Database open(const QString& path, const QByteArray& key, int lockWaitMs = LockWaitMs);
    // Creates a new, empty keyed file; an existing file is an error.
    static Database create(const QString& path, const QByteArray& key);
    // Opens an existing file for reading only: nothing of it is ever written, not even a
    // journal left beside it by a crash.
    static Database openReadOnly(const QString& path, const QByteArray& key,
                                 int lockWaitMs = LockWaitMs);

    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    ~Database();

    Statement prepare(const char* sql) { return Statement(db_, sql); }
    void setLockWait(int ms);
    // Runs one or more statements that return no rows (a schema, a seed).
    void execute(const QByteArray& sql);
    qint64 lastInsertId() const;
    // The file's path, as the engine opened it.
    QString fileName() const;
    // The engine opened the file for reading only (the file cannot be written).
    bool isReadOnly() const;
    // Rows changed by this connection since it was opened (triggers included).
    qint64 totalChanges() const;
    // Copies this database whole into `target`, one consistent snapshot even while other
    // connections read or write it; both must carry the same key.
    void copyTo(Database& target);
    // The file's own bytes (encrypted, salt and all) in one consistent state, handed to
    // `write` piece by piece in order while a read lock keeps other writers out; `write`
    // returns false to stop. Read through the engine's own handle on the file: opening the
    // file a second time and closing it would drop this process's locks on it. Returns false,
    // without calling `write`, when the file's latest state is not all in it (a write-ahead
    // log). Throws DatabaseError, also inside a transaction of this connection.
    bool readFileBytes(const std::function<bool(const char* data, qint64 size)>& write);

private:
    Database(sqlite3* db) : db_(db) {}
    static Database openWithFlags(const QString& path, const QByteArray& key, int flags,
                                  int lockWaitMs);
    void applyKey(const QByteArray& key);
    void configure();

    sqlite3* db_ = nullptr;
};

// One consistent view of the library for several reads, taken without blocking writers
// until it is read; the engine checks the file once instead of once a statement.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(Database& db);
    ReadSnapshot(const ReadSnapshot&) = delete;
    ~ReadSnapshot();

private:
    Database& db_;
};

// A page cache large enough for one big write (an import, an index filled at once): the pages
// it changes stay in memory until it commits, rather than being encrypted and written out,
// with a sync each time, as the usual cache overflows. The usual size comes back after it.
class LargeCache
{
public:
    explicit LargeCache(Database& db);
    LargeCache(const LargeCache&) = delete;
    ~LargeCache();

private:
    Database& db_;
    QByteArray usual_;
};

// Commits only when told to; anything else rolls back, so a half-done change never stays.
class Transaction
{
public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    ~Transaction();
    void commit();

private:
    Database& db_;
    bool done_ = false;
};

} // namespace library
