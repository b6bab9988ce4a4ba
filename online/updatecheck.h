#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QEventLoop;
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

    // Loads Module1::UpdateCheckUrl and runs the check once the page has loaded or the wait
    // has run out. Skipped when the owner has closed meanwhile.
    void start();
    // The check on the page as it stands now, without reloading it (the button's action).
    void run();

    // The `value` of the element whose id or name is `key`: searched in the frames' documents
    // when the page has frames, else in the top document. "" for anything missing or
    // unreadable, and when the page does not answer in time.
    static QString GetWebValue(QWebEnginePage* page, const QString& key);

    // How long start() waits for the page.
    void setLoadTimeout(int milliseconds) { loadTimeoutMs_ = milliseconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ownerIsOpen() const;
    void OpenDownload(const QString& level);

    QPointer<QWebEnginePage> page_;
    QPointer<QWidget> owner_;
    QEventLoop* waitLoop_ = nullptr;
    bool running_ = false;
    int loadTimeoutMs_ = 8000;
};

} // namespace online
