#include "searchbox.h"

#include "library/librarystore.h"
#include "twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>

SearchBox::SearchBox(QWidget* panel, QTreeWidget* tree, StoreAccess store,
                     std::function<void()> fillTree)
    : QObject(panel), tree_(tree), store_(std::move(store)), fillTree_(std::move(fillTree)),
      filter_(tree)
{
    Text_buscar = new QLineEdit(panel);
    Text_buscar->setObjectName(QStringLiteral("Text_buscar"));
    Text_buscar->setPlaceholderText(QStringLiteral("Buscar scripts"));
    Text_buscar->setAccessibleName(QStringLiteral("Buscar scripts"));
    Text_buscar->setClearButtonEnabled(false);
    Text_buscar->installEventFilter(this);

    // Drawn over the box's right end; clicks go through to the box.
    Label_encontrados = new QLabel(panel);
    Label_encontrados->setObjectName(QStringLiteral("Label_encontrados"));
    Label_encontrados->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_encontrados->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label_encontrados->setForegroundRole(QPalette::PlaceholderText);

    // Only while the browse panel (the box's container) is shown.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), Text_buscar);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        Text_buscar->setFocus(Qt::ShortcutFocusReason);
        Text_buscar->selectAll();
    });
    connect(Text_buscar, &QLineEdit::textChanged, this, &SearchBox::Search);
    connect(Text_buscar, &QLineEdit::returnPressed, this, &SearchBox::PickFirst);

    // Saving, deleting or moving a script changes the tree (after the library): search again.
    QAbstractItemModel* model = tree_->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &SearchBox::treeChanged);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &SearchBox::treeChanged);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &SearchBox::treeChanged);
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
    twips::place(Text_buscar, box);
    twips::place(Label_encontrados, count);
    Label_encontrados->raise();
    const int countLeft = twips::toPixels(count.left() - box.left(), twips::dpiOf(Text_buscar));
    countMargin_ = qMax(0, Text_buscar->width() - countLeft);
    showCount(Label_encontrados->text());
}

void SearchBox::showCount(const QString& text)
{
    Label_encontrados->setText(text);
    Label_encontrados->setAccessibleName(text);
    // Typed text stops short of the count; the placeholder has the whole box.
    Text_buscar->setTextMargins(0, 0, text.isEmpty() ? 0 : countMargin_, 0);
}

void SearchBox::Search()
{
    const QStringList words = library::SearchWords(Text_buscar->text());
    first_ = 0;
    library::LibraryStore* store = store_();
    if (words.isEmpty() || !store) {
        filter_.ShowAll();
        showCount(QString());
        return;
    }
    std::vector<qint64> ids;
    try {
        ids = store->searchScripts(words);
    } catch (const library::DatabaseError& e) {
        showCount(QStringLiteral("No se puede buscar: %1").arg(e.message()));
        return;
    }
    fillTree_();
    filter_.ShowOnly(ids);
    if (!ids.empty())
        first_ = ids.front();
    showCount(CountText(int(ids.size())));
}

void SearchBox::PickFirst()
{
    if (QTreeWidgetItem* node = first_ ? filter_.ScriptNode(first_) : nullptr)
        Q_EMIT resultPicked(node);
}

void SearchBox::treeChanged()
{
    filter_.Invalidate();
    if (!filter_.IsFiltering() || researchQueued_)
        return;
    // Once the change is complete: nodes are still being moved or deleted now.
    researchQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        researchQueued_ = false;
        Search();
    });
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text_buscar && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down) {
            PickFirst();
            return true;
        }
        if (key == Qt::Key_Escape && !Text_buscar->text().isEmpty()) {
            Text_buscar->clear();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
