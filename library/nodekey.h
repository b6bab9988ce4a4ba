#pragma once

#include <QString>

// Tree node keys: the root is "0C"; a category is its id followed by "C", a script its id
// followed by "S". The kind is the last character, the id all the rest.
namespace library {

enum class NodeKind { None = 0, Category = 1, Script = 2 };

inline const QString RootKey = QStringLiteral("0C");

QString categoryKey(qint64 id);
QString scriptKey(qint64 id);
bool isRootKey(const QString& key);
NodeKind nodeKindOfKey(const QString& key);
// The id part of a key; -1 when it is not a decimal number.
qint64 idOfKey(const QString& key);

} // namespace library
