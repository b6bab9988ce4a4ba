#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

class CategoryTree;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPoint;
class QTimer;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class SearchResults;

namespace library {
class LibraryStore;
}

// The search box above the category tree: as the user types, the scripts that hold every
// word take the tree's place, each under its category path, with their count. Down or
// Enter picks the first of them, as do a click or the keys in the results; Escape, or an
// empty box, brings the whole tree back. Ctrl+F puts the caret in the box.
class SearchBox : public QObject
{
    Q_OBJECT

public:
    using StoreAccess = std::function<library::LibraryStore*()>;
    using TreeAccess = std::function<CategoryTree*()>;

    SearchBox(QWidget* panel, QTreeWidget* tree, StoreAccess store, TreeAccess categories);

    // Places the box and its count, in twips, and the results where the tree is.
    void Place(const QRect& box, const QRect& count);
    // "12 scripts", "1 script", "Ningún script".
    static QString CountText(int found);
    bool IsSearching() const { return searching_; }
    // What the box says while the library's search index is being built.
    static const QString PreparingText;
    // Reads ahead what the first search needs, so that the first keystroke costs what the
    // others do; called once the tree is whole, the box does it again itself after each
    // change to the tree and as it takes the focus. A failure waits to be reported by the
    // search itself.
    void PrepareSearch();

    QLineEdit* Text_buscar() const { return Text_buscar_; }
    QLabel* Label_encontrados() const { return Label_encontrados_; }
    // In the tree's place while a search is shown.
    QTreeView* Tree_resultados() const { return Tree_resultados_; }

Q_SIGNALS:
    // The user chose this node of the category tree among the results.
    void resultPicked(QTreeWidgetItem* node);
    // The user asked for the menu of this node among the results.
    void resultMenuRequested(QTreeWidgetItem* node, const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createResultsView(QWidget* panel);
    void Search();
    void ShowAll();
    void PickFirst();
    void resultBecameCurrent(const QModelIndex& index);
    void resultClicked(const QModelIndex& index);
    void treeChanged(bool nodesGoing);
    void showCount(const QString& text, const QString& why = {});
    // Whether the search can run; while the library's index is being built the box says so
    // and looks again every so often, searching for what was typed once it can.
    bool followReadiness(library::LibraryStore* store);
    void readinessChanged();

    QLineEdit* Text_buscar_;
    QLabel* Label_encontrados_;
    QTreeView* Tree_resultados_;
    QTreeWidget* tree_;
    StoreAccess store_;
    TreeAccess categories_;
    SearchResults* results_;
    QTimer* readiness_;
    // The best of the scripts shown now, for Enter and Down.
    qint64 firstId_ = 0;
    // The result last picked because it became current, until the next click.
    QTreeWidgetItem* pickedOnChange_ = nullptr;
    int countMargin_ = 0;
    bool searching_ = false;
    bool filling_ = false;
    bool settingCurrent_ = false;
    // The window asked for the search to be ready (its tree is whole).
    bool prepared_ = false;
    bool afterChangeQueued_ = false;
};
