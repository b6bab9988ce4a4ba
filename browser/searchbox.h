#pragma once

#include "treefilter.h"

#include <QObject>
#include <QRect>
#include <functional>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace library {
class LibraryStore;
}

// The search box above the category tree: as the user types, the tree shows only the
// scripts that hold every word, with their count. Down or Enter picks the first of them;
// Escape, or an empty box, brings the whole tree back. Ctrl+F puts the caret in the box.
class SearchBox : public QObject
{
    Q_OBJECT

public:
    using StoreAccess = std::function<library::LibraryStore*()>;

    // fillTree gives the tree every script's node before it is filtered.
    SearchBox(QWidget* panel, QTreeWidget* tree, StoreAccess store, std::function<void()> fillTree);

    // Places the box and its count, in twips.
    void Place(const QRect& box, const QRect& count);
    // "12 scripts", "1 script", "Ningún script".
    static QString CountText(int found);

    QLineEdit* Text_buscar;
    QLabel* Label_encontrados;

Q_SIGNALS:
    // The user chose this script node from the results.
    void resultPicked(QTreeWidgetItem* node);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Search();
    void PickFirst();
    void treeChanged();
    void showCount(const QString& text);

    QTreeWidget* tree_;
    StoreAccess store_;
    std::function<void()> fillTree_;
    TreeFilter filter_;
    qint64 first_ = 0;
    int countMargin_ = 0;
    bool researchQueued_ = false;
};
