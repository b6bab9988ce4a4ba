#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QWebEnginePage;
class QWidget;

namespace online {

// The start window's check for a newer version: the update page is loaded into a hidden
// page, its "version" value is compared with the program's own version, and the user is
// offered the download the page names for the level that is newer.
class UpdateCheck : public QObject
{
    Q_OBJECT

public:
    // `page` is the hidden page (not owned); `owner` is the start window, also the parent.
    UpdateCheck(QWebEnginePage* page, QWidget* owner);

    // Loads Module1::UpdateCheckUrl and returns at once; the check runs once the page has
    // loaded or the wait has run out, and is skipped when the owner has closed meanwhile.
    void start();
    // The check on the page as it stands now, without reloading it (the button's action).
    // It returns at once; the question, if any, follows when the page has been read.
    void run();

    // Reads the `value` of the element whose id or name is `key`: searched in the frames'
    // documents when the page has frames, else in the top document. `done` gets "" for
    // anything missing or unreadable, and when the page does not answer in time. It is
    // called from the event loop, never from inside the engine, and not at all once
    // `context` is gone. Nothing waits: the program stays free to end at any moment.
    static void GetWebValue(QWebEnginePage* page, const QString& key, QObject* context,
                            const std::function<void(const QString&)>& done);

    // How long start() waits for the page.
    void setLoadTimeout(int milliseconds) { loadTimeoutMs_ = milliseconds; }

Q_SIGNALS:
    // A check is over: nothing to say, the question answered and acted on, or skipped.
    void checkOver();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ownerIsOpen() const;
    void endWait();
    void Compare(const QString& version);
    void OpenDownload(const QString& level);

    QPointer<QWebEnginePage> page_;
    QPointer<QWidget> owner_;
    QTimer waitLimit_;
    QMetaObject::Connection loaded_;
    bool waiting_ = false;
    bool running_ = false;
    int loadTimeoutMs_ = 8000;
};

} // namespace online
