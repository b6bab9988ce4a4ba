#pragma once

#include "pagetrial.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWebEngineProfile;
class QWebEngineView;

namespace library {
class LibraryStore;
}

namespace exporting {

class TryPageSchemeHandler;

// Shows the user's page as the export of a script would write it, with the lines it would
// change, before anything is written: "Escribir en la página" writes exactly what is shown,
// unless the page changed on disk meanwhile. Its pages live in a profile of its own, so that
// the page is served under the window's own scheme handler and nothing of it outlives it.
class TryPageWindow : public QWidget
{
    Q_OBJECT

public:
    TryPageWindow(library::LibraryStore& store, qint64 scriptId, PageTrial trial,
                  const QString& libraryResources, QWidget* owner);
    ~TryPageWindow() override;

    QWebEngineView* view() const { return view_; }
    QPlainTextEdit* changes() const { return changes_; }
    QTabWidget* tabs() const { return tabs_; }
    QLabel* notice() const { return notice_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* closeButton() const { return close_; }
    // The page's bytes as shown now.
    QByteArray shownBytes() const { return trial_.prepared.page.bytes; }

private:
    void showTrial(PageTrial trial);
    void writeToPage();
    void showChanges(const QByteArray& diff);

    library::LibraryStore& store_;
    qint64 scriptId_;
    QString libraryResources_; // the library's own related files, with a trailing "/"
    PageTrial trial_;
    QWebEngineProfile* profile_ = nullptr;
    TryPageSchemeHandler* handler_ = nullptr;
    QWebEngineView* view_ = nullptr;
    QPlainTextEdit* changes_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLabel* notice_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace exporting
