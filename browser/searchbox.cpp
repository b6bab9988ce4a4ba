#include "searchbox.h"

#include "categorytree.h"
#include "drophighlight.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "searchresults.h"
#include "twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <utility>

namespace {
const QString Placeholder = QStringLiteral("Buscar scripts");
// How often the box looks whether the index being built is whole.
constexpr int ReadinessCheckMs = 100;
} // namespace

const QString SearchBox::PreparingText = QStringLiteral("Preparando la búsqueda…");

SearchBox::SearchBox(QWidget* panel, QTreeWidget* tree, StoreAccess store, TreeAccess categories)
    : QObject(panel), tree_(tree), store_(std::move(store)), categories_(std::move(categories)),
      results_(new SearchResults(tree, this)), readiness_(new QTimer(this))
{
    readiness_->setInterval(ReadinessCheckMs);
    connect(readiness_, &QTimer::timeout, this, &SearchBox::readinessChanged);
    Text_buscar_ = new QLineEdit(panel);
    Text_buscar_->setObjectName(QStringLiteral("Text_buscar"));
    Text_buscar_->setPlaceholderText(Placeholder);
    Text_buscar_->setAccessibleName(QStringLiteral("Buscar scripts"));
    Text_buscar_->setClearButtonEnabled(false);
    Text_buscar_->installEventFilter(this);

    // Drawn over the box's right end; clicks go through to the box.
    Label_encontrados_ = new QLabel(panel);
    Label_encontrados_->setObjectName(QStringLiteral("Label_encontrados"));
    Label_encontrados_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_encontrados_->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label_encontrados_->setForegroundRole(QPalette::PlaceholderText);

    createResultsView(panel);

    // Only while the browse panel (the box's container) is shown.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), Text_buscar_);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        Text_buscar_->setFocus(Qt::ShortcutFocusReason);
        Text_buscar_->selectAll();
    });
    connect(Text_buscar_, &QLineEdit::textChanged, this, &SearchBox::Search);
    connect(Text_buscar_, &QLineEdit::returnPressed, this, &SearchBox::PickFirst);

    // Saving, deleting or moving a script changes the tree (after the library): search
    // again. The results must let go of nodes about to go at once.
    QAbstractItemModel* model = tree_->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        // The tree's first nodes: the library is open, and its search may be preparing.
        if (!readiness_->isActive())
            followReadiness(store_());
        treeChanged(false);
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { treeChanged(true); });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { treeChanged(true); });
    // A node's text or mark (the current node) changed.
    connect(model, &QAbstractItemModel::dataChanged, this, [this] {
        if (searching_)
            Tree_resultados_->viewport()->update();
    });
}

void SearchBox::createResultsView(QWidget* panel)
{
    Tree_resultados_ = new QTreeView(panel);
    Tree_resultados_->setObjectName(QStringLiteral("Tree_resultados"));
    Tree_resultados_->setAccessibleName(QStringLiteral("Scripts encontrados"));
    Tree_resultados_->setModel(results_);
    CategoryTree::SetUpView(Tree_resultados_);
    Tree_resultados_->setItemDelegate(new DropHighlightDelegate(Tree_resultados_));
    Tree_resultados_->header()->setResizeContentsPrecision(0);
    Tree_resultados_->setContextMenuPolicy(Qt::CustomContextMenu);
    Tree_resultados_->installEventFilter(this);
    Tree_resultados_->hide();
    connect(Tree_resultados_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SearchBox::resultBecameCurrent);
    connect(Tree_resultados_, &QTreeView::clicked, this, &SearchBox::resultClicked);
    connect(
        Tree_resultados_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& pos) {
            if (QTreeWidgetItem* node = results_->NodeAt(Tree_resultados_->indexAt(pos)))
                Q_EMIT resultMenuRequested(node, Tree_resultados_->viewport()->mapToGlobal(pos));
        });
}

QString SearchBox::CountText(int found)
{
    if (found == 0)
        return QStringLiteral("Ningún script");
    if (found == 1)
        return QStringLiteral("1 script");
    return QStringLiteral("%1 scripts").arg(found);
}

void SearchBox::Place(const QRect& box, const QRect& count)
{
    twips::place(Text_buscar_, box);
    twips::place(Label_encontrados_, count);
    Label_encontrados_->raise();
    // The tree was placed first; a hidden tree's place is kept all the same.
    Tree_resultados_->setGeometry(tree_->geometry());
    const int countLeft = twips::toPixels(count.left() - box.left(), twips::dpiOf(Text_buscar_));
    countMargin_ = qMax(0, Text_buscar_->width() - countLeft);
    showCount(Label_encontrados_->text());
}

void SearchBox::showCount(const QString& text, const QString& why)
{
    // The count has the box's right end only: a reason (the engine's own words, of any
    // length) is told on pointing at the box, and to screen readers.
    const QString whole = why.isEmpty() ? text : QStringLiteral("%1: %2").arg(text, why);
    Label_encontrados_->setText(text);
    Label_encontrados_->setAccessibleName(whole);
    if (why.isEmpty() && !Text_buscar_->toolTip().isEmpty() && QToolTip::isVisible())
        QToolTip::hideText();
    Text_buscar_->setToolTip(why.isEmpty() ? QString() : whole);
    // Typed text stops short of the count; the placeholder has the whole box.
    Text_buscar_->setTextMargins(0, 0, text.isEmpty() ? 0 : countMargin_, 0);
}

void SearchBox::Search()
{
    const QStringList words = library::SearchWords(Text_buscar_->text());
    library::LibraryStore* store = store_();
    CategoryTree* categories = categories_();
    if (words.isEmpty() || !store || !categories) {
        ShowAll();
        return;
    }
    if (!followReadiness(store)) {
        showCount(QStringLiteral("Preparando…"));
        return;
    }
    std::vector<qint64> ids;
    try {
        ids = store->searchScripts(words);
    } catch (const library::DatabaseError& e) {
        showCount(QStringLiteral("No se puede buscar"), e.message());
        return;
    }
    {
        // The nodes this adds are no change to search again for.
        const QScopedValueRollback filling(filling_, true);
        categories->FillAll();
    }
    // Best first: Enter picks the first. The results follow the tree's order: the same
    // scripts found in another order are the same results, and stay where the person
    // scrolled them to.
    const SearchResults::Shown shown = results_->Show(ids);
    firstId_ = shown.firstId;
    if (!shown.changed)
        return;
    pickedOnChange_ = nullptr;
    // Unfolded before it is shown, so that showing it lays its rows out once.
    Tree_resultados_->expandAll();
    if (!searching_) {
        // In the tree's place: the keys, the mouse and the tab order go to the results.
        searching_ = true;
        Tree_resultados_->setGeometry(tree_->geometry());
        Tree_resultados_->show();
        // Hiding the focused tree would hand the focus on to the box, selecting what is typed.
        if (tree_->hasFocus())
            Tree_resultados_->setFocus();
        tree_->hide();
    }
    showCount(CountText(shown.scripts));
}

bool SearchBox::followReadiness(library::LibraryStore* store)
{
    const bool preparing =
        store && store->searchReadiness() == library::LibraryStore::SearchReadiness::Preparing;
    Text_buscar_->setPlaceholderText(preparing ? PreparingText : Placeholder);
    if (!preparing)
        readiness_->stop();
    else if (!readiness_->isActive())
        readiness_->start();
    return !preparing;
}

void SearchBox::readinessChanged()
{
    if (!followReadiness(store_()))
        return;
    if (prepared_)
        PrepareSearch();
    Search();
}

void SearchBox::PrepareSearch()
{
    prepared_ = true;
    results_->ReadShape();
    library::LibraryStore* store = store_();
    try {
        if (store)
            store->readSearchAhead();
    } catch (const library::DatabaseError&) {
        // The search itself reports it, when there is one.
    }
}

void SearchBox::ShowAll()
{
    firstId_ = 0;
    showCount(QString());
    if (!searching_)
        return;
    searching_ = false;
    pickedOnChange_ = nullptr;
    const bool hadFocus = Tree_resultados_->hasFocus();
    tree_->show();
    Tree_resultados_->hide();
    results_->Clear();
    if (QTreeWidgetItem* current = tree_->currentItem()) {
        for (QTreeWidgetItem* p = current->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree_->scrollToItem(current);
    }
    if (hadFocus)
        tree_->setFocus();
}

void SearchBox::PickFirst()
{
    CategoryTree* categories = categories_();
    QTreeWidgetItem* node = categories && firstId_ ? categories->ScriptNode(firstId_) : nullptr;
    if (!node)
        return;
    Q_EMIT resultPicked(node);
    {
        const QScopedValueRollback setting(settingCurrent_, true);
        Tree_resultados_->setCurrentIndex(results_->IndexOf(node));
    }
    Tree_resultados_->setFocus();
}

void SearchBox::resultBecameCurrent(const QModelIndex& index)
{
    QTreeWidgetItem* node = results_->NodeAt(index);
    if (settingCurrent_ || !node)
        return;
    pickedOnChange_ = node;
    Q_EMIT resultPicked(node);
}

void SearchBox::resultClicked(const QModelIndex& index)
{
    QTreeWidgetItem* node = results_->NodeAt(index);
    if (!node)
        return;
    if (library::nodeKindOfKey(CategoryTree::KeyOf(node)) != library::NodeKind::Script)
        Tree_resultados_->setExpanded(index, !Tree_resultados_->isExpanded(index));
    // The press of this click made the node current and showed it.
    if (std::exchange(pickedOnChange_, nullptr) != node)
        Q_EMIT resultPicked(node);
}

void SearchBox::treeChanged(bool nodesGoing)
{
    if (filling_ || (!searching_ && !prepared_))
        return;
    if (searching_ && nodesGoing) {
        pickedOnChange_ = nullptr;
        results_->Clear();
    }
    if (afterChangeQueued_)
        return;
    // Once the change is complete (nodes are still being moved or deleted now): search
    // again, or read again what the next search reads while the window is idle, rather than
    // at the next keystroke.
    afterChangeQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        afterChangeQueued_ = false;
        if (searching_)
            Search();
        else
            PrepareSearch();
    });
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    // A search is about to be typed: what the library's last changes made stale is read
    // now, not at the first keystroke.
    if (watched == Text_buscar_ && event->type() == QEvent::FocusIn && prepared_)
        PrepareSearch();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == Text_buscar_ && key == Qt::Key_Down) {
            PickFirst();
            return true;
        }
        if (key == Qt::Key_Escape && (watched == Text_buscar_ || watched == Tree_resultados_) &&
            !Text_buscar_->text().isEmpty()) {
            Text_buscar_->clear();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
