#include "frmscripts.h"

#include "app/frmcondiciones.h"
#include "base/files.h"
#include "base/module1.h"
#include "browser/buttonbar.h"
#include "browser/categorytree.h"
#include "browser/drophighlight.h"
#include "browser/layout.h"
#include "browser/pagebuilder.h"
#include "browser/presentationpanel.h"
#include "browser/searchbox.h"
#include "browser/splitterbar.h"
#include "browser/twips.h"
#include "editing/editcommands.h"
#include "editing/editorpanel.h"
#include "export/exportcommand.h"
#include "export/treemenu.h"
#include "export/trypagecommand.h"
#include "library/libraryfile.h"
#include "library/nodekey.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "platform/waitcursor.h"
#include "web/guardedpage.h"
#include "web/popupwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
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
// The layout's margins (panes to H - 750, the exit button 1200 above the bar's foot) were drawn
// for a height that counts a classic window's caption bar; counted from the client area alone
// they would leave an empty strip under the panes.
constexpr int CaptionBarTwips = 450;
const QString ErrorTitle = QStringLiteral("Error");

// A click folds or unfolds a category; the root only ever unfolds.
void foldOrUnfold(QTreeWidgetItem* node)
{
    const QString key = CategoryTree::KeyOf(node);
    if (library::nodeKindOfKey(key) == NodeKind::Category)
        node->setExpanded(library::isRootKey(key) || !node->isExpanded());
}
} // namespace

Frmscripts::Frmscripts(const base::ProgramPaths& paths, QWidget* parent)
    : QWidget(parent), paths_(paths)
{
    setObjectName(QStringLiteral("Frmscripts"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvalis.svg")));
    resize(twips::toPixels(9195, twips::dpiOf(this)), twips::toPixels(6135, twips::dpiOf(this)));

    createBrowsePanel();
    opciones_ = new ButtonBar(this);
    twips::place(opciones_, 0, 50, 855, 6135);
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(TimerInterval);
    banner_ = new online::BannerTicks(this, paths_.programFolder);
    connectControls();
    // The editor panel takes the browse panel's place while a script is written or edited.
    Frame2_ = new editing::EditorPanel(paths_.resourcesFolder, this);
    Frame2_->hide();
    editingCommands_ = new editing::EditingCommands(*this, *Frame2_, this);
    connect(opciones_->boton_insertar(), &QToolButton::clicked, editingCommands_,
            &editing::EditingCommands::boton_insertar_Click);
    connect(opciones_->boton_Editar(), &QToolButton::clicked, editingCommands_,
            &editing::EditingCommands::boton_Editar_Click);
    connect(opciones_->boton_aceptar(), &QToolButton::clicked, editingCommands_,
            &editing::EditingCommands::SaveScript);
    connect(opciones_->boton_borrar(), &QToolButton::clicked, editingCommands_,
            &editing::EditingCommands::DeleteScript);
    connect(opciones_->boton_preview(), &QToolButton::clicked, this,
            &Frmscripts::boton_preview_Click);
}

Frmscripts::~Frmscripts() = default;

void Frmscripts::createBrowsePanel()
{
    Frame1_ = new QFrame(this);
    Frame1_->setObjectName(QStringLiteral("Frame(1)"));
    Frame1_->setFrameShape(QFrame::StyledPanel);

    Tree_ = new QTreeWidget(Frame1_);
    Tree_->setObjectName(QStringLiteral("Tree"));
    CategoryTree::SetUpView(Tree_);
    Tree_->setAccessibleName(QStringLiteral("Scripts"));
    Tree_->setItemDelegate(new DropHighlightDelegate(Tree_));
    twips::place(Tree_, 50, 150, 2895, 4000);
    busqueda_ = new SearchBox(
        Frame1_, Tree_, [this] { return cn_.get(); }, [this] { return categoryTree_.get(); });

    linea_borde_ = new SplitterBar(Frame1_);
    twips::place(linea_borde_, 2945, 150, SplitterBar::MinimumWidthTwips, 4050);

    explorador_ = new QWebEngineView(Frame1_);
    explorador_->setObjectName(QStringLiteral("explorador"));
    explorador_->setPage(new GuardedPage(explorador_));
    popups::OpenNewWindowsInProgram(explorador_->page(), this);
    explorador_->setAccessibleName(QStringLiteral("Página del script"));
    // Out of the window's first drawing, behind the presentation panel: its rendering is set
    // up once the window is on screen.
    explorador_->hide();

    Frame_presentacion_ = new PresentationPanel(paths_.file(QStringLiteral("logo.png")), Frame1_);
}

void Frmscripts::connectControls()
{
    connect(Tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Tree_NodeChosen(item, true); });
    connect(Tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { Tree_NodeChosen(item, false); });
    connect(Tree_, &QTreeWidget::itemDoubleClicked, this, [this] { Tree_DblClick(); });
    connect(busqueda_, &SearchBox::resultPicked, this, [this](QTreeWidgetItem* node) {
        // Making the node current shows it; a node that already was needs showing again.
        const bool wasCurrent = Tree_->currentItem() == node;
        Tree_->setCurrentItem(node);
        if (wasCurrent)
            ShowNode(node);
    });
    connect(linea_borde_, &SplitterBar::dragged, this, &Frmscripts::splitterDragged);
    connect(linea_borde_, &SplitterBar::released, this, &Frmscripts::splitterReleased);
    connect(Frame_presentacion_, &PresentationPanel::companyLinkClicked, this,
            [] { platform::shell().open(QUrl(Module1::CompanyUrl)); });
    connect(Frame_presentacion_, &PresentationPanel::termsLinkClicked, this,
            &Frmscripts::showTerms);
    connect(Timer1_, &QTimer::timeout, this, &Frmscripts::Timer1_Timer);
    connect(opciones_->boton_salir(0), &QToolButton::clicked, this,
            [this] { boton_salir_Click(0); });
    connect(opciones_->boton_salir(1), &QToolButton::clicked, this,
            [this] { boton_salir_Click(1); });
    connect(opciones_->boton_enviarscript(), &QToolButton::clicked, this,
            &Frmscripts::ShowSubmissionForm);
    // The copy and the page both follow the current script, whatever node is selected.
    connect(opciones_->boton_exportar(), &QToolButton::clicked, this,
            [this] { exporting::RunExportCommand(this, *cn_, paths_, id_); });
    // The keys of "Probar en mi página…", for the current script; not while one is edited.
    auto* tryPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), this);
    connect(tryPage, &QShortcut::activated, this, [this] {
        if (opciones_->boton_exportar()->isVisible())
            exporting::RunTryPageCommand(this, *cn_, paths_, id_);
    });
    Tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* node = Tree_->itemAt(pos))
            exporting::OpenTreeMenu(this, *cn_, paths_, CategoryTree::KeyOf(node),
                                    Tree_->viewport()->mapToGlobal(pos), [this] { loadTree(); });
    });
    // A search is about to be typed: it should find what another program added meanwhile.
    busqueda_->Text_buscar()->installEventFilter(this);
    connect(busqueda_, &SearchBox::resultMenuRequested, this,
            [this](QTreeWidgetItem* node, const QPoint& globalPos) {
                exporting::OpenTreeMenu(this, *cn_, paths_, CategoryTree::KeyOf(node), globalPos,
                                        [this] { loadTree(); });
            });
}

bool Frmscripts::Form_Load(std::unique_ptr<library::EarlyOpen> earlyLibrary)
{
    Module1::SetProgramValues();
    Frame1_->show();
    if (Frame2_)
        Frame2_->hide();
    ArrangeButtonBar(false);
    if (!openLibrary(std::move(earlyLibrary)))
        return false;

    categoryTree_ = std::make_unique<CategoryTree>(Tree_, *cn_);
    connect(categoryTree_.get(), &CategoryTree::readFailed, this, [this](const QString& message) {
        reportError(QStringLiteral("No se pudo leer la biblioteca de scripts:\n") + message);
    });
    if (!loadTree())
        return false;
    Frame_presentacion_->show();
    linea_borde_->SetBorder(false);
    opciones_->SetButtonTooltips();
    QCoreApplication::processEvents();
    Timer1_->start();
    QCoreApplication::processEvents();
    return true;
}

bool Frmscripts::loadTree()
{
    try {
        if (cn_->highestScriptId() <= WholeTreeScripts)
            categoryTree_->Load();
        else
            categoryTree_->LoadCategories();
    } catch (const library::DatabaseError& e) {
        reportError(QStringLiteral("No se pudo leer la biblioteca de scripts:\n") + e.message());
        return false;
    }
    dataVersionRead_ = libraryDataVersion();
    NodeClick(Tree_->topLevelItem(0));
    return true;
}

bool Frmscripts::openLibrary(std::unique_ptr<library::EarlyOpen> earlyLibrary)
{
    const QString& path = paths_.libraryFile;
    if (!QFileInfo::exists(path)) {
        platform::inform(this, QMessageBox::Critical, ErrorTitle,
                         QStringLiteral("Faltan ficheros de la aplicación\n"
                                        "No podrá utilizar Korvalis hasta solventar el problema"));
        return false;
    }
    try {
        // A large library without a search index gets one in the background.
        WaitCursor wait;
        std::optional<library::Database> early = earlyLibrary ? earlyLibrary->take() : std::nullopt;
        earlyLibrary.reset();
        const auto build = library::LibraryStore::IndexBuild::InBackground;
        cn_ = early ? library::LibraryStore::open(std::move(*early), build)
                    : library::LibraryStore::open(path, build);
        // Reading a table proves the password opened the file.
        cn_->typesByName();
        libraryBackup_ = std::make_unique<library::ChangeBackup>(path, [this](const QString& m) {
            platform::inform(this, QMessageBox::Warning, QStringLiteral("Copia de seguridad"), m);
        });
        cn_->setBeforeChange([this](library::Database& db) { libraryBackup_->beforeChange(db); });
    } catch (const library::DatabaseError& e) {
        cn_.reset();
        platform::inform(this, QMessageBox::Critical, ErrorTitle,
                         QStringLiteral("No se puede abrir la biblioteca de scripts\n%1\n(%2)\n"
                                        "No podrá utilizar Korvalis hasta solventar el problema")
                             .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    return true;
}

void Frmscripts::ArrangeButtonBar(bool editar)
{
    opciones_->ArrangeButtonBar(editar, !id_.isEmpty());
}

void Frmscripts::ShowEditorPanel(bool shown)
{
    Frame1_->setVisible(!shown);
    Frame2_->setVisible(shown);
    Form_Resize();
    // What others changed while the editor was open is read once the command that closed it
    // is over.
    if (!shown)
        QTimer::singleShot(0, this, &Frmscripts::FollowOutsideChanges);
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
        twips::fromPixels(width(), dpi), twips::fromPixels(height(), dpi) + CaptionBarTwips,
        twips::geometryOf(opciones_).width(), twips::geometryOf(Tree_).width(),
        twips::geometryOf(linea_borde_).width());
    twips::place(Frame1_, l.frame);
    twips::place(opciones_, l.opciones);
    opciones_->PlaceExitButtons();
    if (Frame1_->isVisibleTo(this)) {
        twips::place(Tree_, l.tree);
        busqueda_->Place(l.search.box, l.search.count);
        twips::place(explorador_, l.explorador);
        twips::place(Frame_presentacion_, l.presentacion);
        twips::place(linea_borde_, l.lineaBorde);
    }
    if (Frame2_ && Frame2_->isVisibleTo(this))
        twips::place(Frame2_, l.frame);
}

void Frmscripts::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Frmscripts::splitterDragged(int xInBar)
{
    const int dpi = twips::dpiOf(this);
    const QRect bar = twips::geometryOf(linea_borde_);
    twips::place(linea_borde_, bar.left() + twips::fromPixels(xInBar, dpi), bar.top(),
                 SplitterDragWidth, bar.height());
}

void Frmscripts::splitterReleased()
{
    const layout::SplitterRelease r =
        layout::ReleaseSplitter(twips::geometryOf(linea_borde_).left(), clientWidthTwips(),
                                twips::geometryOf(Tree_), twips::geometryOf(explorador_));
    const QRect bar = twips::geometryOf(linea_borde_);
    twips::place(linea_borde_, r.barLeft, bar.top(), bar.width(), bar.height());
    twips::place(Tree_, r.tree);
    busqueda_->Place(r.search.box, r.search.count);
    twips::place(explorador_, r.explorador);
    twips::place(Frame_presentacion_, r.presentacion);
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
        Frame_presentacion_->show();
        Frame_presentacion_->raise();
        opciones_->EnableScriptButtons(false);
        return;
    }
    Frame_presentacion_->hide();
    explorador_->show();
    if (library::nodeKindOfKey(key) == NodeKind::Category) {
        SetDropHighlight(node);
        ShowCategoryPage(library::idOfKey(key));
        opciones_->EnableScriptButtons(false);
    } else {
        WaitCursor wait;
        SetDropHighlight(node);
        ShowScriptPage(library::idOfKey(key));
        opciones_->EnableScriptButtons(true);
        id_ = key.chopped(1);
    }
}

void Frmscripts::Tree_DblClick()
{
    QTreeWidgetItem* selected = Tree_->currentItem();
    if (!selected || !library::isRootKey(CategoryTree::KeyOf(selected)))
        return;
    QTreeWidgetItem* root = Tree_->topLevelItem(0);
    root->setExpanded(true);
    SetDropHighlight(root);
}

void Frmscripts::ShowScriptPage(qint64 scriptId)
{
    try {
        const std::optional<library::Script> s = cn_->script(scriptId);
        const std::optional<QString> type = s ? cn_->typeName(s->idTipo) : std::nullopt;
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
        const std::optional<library::Category> c = cn_->category(categoryId);
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
        QTimer::singleShot(0, explorador_, &QWidget::show);
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
        busqueda_->PrepareSearch();
}

void Frmscripts::showPage(const QString& fileName, const QByteArray& page)
{
    const QString path = paths_.file(fileName);
    QString error;
    if (!files::WriteWhole(path, page, &error)) {
        reportError(QStringLiteral("No se pudo escribir la página %1:\n%2")
                        .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    explorador_->load(QUrl::fromLocalFile(path));
}

void Frmscripts::boton_preview_Click()
{
    // The editor's unsaved texts, shown by the user's own browser; the library and the page
    // pane are not touched.
    const editing::EditorContents c = Frame2_->contents();
    const pages::ScriptPageFields fields{QString(), c.scriptHead,  c.scriptBody, c.nombre,
                                         c.tipo,    c.navegadores, c.scriptHtml};
    const QString path = paths_.file(pages::ScriptPageName);
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
    if (terms_->Form_Load(paths_.file(TermsFileName)))
        terms_->show();
}

void Frmscripts::boton_salir_Click(int index)
{
    if (index == 0)
        close();
    else
        editingCommands_->LeaveEditor();
}

void Frmscripts::Timer1_Timer()
{
    banner_->Tick();
}

void Frmscripts::ShowSubmissionForm()
{
    if (!cn_ || id_.isEmpty())
        return;
    // The main window may close (ending the program) while the form is open.
    QPointer<frmenviarscript> form = new frmenviarscript(*cn_, paths_, id_, this);
    form->exec();
    delete form.data();
}

void Frmscripts::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Queued: the window is also activated as a question of a command closes, and that
    // command still holds nodes of the tree.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, &Frmscripts::FollowOutsideChanges);
}

bool Frmscripts::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == busqueda_->Text_buscar() && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, this, &Frmscripts::FollowOutsideChanges);
    return QWidget::eventFilter(watched, event);
}

std::optional<qint64> Frmscripts::libraryDataVersion()
{
    try {
        library::Statement q = cn_->database().prepare("PRAGMA data_version");
        if (q.next())
            return q.int64(0);
    } catch (const library::DatabaseError&) {
        // Unreadable now: the next read of the library reports it.
    }
    return std::nullopt;
}

void Frmscripts::FollowOutsideChanges()
{
    if (!cn_ || !categoryTree_ || Frame2_->isVisibleTo(this) || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return;
    const std::optional<qint64> version = libraryDataVersion();
    if (!version || version == dataVersionRead_)
        return;
    dataVersionRead_ = version;
    reloadLibrary();
}

void Frmscripts::reloadLibrary()
{
    const QString currentKey = CategoryTree::KeyOf(Tree_->currentItem());
    QStringList unfolded;
    for (QTreeWidgetItemIterator it(Tree_); *it; ++it) {
        if ((*it)->isExpanded())
            unfolded << CategoryTree::KeyOf(*it);
    }
    const int scrolled = Tree_->verticalScrollBar()->value();
    {
        // The node to show is chosen below, once the tree is whole again.
        const QSignalBlocker blocker(Tree_);
        try {
            if (cn_->highestScriptId() <= WholeTreeScripts)
                categoryTree_->Load();
            else
                categoryTree_->LoadCategories();
        } catch (const library::DatabaseError& e) {
            reportError(QStringLiteral("No se pudo leer la biblioteca de scripts:\n") +
                        e.message());
            return;
        }
        for (const QString& key : std::as_const(unfolded)) {
            if (QTreeWidgetItem* node = categoryTree_->FindNode(key))
                node->setExpanded(true);
        }
    }
    if (!id_.isEmpty() && !categoryTree_->FindNode(id_ + QLatin1Char('S')))
        ForgetCurrentScript();
    QTreeWidgetItem* node = currentKey.isEmpty() ? nullptr : categoryTree_->FindNode(currentKey);
    if (!node)
        node = Tree_->topLevelItem(0);
    {
        const QSignalBlocker blocker(Tree_);
        Tree_->setCurrentItem(node);
    }
    shownOnChange_.clear();
    ShowNode(node);
    Tree_->verticalScrollBar()->setValue(scrolled);
    QTimer::singleShot(0, this, &Frmscripts::fillTreeWhenIdle);
}

void Frmscripts::closeEvent(QCloseEvent* event)
{
    if (!editingCommands_->MayClose()) {
        event->ignore();
        return;
    }
    Timer1_->stop();
    QWidget::closeEvent(event);
    Q_EMIT unloaded();
}
