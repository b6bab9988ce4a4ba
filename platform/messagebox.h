#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

// Message boxes go through this seam so that tests can answer them and read what was asked.
namespace platform {

struct Message
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual QMessageBox::StandardButton show(QWidget* parent, const Message& message) = 0;
};

// The one in use; the Qt implementation unless a test installed another.
MessageBoxes& messageBoxes();
// Installs `boxes` (not owned); nullptr restores the Qt implementation.
void setMessageBoxes(MessageBoxes* boxes);

// Shortcuts for the shapes the program uses.
QMessageBox::StandardButton showMessage(QWidget* parent, const Message& message);
void inform(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);
bool askYesNo(QWidget* parent, const QString& title, const QString& text,
              QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

class QtMessageBoxes final : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget* parent, const Message& message) override;
};

// Answers from a queue (Ok, or the default button, when it runs dry) and records every message.
class ScriptedMessageBoxes final : public MessageBoxes
{
public:
    ScriptedMessageBoxes() { setMessageBoxes(this); }
    ~ScriptedMessageBoxes() override { setMessageBoxes(nullptr); }
    QMessageBox::StandardButton show(QWidget* parent, const Message& message) override;

    void answer(QMessageBox::StandardButton button) { answers.append(button); }
    QList<Message> shown;
    QList<QMessageBox::StandardButton> answers;
};

} // namespace platform
