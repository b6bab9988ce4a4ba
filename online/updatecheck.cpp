#include "updatecheck.h"

#include "app/module1.h"
#include "online/version.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QEvent>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEnginePage>
#include <QWidget>
#include <memory>

namespace online {

namespace {

// The page's script engine answers within milliseconds; a page that hangs must not.
constexpr int ScriptTimeoutMs = 3000;

// Looks the key up like the old document.all collection: id, or name on the elements that
// carry one; an ambiguous key, an element without a value, or an unreachable frame gives
// null for that document.
const char* const LookupScript = R"JS(
(function (key) {
  function read(doc) {
    // document.all is deliberately falsy in browsers: test it strictly.
    if (!doc || doc.all === undefined || doc.all === null) return null;
    var found = doc.all.namedItem(key);
    if (!found || found.nodeType !== 1 || !('value' in found)) return null;
    var v = found.value;
    return (v === undefined || v === null) ? null : String(v);
  }
  var count = window.frames.length;
  if (count > 0) {
    for (var i = 0; i < count; i++) {
      try {
        var r = read(window.frames[i].document);
        if (r !== null) return r;
      } catch (e) {}
    }
    return '';
  }
  try {
    var top = read(document);
    return top === null ? '' : top;
  } catch (e) {
    return '';
  }
})(%1[0])
)JS";

} // namespace

UpdateCheck::UpdateCheck(QWebEnginePage* page, QWidget* owner)
    : QObject(owner), page_(page), owner_(owner)
{
    if (owner)
        owner->installEventFilter(this);
}

bool UpdateCheck::ownerIsOpen() const
{
    return owner_ && owner_->isVisible();
}

bool UpdateCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_ && waitLoop_ &&
        (event->type() == QEvent::Close || event->type() == QEvent::Hide))
        waitLoop_->quit();
    return QObject::eventFilter(watched, event);
}

void UpdateCheck::start()
{
    if (!page_)
        return;
    QPointer<UpdateCheck> self(this);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(page_, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    connect(page_, &QObject::destroyed, &loop, &QEventLoop::quit);
    waitLoop_ = &loop;
    page_->load(QUrl(Module1::UpdateCheckUrl));
    limit.start(loadTimeoutMs_);
    loop.exec();
    // The user may have accepted or declined while the page loaded: the window may be gone.
    if (!self)
        return;
    waitLoop_ = nullptr;
    if (!ownerIsOpen())
        return;
    run();
}

void UpdateCheck::run()
{
    if (running_ || !page_)
        return;
    QPointer<UpdateCheck> self(this);
    running_ = true;
    const QString text = GetWebValue(page_, QStringLiteral("version"));
    if (!self)
        return;
    running_ = false;
    const std::optional<ProgramVersion> offered = ParseOfferedVersion(text);
    if (!offered || !ownerIsOpen())
        return;
    const UpdateLevel level = CompareVersions(CurrentProgramVersion(), *offered);
    if (level == UpdateLevel::None)
        return;
    const platform::Message prompt{QMessageBox::Question, QStringLiteral("Korvalis"),
                                   UpdatePrompt(level), QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::Yes};
    if (platform::showMessage(owner_, prompt) != QMessageBox::Yes || !self)
        return;
    switch (level) {
    case UpdateLevel::Mayor:
        OpenDownload(QStringLiteral("mayor"));
        break;
    case UpdateLevel::Menor:
        OpenDownload(QStringLiteral("menor"));
        break;
    case UpdateLevel::Revision:
        OpenDownload(QStringLiteral("revision"));
        break;
    case UpdateLevel::None:
        break;
    }
}

void UpdateCheck::OpenDownload(const QString& level)
{
    const QString key = DownloadKey(LevelFromName(level));
    if (key.isEmpty() || !page_)
        return;
    const std::optional<QUrl> url = OpenableDownload(GetWebValue(page_, key));
    if (url)
        platform::shell().open(*url);
}

QString UpdateCheck::GetWebValue(QWebEnginePage* page, const QString& key)
{
    if (!page)
        return QString();
    const QString keyLiteral =
        QString::fromUtf8(QJsonDocument(QJsonArray{key}).toJson(QJsonDocument::Compact));
    const QString script = QString::fromUtf8(LookupScript).arg(keyLiteral);

    // The answer may come after the wait has given up: it then lands in the shared state.
    struct Answer
    {
        bool arrived = false;
        QString value;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QPointer<QEventLoop> loopGuard(&loop);
    page->runJavaScript(script, [answer, loopGuard](const QVariant& result) {
        answer->arrived = true;
        answer->value = result.toString();
        if (loopGuard)
            loopGuard->quit();
    });
    if (!answer->arrived) {
        QTimer::singleShot(ScriptTimeoutMs, &loop, &QEventLoop::quit);
        connect(page, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return answer->arrived ? answer->value : QString();
}

} // namespace online
