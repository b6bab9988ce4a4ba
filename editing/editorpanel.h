#pragma once

#include "elidingcombo.h"
#include "scriptsave.h"

#include <QRect>
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QsciScintilla;
class QTabBar;
class QToolButton;
class QTreeWidget;

namespace library {
class LibraryStore;
struct Script;
} // namespace library

namespace editing {

class RelatedFilesList;

// The tabbed area of the editor: a tab bar over a page on which the four editors and the
// file list are laid out in the same place; the tab-change rule decides which one shows.
class ScriptTabs : public QWidget
{
    Q_OBJECT

public:
    explicit ScriptTabs(QWidget* parent = nullptr);
    int currentIndex() const;
    void setCurrentIndex(int index);
    QTabBar* tabBar() const { return bar_; }

Q_SIGNALS:
    // After the current tab changed; `previous` is the tab that was current.
    void tabChanged(int previous);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* bar_;
    QFrame* page_;
    int previous_ = 0;
};

// The editor panel: one script's name, browsers, type, category, its four texts and its
// related files. Geometry is designed in twips.
class EditorPanel : public QWidget
{
    Q_OBJECT

public:
    // Related files are kept in `resourcesFolder` (with its trailing "/").
    explicit EditorPanel(const QString& resourcesFolder, QWidget* parent = nullptr);
    ~EditorPanel() override;

    // Refills the list of categories with each one's path, in the order of the tree, the one
    // whose id is `id` chosen (the first when none is). Throws library::DatabaseError.
    void FillCategoryCombo(library::LibraryStore& store, const QString& id);
    // Refills the list of types with every name in the library's order, the one whose id is
    // `id` first; the first entry is chosen. Throws library::DatabaseError.
    void FillTypeCombo(library::LibraryStore& store, const QString& id);

    // Shows the current tab's control and hides the others; on "Ficheros" places the list
    // and its buttons for the current size.
    void tabscript_Click(int previousTab);
    // Sizes the tabs and editors to the panel (its size in twips).
    void LayoutPanel();
    void SetupFileListColumns();

    // Empties every field and the file list, for a new script.
    void ClearFields();
    // Shows a stored script's fields.
    void ShowScript(const library::Script& script);
    // The name and browsers boxes show their texts from the first character, the caret there,
    // nothing selected.
    void ShowTextsFromStart();
    EditorContents contents() const;

    // The right-click menu of an editor: the standard editing items, then the related files,
    // the chosen one's relative link going in at the caret, over the selection. (x, y) -1
    // opens it at the pointer.
    void OpenFileMenu(QsciScintilla* editor, int x = -1, int y = -1);

    RelatedFilesList* relatedFiles() const { return files_; }
    QList<QsciScintilla*> editors() const;

    QLineEdit* Text_nombre() const { return Text_nombre_; }
    QLineEdit* Text_navegador() const { return Text_navegador_; }
    ElidingComboBox* list_tipo() const { return list_tipo_; }
    ElidingComboBox* list_categoria() const { return list_categoria_; }
    ScriptTabs* tabscript() const { return tabscript_; }
    QsciScintilla* script_head() const { return script_head_; }
    QTreeWidget* list_ficheros() const { return list_ficheros_; }
    QToolButton* boton_anadir_fichero() const { return boton_anadir_fichero_; }
    QToolButton* boton_borrar_fichero() const { return boton_borrar_fichero_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createFields();
    void createTabs();
    QsciScintilla* makeEditor(const char* name, int lexerKind, const QString& caption);
    QToolButton* makeFileButton(const char* name, const QString& icon, int top,
                                const QString& action);
    QsciScintilla* editorOfViewport(QObject* watched) const;
    void fitFileColumn();
    // The name and browsers boxes and the two lists, for the panel's width and the lists'
    // entries.
    void placeFieldRows();

    QLabel* Label1_;
    QLabel* Label2_;
    QLabel* Label3_;
    QLabel* Label4_;
    QLineEdit* Text_nombre_;
    QLineEdit* Text_navegador_;
    ElidingComboBox* list_tipo_;
    ElidingComboBox* list_categoria_;
    ScriptTabs* tabscript_;
    QsciScintilla* script_head_;
    QsciScintilla* script_body_;
    QsciScintilla* script_html_;
    QsciScintilla* script_ayuda_;
    QTreeWidget* list_ficheros_;
    QToolButton* boton_anadir_fichero_;
    QToolButton* boton_borrar_fichero_;
    RelatedFilesList* files_;
    QRect tabscriptTw_; // tabscript in twips, as last placed
    QRect listTw_;      // list_ficheros in twips, as last placed
};

} // namespace editing
