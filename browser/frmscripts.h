#pragma once

#include "export/treemenu.h"
#include "library/backup.h"
#include "library/earlyopen.h"
#include "library/librarystore.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class ButtonBar;
class CategoryTree;
class PresentationPanel;
class SearchBox;
class SplitterBar;
class QFrame;
class QLabel;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineView;
class frmcondiciones;
namespace editing {
class EditingCommands;
class EditorPanel;
} // namespace editing

// The main window: the category tree and the page pane (the browse panel), the editor panel
// in the same place, and the bar of buttons at the right. It holds the controls and routes
// each event to the code of its subsystem.
class Frmscripts : public QWidget
{
    Q_OBJECT

public:
    explicit Frmscripts(QWidget* parent = nullptr);
    ~Frmscripts() override;

    // Opens the library and fills the window. False when the program cannot go on (the
    // reason has been shown to the user).
    bool Form_Load();

    // Lays the panes out for the window's current size.
    void Form_Resize();
    void ArrangeButtonBar();

    // What a click on a tree node does: the root, a category or a script.
    void NodeClick(QTreeWidgetItem* node);
    // What a node shows once it is current, however it became so (a click, the keys, a
    // drag): its page, the script buttons, the drop highlight and, for a script, `id`.
    void ShowNode(QTreeWidgetItem* node);
    // The tree's current node changed (clicked false) or a node was clicked.
    void Tree_NodeChosen(QTreeWidgetItem* node, bool clicked);
    void Tree_DblClick();
    void ShowScriptPage(qint64 scriptId);
    void ShowCategoryPage(qint64 categoryId);

    // The node marked in the tree independently of the selection: the current node, and
    // the drop target while a script is dragged.
    void SetDropHighlight(QTreeWidgetItem* node);
    QTreeWidgetItem* DropHighlight() const;
    // The node of a key, its category's scripts filled in first; none when there is none.
    QTreeWidgetItem* FindNode(const QString& key);

    void Timer1_Timer();
    void ShowSubmissionForm();

    // The library connection, for the life of the window.
    std::unique_ptr<library::LibraryStore> cn;
    // The library being opened ahead of the window's load, which takes it when it can.
    std::unique_ptr<library::EarlyOpen> earlyLibrary;
    // An existing script is being edited.
    bool editar = false;
    // The current script (decimal id), or empty.
    QString id;
    // The node added last.
    QTreeWidgetItem* nodX = nullptr;

    QFrame* Frame1;
    editing::EditorPanel* Frame2 = nullptr;
    // Opening, leaving, saving and deleting scripts, and moving them in the tree.
    editing::EditingCommands* editingCommands = nullptr;
    QTreeWidget* Tree;
    SearchBox* busqueda;
    SplitterBar* linea_borde;
    QWebEngineView* explorador;
    PresentationPanel* Frame_presentacion;
    QLabel* IconImage2;
    ButtonBar* opciones;
    QTimer* Timer1;

Q_SIGNALS:
    // The window was closed: the program ends.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createBrowsePanel();
    // Once the window is on screen: the scripts of the categories not yet in view.
    void fillTreeWhenIdle();
    void connectControls();
    bool openLibrary();
    // The tree read again from the library; false, said, when it cannot be read.
    bool loadTree();
    exporting::TreeMenuContext treeMenuContext();
    void boton_salir_Click(int index);
    void splitterDragged(int xInBar);
    void splitterReleased();
    void boton_preview_Click();
    void showTerms();
    void showPage(const QString& fileName, const QByteArray& page);
    void reportError(const QString& text);
    int clientWidthTwips() const;

    // Declared after `cn`, which it reads, so that it goes first.
    std::unique_ptr<CategoryTree> categoryTree_;
    QString dropHighlightKey_;
    bool firstPaintSeen_ = false;
    // The node last shown because it became current, until the next click.
    QString shownOnChange_;
    QPointer<frmcondiciones> terms_;
    // The copy of the library made before the first change of this run.
    std::unique_ptr<library::ChangeBackup> libraryBackup_;
};
