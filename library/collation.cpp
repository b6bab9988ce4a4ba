#include "collation.h"

#include "sqlcipher.h"

#include <QCollator>
#include <QLocale>

namespace library {

namespace {

const QCollator& spanishCollator()
{
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Spanish, QLocale::Spain)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

int compareUtf8(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return CompareNames(QString::fromUtf8(static_cast<const char*>(a), lengthA),
                        QString::fromUtf8(static_cast<const char*>(b), lengthB));
}

} // namespace

int CompareNames(const QString& a, const QString& b)
{
    const int order = spanishCollator().compare(a, b);
    if (order != 0)
        return order < 0 ? -1 : 1;
    // Names the collator holds equal still need one fixed order.
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool RegisterNameCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, NameCollation, SQLITE_UTF8, nullptr, compareUtf8,
                                       nullptr) == SQLITE_OK;
}

} // namespace library
