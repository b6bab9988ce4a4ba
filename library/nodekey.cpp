#include "nodekey.h"

namespace library {

QString categoryKey(qint64 id)
{
    return QString::number(id) + QLatin1Char('C');
}

QString scriptKey(qint64 id)
{
    return QString::number(id) + QLatin1Char('S');
}

bool isRootKey(const QString& key)
{
    return key == RootKey;
}

NodeKind nodeKindOfKey(const QString& key)
{
    if (key.isEmpty())
        return NodeKind::None;
    switch (key.back().unicode()) {
    case 'C':
        return NodeKind::Category;
    case 'S':
        return NodeKind::Script;
    default:
        return NodeKind::None;
    }
}

qint64 idOfKey(const QString& key)
{
    bool ok = false;
    const qint64 id = QStringView(key).chopped(key.isEmpty() ? 0 : 1).toLongLong(&ok);
    return ok ? id : -1;
}

} // namespace library
