#include "frmscripts.h"

#include "app/files.h"
#include "app/frmcondiciones.h"
#include "app/module1.h"
#include "buttonbar.h"
#include "categorytree.h"
#include "drophighlight.h"
#include "editing/editcommands.h"
#include "editing/editorpanel.h"
#include "export/exportcommand.h"
#include "export/treemenu.h"
#include "guardedpage.h"
#include "layout.h"
#include "library/libraryfile.h"
#include "library/nodekey.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "pagebuilder.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "platform/waitcursor.h"
#include "popupwindow.h"
#include "presentationpanel.h"
#include "searchbox.h"
#include "splitterbar.h"
#include "twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineView>
#include <utility>

using library::NodeKind;

namespace {
constexpr int TimerInterval = 60000;
constexpr int SplitterDragWidth = 135;
// Up to about this many scripts the tree is filled whole at once, in a few milliseconds;
// a larger library gets its scripts category by category as they come into view.
constexpr qint64 WholeTreeScripts = 5000;
constexpr int IdleFillCategories = 40;
const QString ErrorTitle = QStringLiteral("Error");

// A click folds or unfolds a category; the root only ever unfolds.
void foldOrUnfold(QTreeWidgetItem* node)
{
    const QString key = CategoryTree::KeyOf(node);
    if (library::nodeKindOfKey(key) == NodeKind::Category)
        node->setExpanded(library::isRootKey(key) || !node->isExpanded());
}
} // namespace

Frmscripts::Frmscripts(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frmscripts"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvalis.svg")));
    resize(twips::toPixels(9195, twips::dpiOf(this)), twips::toPixels(6135, twips::dpiOf(this)));

    createBrowsePanel();
    opciones = new ButtonBar(this);
    twips::place(opciones, 0, 50, 855, 6135);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerInterval);
    connectControls();
    // The editor panel takes the browse panel's place while a script is written or edited.
    Frame2 = new editing::EditorPanel(this);
    Frame2->hide();
    editingCommands = new editing::EditingCommands(*this, *Frame2);
    connect(opciones->boton_preview, &QToolButton::clicked, this, &Frmscripts::boton_preview_Click);
}

Frmscripts::~Frmscripts() = default;

void Frmscripts::createBrowsePanel()
{
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame(1)"));
    Frame1->setFrameShape(QFrame::StyledPanel);

    Tree = new QTreeWidget(Frame1);
    Tree->setObjectName(QStringLiteral("Tree"));
    CategoryTree::SetUpView(Tree);
    Tree->setAccessibleName(QStringLiteral("Scripts"));
    Tree->setItemDelegate(new DropHighlightDelegate(Tree));
    twips::place(Tree, 50, 150, 2895, 4000);
    busqueda = new SearchBox(
        Frame1, Tree, [this] { return cn.get(); }, [this] { return categoryTree_.get(); });

    linea_borde = new SplitterBar(Frame1);
    twips::place(linea_borde, 2945, 150, 60, 4050);

    explorador = new QWebEngineView(Frame1);
    explorador->setObjectName(QStringLiteral("explorador"));
    explorador->setPage(new GuardedPage(explorador));
    popups::OpenNewWindowsInProgram(explorador->page(), this);
    explorador->setAccessibleName(QStringLiteral("Página del script"));
    // Out of the window's first drawing, behind the presentation panel: its rendering is set
    // up once the window is on screen.
    explorador->hide();

    Frame_presentacion = new PresentationPanel(Frame1);

    // The icon shown while a script is dragged in the tree.
    IconImage2 = new QLabel(Frame1);
    IconImage2->setObjectName(QStringLiteral("IconImage(2)"));
    IconImage2->setPixmap(QIcon(QStringLiteral(":/icons/arrastrar.svg")).pixmap(32, 32));
    IconImage2->hide();
}

void Frmscripts::connectControls()
{
    connect(Tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Tree_NodeChosen(item, true); });
    connect(Tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { Tree_NodeChosen(item, false); });
    connect(Tree, &QTreeWidget::itemDoubleClicked, this, [this] { Tree_DblClick(); });
    connect(busqueda, &SearchBox::resultPicked, this, [this](QTreeWidgetItem* node) {
        // Making the node current shows it; a node that already was needs showing again.
        const bool wasCurrent = Tree->currentItem() == node;
        Tree->setCurrentItem(node);
        if (wasCurrent)
            ShowNode(node);
    });
    connect(linea_borde, &SplitterBar::dragged, this, &Frmscripts::splitterDragged);
    connect(linea_borde, &SplitterBar::released, this, &Frmscripts::splitterReleased);
    connect(Frame_presentacion, &PresentationPanel::companyLinkClicked, this,
            [] { platform::shell().open(QUrl(Module1::CompanyUrl)); });
    connect(Frame_presentacion, &PresentationPanel::termsLinkClicked, this, &Frmscripts::showTerms);
    connect(Timer1, &QTimer::timeout, this, &Frmscripts::Timer1_Timer);
    connect(opciones->boton_salir[0], &QToolButton::clicked, this,
            [this] { boton_salir_Click(0); });
    connect(opciones->boton_salir[1], &QToolButton::clicked, this,
            [this] { boton_salir_Click(1); });
    connect(opciones->boton_enviarscript, &QToolButton::clicked, this,
            &Frmscripts::ShowSubmissionForm);
    // The copy and the page both follow the current script, whatever node is selected.
    connect(opciones->boton_exportar, &QToolButton::clicked, this,
            [this] { exporting::RunExportCommand(this, *cn, id); });
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* node = Tree->itemAt(pos))
            exporting::OpenTreeMenu(this, *cn, CategoryTree::KeyOf(node),
                                    Tree->viewport()->mapToGlobal(pos), treeMenuContext());
    });
    connect(busqueda, &SearchBox::resultMenuRequested, this,
            [this](QTreeWidgetItem* node, const QPoint& globalPos) {
                exporting::OpenTreeMenu(this, *cn, CategoryTree::KeyOf(node), globalPos,
                                        treeMenuContext());
            });
}

bool Frmscripts::Form_Load()
{
    Module1::SetProgramValues(Module1::ProgramFolder);
    Frame1->show();
    if (Frame2)
        Frame2->hide();
    editar = false;
    ArrangeButtonBar();
    if (!openLibrary())
        return false;

    categoryTree_ = std::make_unique<CategoryTree>(Tree, *cn);
    connect(categoryTree_.get(), &CategoryTree::readFailed, this, [this](const QString& message) {
        reportError(QStringLiteral("No se pudo leer la biblioteca de scripts:\n") + message);
    });
    if (!loadTree())
        return false;
    Frame_presentacion->show();
    linea_borde->SetBorder(false);
    opciones->SetButtonTooltips();
    QCoreApplication::processEvents();
    Timer1->start();
    QCoreApplication::processEvents();
    return true;
}

bool Frmscripts::loadTree()
{
    try {
        nodX = cn->highestScriptId() <= WholeTreeScripts ? categoryTree_->Load()
                                                         : categoryTree_->LoadCategories();
    } catch (const library::DatabaseError& e) {
        reportError(QStringLiteral("No se pudo leer la biblioteca de scripts:\n") + e.message());
        return false;
    }
    NodeClick(Tree->topLevelItem(0));
    return true;
}

exporting::TreeMenuContext Frmscripts::treeMenuContext()
{
    return {{library::LibraryPathIn(Module1::ProgramFolder), Module1::ResourcesPath},
            [this] { loadTree(); }};
}

bool Frmscripts::openLibrary()
{
    const QString path = library::LibraryPathIn(Module1::ProgramFolder);
    if (!QFileInfo::exists(path)) {
        platform::inform(this, QMessageBox::Critical, ErrorTitle,
                         QStringLiteral("Faltan ficheros de la aplicación\n"
                                        "No podrá utilizar Korvalis hasta solventar el problema"));
        return false;
    }
    try {
        // A library without a search index gets one now, once.
        WaitCursor wait;
        std::optional<library::Database> early = earlyLibrary ? earlyLibrary->take() : std::nullopt;
        earlyLibrary.reset();
        cn = early ? library::LibraryStore::open(std::move(*early))
                   : library::LibraryStore::open(path);
        // Reading a table proves the password opened the file.
        cn->typesByName();
        libraryBackup_ = std::make_unique<library::ChangeBackup>(path, [this](const QString& m) {
            platform::inform(this, QMessageBox::Warning, QStringLiteral("Copia de seguridad"), m);
        });
        cn->setBeforeChange([this](library::Database& db) { libraryBackup_->beforeChange(db); });
    } catch (const library::DatabaseError& e) {
        cn.reset();
        platform::inform(this, QMessageBox::Critical, ErrorTitle,
                         QStringLiteral("No se puede abrir la biblioteca de scripts\n%1\n(%2)\n"
                                        "No podrá utilizar Korvalis hasta solventar el problema")
                             .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    return true;
}

void Frmscripts::ArrangeButtonBar()
{
    opciones->ArrangeButtonBar(editar, !id.isEmpty());
}

int Frmscripts::clientWidthTwips() const
{
    return twips::fromPixels(width(), twips::dpiOf(this));
}

void Frmscripts::Form_Resize()
{
    if (isMinimized())
        return;
    const int dpi = twips::dpiOf(this);
    const layout::MainLayout l = layout::ComputeMainLayout(
        twips::fromPixels(width(), dpi), twips::fromPixels(height(), dpi),
        twips::geometryOf(opciones).width(), twips::geometryOf(Tree).width(),
        twips::geometryOf(linea_borde).width());
    twips::place(Frame1, l.frame);
    twips::place(opciones, l.opciones);
    opciones->PlaceExitButtons();
    if (Frame1->isVisibleTo(this)) {
        twips::place(Tree, l.tree);
        busqueda->Place(l.search.box, l.search.count);
        twips::place(explorador, l.explorador);
        twips::place(Frame_presentacion, l.presentacion);
        twips::place(linea_borde, l.lineaBorde);
    }
    if (Frame2 && Frame2->isVisibleTo(this))
        twips::place(Frame2, l.frame);
}

void Frmscripts::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Frmscripts::splitterDragged(int xInBar)
{
    const int dpi = twips::dpiOf(this);
    const QRect bar = twips::geometryOf(linea_borde);
    twips::place(linea_borde, bar.left() + twips::fromPixels(xInBar, dpi), bar.top(),
                 SplitterDragWidth, bar.height());
}

void Frmscripts::splitterReleased()
{
    const layout::SplitterRelease r =
        layout::ReleaseSplitter(twips::geometryOf(linea_borde).left(), clientWidthTwips(),
                                twips::geometryOf(Tree), twips::geometryOf(explorador));
    const QRect bar = twips::geometryOf(linea_borde);
    twips::place(linea_borde, r.barLeft, bar.top(), bar.width(), bar.height());
    twips::place(Tree, r.tree);
    busqueda->Place(r.search.box, r.search.count);
    twips::place(explorador, r.explorador);
    twips::place(Frame_presentacion, r.presentacion);
}

QTreeWidgetItem* Frmscripts::FindNode(const QString& key)
{
    return categoryTree_ ? categoryTree_->FindNode(key) : nullptr;
}

void Frmscripts::SetDropHighlight(QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* old = DropHighlight())
        DropHighlightDelegate::Mark(old, false);
    dropHighlightKey_ = CategoryTree::KeyOf(node);
    if (node)
        DropHighlightDelegate::Mark(node, true);
}

QTreeWidgetItem* Frmscripts::DropHighlight() const
{
    return categoryTree_ ? categoryTree_->Node(dropHighlightKey_) : nullptr;
}

void Frmscripts::Tree_NodeChosen(QTreeWidgetItem* node, bool clicked)
{
    if (!node)
        return;
    const QString key = CategoryTree::KeyOf(node);
    if (!clicked) {
        shownOnChange_ = key;
        ShowNode(node);
    } else if (std::exchange(shownOnChange_, QString()) == key) {
        // The press of this click made the node current and showed it: only fold or unfold.
        foldOrUnfold(node);
    } else {
        NodeClick(node);
    }
}

void Frmscripts::NodeClick(QTreeWidgetItem* node)
{
    if (!node)
        return;
    foldOrUnfold(node);
    ShowNode(node);
}

void Frmscripts::ShowNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const QString key = CategoryTree::KeyOf(node);
    if (library::isRootKey(key)) {
        SetDropHighlight(node);
        Frame_presentacion->show();
        Frame_presentacion->raise();
        opciones->EnableScriptButtons(false);
        return;
    }
    Frame_presentacion->hide();
    explorador->show();
    if (library::nodeKindOfKey(key) == NodeKind::Category) {
        SetDropHighlight(node);
        ShowCategoryPage(library::idOfKey(key));
        opciones->EnableScriptButtons(false);
    } else {
        WaitCursor wait;
        SetDropHighlight(node);
        ShowScriptPage(library::idOfKey(key));
        opciones->EnableScriptButtons(true);
        id = key.chopped(1);
    }
}

void Frmscripts::Tree_DblClick()
{
    QTreeWidgetItem* selected = Tree->currentItem();
    if (!selected || !library::isRootKey(CategoryTree::KeyOf(selected)))
        return;
    QTreeWidgetItem* root = Tree->topLevelItem(0);
    root->setExpanded(true);
    SetDropHighlight(root);
}

void Frmscripts::ShowScriptPage(qint64 scriptId)
{
    try {
        const std::optional<library::Script> s = cn->script(scriptId);
        const std::optional<QString> type = s ? cn->typeName(s->idTipo) : std::nullopt;
        if (!s || !type) {
            reportError(QStringLiteral("El script %1 o su tipo ya no está en la biblioteca.")
                            .arg(scriptId));
            return;
        }
        pages::ScriptPageFields f{s->nombreFichero, s->scriptHead, s->scriptBody, s->nombre, *type,
                                  s->navegadores,   s->scriptHtml};
        showPage(pages::ScriptPageName, pages::BuildScriptPage(f));
    } catch (const library::DatabaseError& e) {
        reportError(e.message());
    }
}

void Frmscripts::ShowCategoryPage(qint64 categoryId)
{
    try {
        const std::optional<library::Category> c = cn->category(categoryId);
        if (!c) {
            reportError(
                QStringLiteral("La categoría %1 ya no está en la biblioteca.").arg(categoryId));
            return;
        }
        showPage(pages::CategoryPageName, pages::BuildCategoryPage(c->nombre, c->descripcion));
    } catch (const library::DatabaseError& e) {
        reportError(e.message());
    }
}

void Frmscripts::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!firstPaintSeen_) {
        firstPaintSeen_ = true;
        QTimer::singleShot(0, explorador, &QWidget::show);
        QTimer::singleShot(0, this, &Frmscripts::fillTreeWhenIdle);
    }
}

void Frmscripts::fillTreeWhenIdle()
{
    // A few categories at a time, so that the window answers meanwhile; a search soon
    // after finds the tree whole, and then what it reads first.
    if (!categoryTree_)
        return;
    if (categoryTree_->FillSome(IdleFillCategories))
        QTimer::singleShot(0, this, &Frmscripts::fillTreeWhenIdle);
    else
        busqueda->PrepareSearch();
}

void Frmscripts::showPage(const QString& fileName, const QByteArray& page)
{
    const QString path = Module1::ProgramFolder + QLatin1Char('/') + fileName;
    QString error;
    if (!files::WriteWhole(path, page, &error)) {
        reportError(QStringLiteral("No se pudo escribir la página %1:\n%2")
                        .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    explorador->load(QUrl::fromLocalFile(path));
}

void Frmscripts::boton_preview_Click()
{
    // The editor's unsaved texts, shown by the user's own browser; the library and the page
    // pane are not touched.
    const editing::EditorContents c = Frame2->contents();
    const pages::ScriptPageFields fields{QString(), c.scriptHead,  c.scriptBody, c.nombre,
                                         c.tipo,    c.navegadores, c.scriptHtml};
    const QString path = Module1::ProgramFolder + QLatin1Char('/') + pages::ScriptPageName;
    QString error;
    if (!files::WriteWhole(path, pages::BuildScriptPage(fields), &error)) {
        reportError(QStringLiteral("No se pudo escribir la página %1:\n%2")
                        .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    platform::shell().open(QUrl::fromLocalFile(path));
}

void Frmscripts::reportError(const QString& text)
{
    platform::inform(this, QMessageBox::Critical, ErrorTitle, text);
}

void Frmscripts::showTerms()
{
    if (!terms_)
        terms_ = new frmcondiciones(this);
    if (terms_->Form_Load())
        terms_->show();
}

void Frmscripts::boton_salir_Click(int index)
{
    if (index == 0)
        close();
    else
        editingCommands->LeaveEditor();
}

void Frmscripts::Timer1_Timer()
{
    online::ShowBannerOnTick(this);
}

void Frmscripts::ShowSubmissionForm()
{
    if (!cn || id.isEmpty())
        return;
    // The main window may close (ending the program) while the form is open.
    QPointer<frmenviarscript> form = new frmenviarscript(*cn, id, this);
    form->exec();
    delete form.data();
}

void Frmscripts::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    QWidget::closeEvent(event);
    Q_EMIT unloaded();
}
