#pragma once

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QtTest>
#include <functional>

// Waits for the next popup menu and lets `act` look at it and answer it (click an item,
// press Escape). The menu is real; only the person is scripted.
inline void whenMenuOpens(std::function<void(QMenu*)> act)
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

// Clicks the menu's item with identifier n, or closes the menu with Escape when n is 0.
inline void chooseItem(QMenu* menu, int n)
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
