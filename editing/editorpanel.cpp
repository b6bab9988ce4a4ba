#include "editorpanel.h"

#include "base/programpaths.h"
#include "browser/twips.h"
#include "editing/categorypaths.h"
#include "editing/editormenu.h"
#include "editing/elidingcombo.h"
#include "editing/fieldrows.h"
#include "editing/relatedfiles.h"
#include "library/librarystore.h"
#include "qsci.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>

namespace editing {

namespace {

enum { PlainText, JavaScript, Html };
enum Tab { TabHead = 0, TabBody = 1, TabHtml = 2, TabComments = 3, TabFiles = 4 };

constexpr int ListLeft = 120, ListTop = 480;
constexpr int EditorLeft = 120, EditorTop = 480;
constexpr int TabsLeft = 240;
// Under the tabs, as under the tree of the browse panel: no empty strip at the foot.
constexpr int TabsFoot = 75;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& tw)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    twips::place(label, tw);
    return label;
}

QIcon iconOrNothing(const QString& path)
{
    // A missing picture leaves the button without an icon; it still works.
    return QFileInfo::exists(path) ? QIcon(path) : QIcon();
}

} // namespace

ScriptTabs::ScriptTabs(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tabscript"));
    page_ = new QFrame(this);
    page_->setFrameShape(QFrame::StyledPanel);
    bar_ = new QTabBar(this);
    bar_->setObjectName(QStringLiteral("tabscript_tabs"));
    bar_->setDrawBase(false);
    for (const char* caption :
         {"Script Head", "Script Body", "Script HTML", "Comentarios", "Ficheros"})
        bar_->addTab(QLatin1String(caption));
    bar_->setAccessibleName(QStringLiteral("Pestañas del Script"));
    previous_ = TabFiles;
    bar_->setCurrentIndex(TabFiles);
    connect(bar_, &QTabBar::currentChanged, this, [this](int) {
        const int previous = previous_;
        previous_ = bar_->currentIndex();
        Q_EMIT tabChanged(previous);
    });
}

int ScriptTabs::currentIndex() const
{
    return bar_->currentIndex();
}

void ScriptTabs::setCurrentIndex(int index)
{
    bar_->setCurrentIndex(index);
}

void ScriptTabs::resizeEvent(QResizeEvent*)
{
    const int barHeight = bar_->sizeHint().height();
    bar_->setGeometry(0, 0, width(), barHeight);
    page_->setGeometry(0, barHeight - 1, width(), std::max(0, height() - barHeight + 1));
    page_->lower();
}

EditorPanel::EditorPanel(const QString& resourcesFolder, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frame(2)"));
    createFields();
    createTabs();
    files_ = new RelatedFilesList(list_ficheros_, boton_borrar_fichero_, resourcesFolder, this);
    connect(boton_anadir_fichero_, &QToolButton::clicked, files_,
            &RelatedFilesList::boton_anadir_fichero_Click);
    connect(boton_borrar_fichero_, &QToolButton::clicked, files_,
            &RelatedFilesList::boton_borrar_fichero_Click);
    connect(tabscript_, &ScriptTabs::tabChanged, this, &EditorPanel::tabscript_Click);
    SetupFileListColumns();
    placeFieldRows();
    tabscript_Click(TabFiles);
}

EditorPanel::~EditorPanel() = default;

void EditorPanel::createFields()
{
    Label1_ = makeLabel(this, "Label1", tr("Nombre"), {120, 240, 1215, 255});
    Label3_ = makeLabel(this, "Label3", tr("Navegadores"), {120, 720, 1185, 255});
    Label2_ = makeLabel(this, "Label2", tr("Tipo"), {});
    Label4_ = makeLabel(this, "Label4", tr("Categoria"), {});

    Text_nombre_ = new QLineEdit(this);
    Text_nombre_->setObjectName(QStringLiteral("Text_nombre"));
    Text_navegador_ = new QLineEdit(this);
    Text_navegador_->setObjectName(QStringLiteral("Text_navegador"));

    // The lists offer existing entries only: the type is looked up again by its name, the
    // category kept by its id.
    list_tipo_ = new ElidingComboBox(this);
    list_tipo_->setObjectName(QStringLiteral("list_tipo"));
    list_categoria_ = new ElidingComboBox(this);
    list_categoria_->setObjectName(QStringLiteral("list_categoria"));

    const std::pair<QLabel*, QWidget*> captions[] = {{Label1_, Text_nombre_},
                                                     {Label3_, Text_navegador_},
                                                     {Label2_, list_tipo_},
                                                     {Label4_, list_categoria_}};
    for (const auto& [label, field] : captions) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
}

QsciScintilla* EditorPanel::makeEditor(const char* name, int lexerKind, const QString& caption)
{
    auto* editor = new QsciScintilla(tabscript_);
    editor->setObjectName(QLatin1String(name));
    editor->setAccessibleName(caption);
    editor->setUtf8(true);
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    editor->setFont(mono);
    QsciLexer* lexer = nullptr;
    if (lexerKind == JavaScript)
        lexer = new QsciLexerJavaScript(editor);
    else if (lexerKind == Html)
        lexer = new QsciLexerHTML(editor);
    if (lexer) {
        lexer->setDefaultFont(mono);
        lexer->setFont(mono);
        editor->setLexer(lexer);
    }
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    editor->setMarginsFont(mono);
    editor->setMarginWidth(0, QStringLiteral("00000"));
    // The editor's own menu gives way to the list of related files.
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    editor->viewport()->installEventFilter(this);
    editor->installEventFilter(this);
    return editor;
}

QToolButton* EditorPanel::makeFileButton(const char* name, const QString& icon, int top,
                                         const QString& action)
{
    auto* button = new QToolButton(tabscript_);
    button->setObjectName(QString::fromUtf8(name));
    button->setIcon(iconOrNothing(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(action);
    button->setAccessibleName(action);
    twips::place(button, 7200, top, 600, 600);
    return button;
}

void EditorPanel::createTabs()
{
    tabscript_ = new ScriptTabs(this);
    tabscriptTw_ = QRect(240, 1080, 7935, 3375);
    twips::place(tabscript_, tabscriptTw_);
    script_head_ = makeEditor("script_head", JavaScript, QStringLiteral("Script Head"));
    script_body_ = makeEditor("script_body", Html, QStringLiteral("Script Body"));
    script_html_ = makeEditor("script_html", Html, QStringLiteral("Script HTML"));
    script_ayuda_ = makeEditor("script_ayuda", PlainText, QStringLiteral("Comentarios"));
    for (QsciScintilla* editor : editors())
        twips::place(editor, EditorLeft, EditorTop, tabscriptTw_.width() - 240,
                     tabscriptTw_.height() - 600);

    list_ficheros_ = new QTreeWidget(tabscript_);
    list_ficheros_->setObjectName(QStringLiteral("list_ficheros"));
    list_ficheros_->setAccessibleName(QStringLiteral("Ficheros relacionados"));
    list_ficheros_->setRootIsDecorated(false);
    list_ficheros_->setSelectionMode(QAbstractItemView::SingleSelection);
    listTw_ = QRect(ListLeft, ListTop, 6855, 2655);
    twips::place(list_ficheros_, listTw_);

    boton_anadir_fichero_ = makeFileButton(
        "boton_añadir_fichero", QStringLiteral(":/icons/insertar.svg"), 600, tr("Añadir fichero"));
    boton_borrar_fichero_ = makeFileButton(
        "boton_borrar_fichero", QStringLiteral(":/icons/borrar.svg"), 1440, tr("Borrar fichero"));
}

QList<QsciScintilla*> EditorPanel::editors() const
{
    return {script_head_, script_body_, script_html_, script_ayuda_};
}

void EditorPanel::SetupFileListColumns()
{
    list_ficheros_->clear();
    list_ficheros_->setColumnCount(1);
    list_ficheros_->setHeaderLabels({QStringLiteral("Ficheros relacionados")});
    fitFileColumn();
}

void EditorPanel::fitFileColumn()
{
    // As wide as the list less 75 twips, but never wider than the list shows: an empty
    // list has no sideways scroll bar.
    const int designed =
        twips::toPixels(std::max(0, listTw_.width() - 75), twips::dpiOf(list_ficheros_));
    list_ficheros_->setColumnWidth(
        0, std::min(designed, list_ficheros_->maximumViewportSize().width()));
}

void EditorPanel::FillCategoryCombo(library::LibraryStore& store, const QString& id)
{
    list_categoria_->clear();
    for (const CategoryPath& category : CategoryPaths(store.categoriesByParent()))
        list_categoria_->addItem(category.path, category.id);
    const int wanted = list_categoria_->findData(id.toLongLong());
    list_categoria_->setCurrentIndex(wanted >= 0 ? wanted
                                                 : (list_categoria_->count() > 0 ? 0 : -1));
    placeFieldRows();
}

void EditorPanel::FillTypeCombo(library::LibraryStore& store, const QString& id)
{
    const qint64 wanted = id.toLongLong();
    list_tipo_->clear();
    for (const auto& row : store.typesByName()) {
        if (row.id == wanted)
            list_tipo_->insertItem(0, row.nombre);
        else
            list_tipo_->addItem(row.nombre);
    }
    list_tipo_->setCurrentIndex(list_tipo_->count() > 0 ? 0 : -1);
    placeFieldRows();
}

void EditorPanel::placeFieldRows()
{
    // The lists as wide as their longest entry needs; the boxes take the room left.
    const int dpi = twips::dpiOf(this);
    const int need =
        std::max(list_tipo_->wholeEntriesWidth(), list_categoria_->wholeEntriesWidth());
    const FieldRows rows =
        LayOutFieldRows(TabsLeft + tabscriptTw_.width(), twips::fromPixels(need, dpi));
    twips::place(Text_nombre_, rows.nombre);
    twips::place(Text_navegador_, rows.navegador);
    twips::place(Label2_, rows.tipoCaption);
    twips::place(Label4_, rows.categoriaCaption);
    twips::place(list_tipo_, rows.tipo);
    twips::place(list_categoria_, rows.categoria);
}

void EditorPanel::tabscript_Click(int /*previousTab*/)
{
    const int tab = tabscript_->currentIndex();
    if (tab == TabFiles) {
        listTw_ =
            QRect(ListLeft, ListTop, tabscriptTw_.width() - 1000, tabscriptTw_.height() - 600);
        twips::place(list_ficheros_, listTw_);
        fitFileColumn();
        for (QToolButton* button : {boton_anadir_fichero_, boton_borrar_fichero_}) {
            const QRect b = twips::geometryOf(button);
            twips::place(button, listTw_.left() + listTw_.width() + 100, b.top(), 600, 600);
        }
        list_ficheros_->show();
        boton_anadir_fichero_->show();
        boton_borrar_fichero_->show();
        for (QsciScintilla* editor : editors())
            editor->hide();
        boton_anadir_fichero_->setEnabled(true);
        boton_borrar_fichero_->setEnabled(false);
        return;
    }
    list_ficheros_->hide();
    boton_anadir_fichero_->hide();
    boton_borrar_fichero_->hide();
    const QList<QsciScintilla*> all = editors();
    for (int i = 0; i < all.size(); ++i)
        all[i]->setVisible(i == tab);
}

void EditorPanel::LayoutPanel()
{
    const QRect panel = twips::geometryOf(this);
    const int top = tabscriptTw_.top();
    tabscriptTw_ = QRect(TabsLeft, 1080, panel.width() - 500, panel.height() - top - TabsFoot);
    twips::place(tabscript_, tabscriptTw_);
    placeFieldRows();
    for (QsciScintilla* editor : editors())
        twips::place(editor, EditorLeft, EditorTop, tabscriptTw_.width() - 240,
                     tabscriptTw_.height() - 600);
    tabscript_Click(TabFiles + 1);
}

void EditorPanel::resizeEvent(QResizeEvent*)
{
    LayoutPanel();
}

void EditorPanel::ClearFields()
{
    Text_nombre_->clear();
    Text_navegador_->clear();
    for (QsciScintilla* editor : editors())
        editor->clear();
    files_->clear();
}

void EditorPanel::ShowScript(const library::Script& s)
{
    // A NULL field is shown as an empty text.
    Text_nombre_->setText(s.nombre);
    Text_navegador_->setText(s.navegadores);
    ShowTextsFromStart();
    script_head_->setText(s.scriptHead);
    script_body_->setText(s.scriptBody);
    script_html_->setText(s.scriptHtml);
    script_ayuda_->setText(s.scriptAyuda);
}

void EditorPanel::ShowTextsFromStart()
{
    for (QLineEdit* box : {Text_nombre_, Text_navegador_})
        box->setCursorPosition(0);
}

EditorContents EditorPanel::contents() const
{
    EditorContents c;
    c.nombre = Text_nombre_->text();
    c.navegadores = Text_navegador_->text();
    c.categoriaId = list_categoria_->currentData().toLongLong();
    c.tipo = list_tipo_->currentText();
    c.scriptHead = script_head_->text();
    c.scriptBody = script_body_->text();
    c.scriptHtml = script_html_->text();
    c.scriptAyuda = script_ayuda_->text();
    c.files = files_->names();
    return c;
}

void EditorPanel::OpenFileMenu(QsciScintilla* editor, int x, int y)
{
    EditorMenu::Open(editor, files_->names(), window(), x, y);
}

QsciScintilla* EditorPanel::editorOfViewport(QObject* watched) const
{
    for (QsciScintilla* editor : editors()) {
        if (watched == editor->viewport() || watched == editor)
            return editor;
    }
    return nullptr;
}

bool EditorPanel::eventFilter(QObject* watched, QEvent* event)
{
    QsciScintilla* editor = editorOfViewport(watched);
    if (!editor)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Escape is the window's "Cancelar" unless the editor shows a list of its own.
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
            !editor->isListActive() && !editor->isCallTipActive())
            return true;
    } else if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // The right button alone; the caret and selection stay where they are.
        if (mouse->button() == Qt::RightButton && mouse->buttons() == Qt::RightButton) {
            OpenFileMenu(editor);
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        // The menu key opens the same list at the caret; the mouse already had its menu.
        if (menuEvent->reason() == QContextMenuEvent::Keyboard) {
            const QPoint at = editor->viewport()->mapToGlobal(editor->viewport()->rect().topLeft() +
                                                              QPoint(20, 20));
            OpenFileMenu(editor, at.x(), at.y());
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace editing
