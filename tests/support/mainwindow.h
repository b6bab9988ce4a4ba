#pragma once

#include "app/frmscripts.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QApplication>
#include <QPoint>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <functional>

class QTreeWidgetItem;
class TempProgramFolder;

// The main window as the program opens it on a temporary program folder (whose library is
// closed first), shown at a fixed size, with what a person answers scripted: message boxes,
// file dialogs, and the shell that opens addresses and files.
class MainWindowUnderTest
{
public:
    explicit MainWindowUnderTest(TempProgramFolder& folder, QSize size = {1000, 700});

    Frmscripts* operator->() { return &w; }
    bool loaded() const { return loaded_; }

    // The node for a key ("12S", "3C", "0C"), made visible; null when there is none.
    QTreeWidgetItem* node(const QString& key);
    // The key of the current node.
    QString current() const;
    // Clicks a node with real mouse events; the pointer moves by `slip` between press and
    // release, as a hand does.
    void click(const QString& key, QPoint slip = {});
    // Presses over `from`, moves over each of `over` with the button held, releases over the
    // last one.
    void drag(const QString& from, const QStringList& over);
    // The whole tree, one line a node, two blanks a level: "text [key]".
    QString tree() const;
    // The visible buttons, a star after a disabled one: "insertar Editar* ... Salir".
    QString buttons() const;

    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    Frmscripts w;

private:
    bool loaded_ = false;
};

// Runs while a test acts, closing every modal window that opens and noting its class.
class ModalCloser
{
public:
    ModalCloser();
    QStringList opened;

private:
    QTimer timer_;
};

// Runs `act` once on the first modal window of class T (a real message box, the banner),
// from within its own loop.
template <typename T> void whenModalOpens(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible() || QThread::currentThread()->loopLevel() == 0)
            return;
        timer->stop();
        timer->deleteLater();
        act(window);
    });
    timer->start();
}

class QMenu;
// Waits for the next popup menu and lets `act` answer it; the menu is real, only the person
// is scripted.
void whenMenuOpens(std::function<void(QMenu*)> act);
// Clicks the menu's item whose data is `n`, or closes the menu with Escape when n is 0.
void chooseItem(QMenu* menu, int n);
