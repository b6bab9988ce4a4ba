#pragma once

#include "database.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <thread>

namespace library {

// Opens the library on a thread of its own while the person is still busy with something else
// (reading the terms), so that deriving the key, most of the cost of opening, is done by the
// time the connection is needed. It only reads: a file with a rollback journal beside it (left
// by a crash, which a read-write connection would replay at its first read) is not touched.
class EarlyOpen
{
public:
    EarlyOpen(const QString& path, const QByteArray& key);
    // Waits for the thread.
    ~EarlyOpen();
    EarlyOpen(const EarlyOpen&) = delete;
    EarlyOpen& operator=(const EarlyOpen&) = delete;

    // The connection, to the thread that asks, when it opened and the path still names the
    // file it opened; none otherwise, and the caller opens the file itself, meeting any error
    // as it would have without this.
    std::optional<Database> take();

    // What tells one file from another that replaced it at the same path.
    struct Identity
    {
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        bool operator==(const Identity& o) const
        {
            return device == o.device && inode == o.inode && size == o.size &&
                   modifiedNs == o.modifiedNs;
        }
    };

private:
    QString path_;
    std::optional<Database> db_;
    std::optional<Identity> opened_;
    std::thread thread_;
};

} // namespace library
