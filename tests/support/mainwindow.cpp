#include "tests/support/mainwindow.h"

#include "browser/buttonbar.h"
#include "tests/support/tempprogramfolder.h"

#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString keyOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, Qt::UserRole).toString() : QString();
}

QString treeText(const QTreeWidgetItem* item, int depth)
{
    QString text = QString(depth * 2, QLatin1Char(' ')) + item->text(0) + QStringLiteral(" [") +
                   keyOf(item) + QStringLiteral("]\n");
    for (int i = 0; i < item->childCount(); ++i)
        text += treeText(item->child(i), depth + 1);
    return text;
}

void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

MainWindowUnderTest::MainWindowUnderTest(TempProgramFolder& folder, QSize size) : w(folder.paths())
{
    folder.closeLibrary();
    w.resize(size);
    w.show();
    loaded_ = w.Form_Load();
}

QTreeWidgetItem* MainWindowUnderTest::node(const QString& key)
{
    QTreeWidgetItem* found = w.FindNode(key);
    if (found)
        w.Tree()->scrollToItem(found);
    return found;
}

QString MainWindowUnderTest::current() const
{
    return keyOf(w.Tree()->currentItem());
}

void MainWindowUnderTest::click(const QString& key, QPoint slip)
{
    QTreeWidgetItem* target = node(key);
    QVERIFY2(target, qPrintable(key));
    QWidget* viewport = w.Tree()->viewport();
    const QPoint at = w.Tree()->visualItemRect(target).center();
    mouse(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton);
    if (!slip.isNull())
        mouse(viewport, QEvent::MouseMove, at + slip, Qt::LeftButton);
    mouse(viewport, QEvent::MouseButtonRelease, at + slip, Qt::NoButton);
}

void MainWindowUnderTest::drag(const QString& from, const QStringList& over)
{
    QWidget* viewport = w.Tree()->viewport();
    const auto at = [this](const QString& key) {
        return w.Tree()->visualItemRect(node(key)).center();
    };
    QPoint pos = at(from);
    mouse(viewport, QEvent::MouseButtonPress, pos, Qt::LeftButton);
    for (const QString& key : over) {
        pos = at(key);
        mouse(viewport, QEvent::MouseMove, pos, Qt::LeftButton);
    }
    mouse(viewport, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}

QString MainWindowUnderTest::tree() const
{
    return treeText(w.Tree()->topLevelItem(0), 0);
}

QString MainWindowUnderTest::buttons() const
{
    const ButtonBar* b = w.opciones();
    const std::pair<const char*, QToolButton*> all[] = {
        {"insertar", b->boton_insertar()},   {"Editar", b->boton_Editar()},
        {"exportar", b->boton_exportar()},   {"borrar", b->boton_borrar()},
        {"enviar", b->boton_enviarscript()}, {"aceptar", b->boton_aceptar()},
        {"preview", b->boton_preview()},     {"Salir", b->boton_salir(0)},
        {"Cancelar", b->boton_salir(1)}};
    QStringList shown;
    for (const auto& [name, button] : all) {
        if (button->isVisible())
            shown.append(QString::fromLatin1(name) +
                         (button->isEnabled() ? QString() : QStringLiteral("*")));
    }
    return shown.join(QLatin1Char(' '));
}

ModalCloser::ModalCloser()
{
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened.append(QString::fromLatin1(dialog->metaObject()->className()));
            dialog->reject();
        }
    });
    timer_.start();
}

void whenMenuOpens(std::function<void(QMenu*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(menu);
    });
    timer->start();
}

void chooseItem(QMenu* menu, int n)
{
    if (n == 0) {
        QTest::keyClick(menu, Qt::Key_Escape);
        return;
    }
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == n) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    QFAIL("no such menu item");
}
