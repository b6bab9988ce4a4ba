#pragma once

#include "base/programpaths.h"
#include "editing/editingwindow.h"
#include "library/backup.h"
#include "library/earlyopen.h"
#include "library/librarystore.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class ButtonBar;
class CategoryTree;
class PresentationPanel;
class SearchBox;
class SplitterBar;
class QFrame;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineView;
class frmcondiciones;
namespace online {
class BannerTicks;
}
namespace editing {
class EditingCommands;
class EditorPanel;
} // namespace editing

// The main window: the category tree and the page pane (the browse panel), the editor panel
// in the same place, and the bar of buttons at the right. It holds the controls and routes
// each event to the code of its subsystem.
class Frmscripts : public QWidget, public editing::EditingWindow
{
    Q_OBJECT

public:
    // The window of the program whose files are at `paths`.
    explicit Frmscripts(const base::ProgramPaths& paths, QWidget* parent = nullptr);
    ~Frmscripts() override;

    // Opens the library and fills the window, taking the library opened ahead when it can.
    // False when the program cannot go on (the reason has been shown to the user).
    bool Form_Load(std::unique_ptr<library::EarlyOpen> earlyLibrary = nullptr);

    // Lays the panes out for the window's current size.
    void Form_Resize();
    void ArrangeButtonBar(bool editar) override;
    void ShowEditorPanel(bool shown) override;

    // What a click on a tree node does: the root, a category or a script.
    void NodeClick(QTreeWidgetItem* node);
    // What a node shows once it is current, however it became so (a click, the keys, a
    // drag): its page, the script buttons, the drop highlight and, for a script, `id`.
    void ShowNode(QTreeWidgetItem* node) override;
    // The tree's current node changed (clicked false) or a node was clicked.
    void Tree_NodeChosen(QTreeWidgetItem* node, bool clicked);
    void Tree_DblClick();
    void ShowScriptPage(qint64 scriptId);
    void ShowCategoryPage(qint64 categoryId);

    // The node marked in the tree independently of the selection: the current node, and
    // the drop target while a script is dragged.
    void SetDropHighlight(QTreeWidgetItem* node) override;
    QTreeWidgetItem* DropHighlight() const override;
    QTreeWidgetItem* FindNode(const QString& key) override;

    void Timer1_Timer();
    void ShowSubmissionForm() override;

    // Reads the tree, the search and the current page again when another program (or
    // another connection) has changed the library since the window last read it. Not while
    // the editor is open: it keeps its work, and the check runs again when it closes.
    void FollowOutsideChanges();

    // The library connection, for the life of the window once loaded.
    library::LibraryStore* cn() const override { return cn_.get(); }
    const QString& id() const override { return id_; }
    void ForgetCurrentScript() override { id_.clear(); }

    QTreeWidget* Tree() const override { return Tree_; }
    editing::EditorPanel* Frame2() const { return Frame2_; }
    SearchBox* busqueda() const { return busqueda_; }
    SplitterBar* linea_borde() const { return linea_borde_; }
    QWebEngineView* explorador() const { return explorador_; }
    PresentationPanel* Frame_presentacion() const { return Frame_presentacion_; }
    ButtonBar* opciones() const { return opciones_; }
    QTimer* Timer1() const { return Timer1_; }

Q_SIGNALS:
    // The window was closed: the program ends.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The connection's count of commits by other connections, or nullopt when unreadable.
    std::optional<qint64> libraryDataVersion();
    void reloadLibrary();
    void createBrowsePanel();
    // Once the window is on screen: the scripts of the categories not yet in view.
    void fillTreeWhenIdle();
    void connectControls();
    bool openLibrary(std::unique_ptr<library::EarlyOpen> earlyLibrary);
    // The tree read again from the library; false, said, when it cannot be read.
    bool loadTree();
    void boton_salir_Click(int index);
    void splitterDragged(int xInBar);
    void splitterReleased();
    void boton_preview_Click();
    void showTerms();
    void showPage(const QString& fileName, const QByteArray& page);
    void reportError(const QString& text);
    int clientWidthTwips() const;

    std::unique_ptr<library::LibraryStore> cn_;
    // The current script (decimal id), or empty.
    QString id_;

    // The browse panel.
    QFrame* Frame1_;
    // The editor panel, in the browse panel's place while a script is written or edited.
    editing::EditorPanel* Frame2_ = nullptr;
    // Opening, leaving, saving and deleting scripts, and moving them in the tree.
    editing::EditingCommands* editingCommands_ = nullptr;
    QTreeWidget* Tree_;
    SearchBox* busqueda_;
    SplitterBar* linea_borde_;
    QWebEngineView* explorador_;
    PresentationPanel* Frame_presentacion_;
    ButtonBar* opciones_;
    QTimer* Timer1_;

    const base::ProgramPaths paths_;
    // Declared after `cn_`, which it reads, so that it goes first.
    std::unique_ptr<CategoryTree> categoryTree_;
    QString dropHighlightKey_;
    bool firstPaintSeen_ = false;
    // The library's data version as the window last read it.
    std::optional<qint64> dataVersionRead_;
    // The node last shown because it became current, until the next click.
    QString shownOnChange_;
    QPointer<frmcondiciones> terms_;
    online::BannerTicks* banner_;
    // The copy of the library made before the first change of this run.
    std::unique_ptr<library::ChangeBackup> libraryBackup_;
};
