#include "editorpanel.h"

#include "app/module1.h"
#include "browser/twips.h"
#include "export/popupcreator.h"
#include "export/relatedfiles.h"
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
// The two lists hold names as long as "Botones e imágenes cambiantes": they start closer to
// the text boxes than first designed and reach the right edge of the tabs.
constexpr int ListCaptionLeft = 3480, ComboLeft = 4440, ComboWidth = 3195;
constexpr int TabsLeft = 240;

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

EditorPanel::EditorPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frame(2)"));
    createFields();
    createTabs();
    files_ = new exporting::RelatedFilesList(list_ficheros, boton_borrar_fichero, this);
    connect(boton_anadir_fichero, &QToolButton::clicked, files_,
            &exporting::RelatedFilesList::boton_anadir_fichero_Click);
    connect(boton_borrar_fichero, &QToolButton::clicked, files_,
            &exporting::RelatedFilesList::boton_borrar_fichero_Click);
    connect(tabscript, &ScriptTabs::tabChanged, this, &EditorPanel::tabscript_Click);
    SetupFileListColumns();
    tabscript_Click(TabFiles);
}

EditorPanel::~EditorPanel() = default;

void EditorPanel::createFields()
{
    Label1 = makeLabel(this, "Label1", tr("Nombre"), {120, 240, 1215, 255});
    Label3 = makeLabel(this, "Label3", tr("Navegadores"), {120, 720, 1185, 255});
    Label2 = makeLabel(this, "Label2", tr("Tipo"), {ListCaptionLeft, 240, 855, 255});
    Label4 = makeLabel(this, "Label4", tr("Categoria"), {ListCaptionLeft, 720, 975, 255});

    Text_nombre = new QLineEdit(this);
    Text_nombre->setObjectName(QStringLiteral("Text_nombre"));
    twips::place(Text_nombre, 1320, 240, 2055, 285);
    Text_navegador = new QLineEdit(this);
    Text_navegador->setObjectName(QStringLiteral("Text_navegador"));
    twips::place(Text_navegador, 1320, 720, 2055, 285);

    // The lists offer existing names only: saving looks the name up again.
    list_tipo = new QComboBox(this);
    list_tipo->setObjectName(QStringLiteral("list_tipo"));
    twips::place(list_tipo, ComboLeft, 240, ComboWidth, 315);
    list_categoria = new QComboBox(this);
    list_categoria->setObjectName(QStringLiteral("list_categoria"));
    twips::place(list_categoria, ComboLeft, 720, ComboWidth, 315);

    const std::pair<QLabel*, QWidget*> captions[] = {{Label1, Text_nombre},
                                                     {Label3, Text_navegador},
                                                     {Label2, list_tipo},
                                                     {Label4, list_categoria}};
    for (const auto& [label, field] : captions) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
}

QsciScintilla* EditorPanel::makeEditor(const char* name, int lexerKind, const QString& caption)
{
    auto* editor = new QsciScintilla(tabscript);
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
    auto* button = new QToolButton(tabscript);
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
    tabscript = new ScriptTabs(this);
    tabscriptTw_ = QRect(240, 1080, 7935, 3375);
    twips::place(tabscript, tabscriptTw_);
    script_head = makeEditor("script_head", JavaScript, QStringLiteral("Script Head"));
    script_body = makeEditor("script_body", Html, QStringLiteral("Script Body"));
    script_html = makeEditor("script_html", Html, QStringLiteral("Script HTML"));
    script_ayuda = makeEditor("script_ayuda", PlainText, QStringLiteral("Comentarios"));
    for (QsciScintilla* editor : editors())
        twips::place(editor, EditorLeft, EditorTop, tabscriptTw_.width() - 240,
                     tabscriptTw_.height() - 600);

    list_ficheros = new QTreeWidget(tabscript);
    list_ficheros->setObjectName(QStringLiteral("list_ficheros"));
    list_ficheros->setAccessibleName(QStringLiteral("Ficheros relacionados"));
    list_ficheros->setRootIsDecorated(false);
    list_ficheros->setSelectionMode(QAbstractItemView::SingleSelection);
    listTw_ = QRect(ListLeft, ListTop, 6855, 2655);
    twips::place(list_ficheros, listTw_);

    boton_anadir_fichero = makeFileButton(
        "boton_añadir_fichero", QStringLiteral(":/icons/insertar.svg"), 600, tr("Añadir fichero"));
    boton_borrar_fichero = makeFileButton(
        "boton_borrar_fichero", QStringLiteral(":/icons/borrar.svg"), 1440, tr("Borrar fichero"));
}

QList<QsciScintilla*> EditorPanel::editors() const
{
    return {script_head, script_body, script_html, script_ayuda};
}

void EditorPanel::SetupFileListColumns()
{
    list_ficheros->clear();
    list_ficheros->setColumnCount(1);
    list_ficheros->setHeaderLabels({QStringLiteral("Ficheros relacionados")});
    fitFileColumn();
}

void EditorPanel::fitFileColumn()
{
    // As wide as the list less 75 twips, but never wider than the list shows: an empty
    // list has no sideways scroll bar.
    const int designed =
        twips::toPixels(std::max(0, listTw_.width() - 75), twips::dpiOf(list_ficheros));
    list_ficheros->setColumnWidth(0,
                                  std::min(designed, list_ficheros->maximumViewportSize().width()));
}

void EditorPanel::FillCategoryCombo(library::LibraryStore& store, const QString& id)
{
    const qint64 wanted = id.toLongLong();
    list_categoria->clear();
    for (const auto& row : store.categoriesByName()) {
        if (row.id == wanted)
            list_categoria->insertItem(0, row.nombre);
        else
            list_categoria->addItem(row.nombre);
    }
    list_categoria->setCurrentIndex(list_categoria->count() > 0 ? 0 : -1);
}

void EditorPanel::FillTypeCombo(library::LibraryStore& store, const QString& id)
{
    const qint64 wanted = id.toLongLong();
    list_tipo->clear();
    for (const auto& row : store.typesByName()) {
        if (row.id == wanted)
            list_tipo->insertItem(0, row.nombre);
        else
            list_tipo->addItem(row.nombre);
    }
    list_tipo->setCurrentIndex(list_tipo->count() > 0 ? 0 : -1);
}

void EditorPanel::tabscript_Click(int /*previousTab*/)
{
    const int tab = tabscript->currentIndex();
    if (tab == TabFiles) {
        listTw_ =
            QRect(ListLeft, ListTop, tabscriptTw_.width() - 1000, tabscriptTw_.height() - 600);
        twips::place(list_ficheros, listTw_);
        fitFileColumn();
        for (QToolButton* button : {boton_anadir_fichero, boton_borrar_fichero}) {
            const QRect b = twips::geometryOf(button);
            twips::place(button, listTw_.left() + listTw_.width() + 100, b.top(), 600, 600);
        }
        list_ficheros->show();
        boton_anadir_fichero->show();
        boton_borrar_fichero->show();
        for (QsciScintilla* editor : editors())
            editor->hide();
        boton_anadir_fichero->setEnabled(true);
        boton_borrar_fichero->setEnabled(false);
        return;
    }
    list_ficheros->hide();
    boton_anadir_fichero->hide();
    boton_borrar_fichero->hide();
    const QList<QsciScintilla*> all = editors();
    for (int i = 0; i < all.size(); ++i)
        all[i]->setVisible(i == tab);
}

void EditorPanel::LayoutPanel()
{
    const QRect panel = twips::geometryOf(this);
    const int top = tabscriptTw_.top();
    tabscriptTw_ = QRect(TabsLeft, 1080, panel.width() - 500, panel.height() - top - 200);
    twips::place(tabscript, tabscriptTw_);
    const int comboWidth = std::max(ComboWidth, TabsLeft + tabscriptTw_.width() - ComboLeft);
    twips::place(list_tipo, ComboLeft, 240, comboWidth, 315);
    twips::place(list_categoria, ComboLeft, 720, comboWidth, 315);
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
    Text_nombre->clear();
    Text_navegador->clear();
    for (QsciScintilla* editor : editors())
        editor->clear();
    files_->clear();
}

void EditorPanel::ShowScript(const library::Script& s)
{
    // A NULL field is shown as an empty text.
    Text_nombre->setText(s.nombre);
    Text_navegador->setText(s.navegadores);
    script_head->setText(s.scriptHead);
    script_body->setText(s.scriptBody);
    script_html->setText(s.scriptHtml);
    script_ayuda->setText(s.scriptAyuda);
}

EditorContents EditorPanel::contents() const
{
    EditorContents c;
    c.nombre = Text_nombre->text();
    c.navegadores = Text_navegador->text();
    c.categoria = list_categoria->currentText();
    c.tipo = list_tipo->currentText();
    c.scriptHead = script_head->text();
    c.scriptBody = script_body->text();
    c.scriptHtml = script_html->text();
    c.scriptAyuda = script_ayuda->text();
    c.files = files_->names();
    return c;
}

void EditorPanel::OpenFileMenu(QsciScintilla* editor, int x, int y)
{
    PopupCreator menu;
    menu.setOwnerHwnd(window());
    const QStringList names = files_->names();
    for (const QString& name : names)
        menu.AddMenu(name, true, false, false);
    menu.OpenPopup(x, y);
    const int chosen = menu.SelectedItem();
    if (chosen > 0 && chosen <= names.size())
        editor->replaceSelectedText(Module1::ResourcesUrlPrefix + names.at(chosen - 1));
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
