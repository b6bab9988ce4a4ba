#include "messagebox.h"

#include <QApplication>

namespace platform {

namespace {
QtMessageBoxes qtMessageBoxes;
MessageBoxes* current = nullptr;
} // namespace

MessageBoxes& messageBoxes()
{
    return current ? *current : qtMessageBoxes;
}

void setMessageBoxes(MessageBoxes* boxes)
{
    current = boxes;
}

QMessageBox::StandardButton showMessage(QWidget* parent, const Message& message)
{
    return messageBoxes().show(parent, message);
}

void inform(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    showMessage(parent, Message{icon, title, text, QMessageBox::Ok, QMessageBox::Ok});
}

bool askYesNo(QWidget* parent, const QString& title, const QString& text,
              QMessageBox::StandardButton defaultButton)
{
    const Message message{QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                          defaultButton};
    return showMessage(parent, message) == QMessageBox::Yes;
}

QMessageBox::StandardButton QtMessageBoxes::show(QWidget* parent, const Message& message)
{
    // A box given no title shows the application's title.
    const QString title =
        message.title.isEmpty() ? QApplication::applicationDisplayName() : message.title;
    QMessageBox box(message.icon, title, message.text, message.buttons, parent);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton ScriptedMessageBoxes::show(QWidget*, const Message& message)
{
    shown.append(message);
    if (!answers.isEmpty())
        return answers.takeFirst();
    if (message.defaultButton != QMessageBox::NoButton)
        return message.defaultButton;
    return (message.buttons & QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
}

} // namespace platform
