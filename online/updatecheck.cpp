#include "updatecheck.h"

#include "base/module1.h"
#include "online/version.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QEvent>
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
    waitLimit_.setSingleShot(true);
    connect(&waitLimit_, &QTimer::timeout, this, &UpdateCheck::endWait);
    if (owner)
        owner->installEventFilter(this);
}

bool UpdateCheck::ownerIsOpen() const
{
    return owner_ && owner_->isVisible();
}

bool UpdateCheck::eventFilter(QObject* watched, QEvent* event)
{
    // Accepting or declining during the wait ends it: the check is skipped.
    if (watched == owner_ && waiting_ &&
        (event->type() == QEvent::Close || event->type() == QEvent::Hide))
        QTimer::singleShot(0, this, &UpdateCheck::endWait);
    return QObject::eventFilter(watched, event);
}

void UpdateCheck::start()
{
    if (!page_) {
        Q_EMIT checkOver();
        return;
    }
    if (waiting_)
        return;
    waiting_ = true;
    loaded_ = connect(page_, &QWebEnginePage::loadFinished, this, &UpdateCheck::endWait);
    waitLimit_.start(loadTimeoutMs_);
    page_->load(QUrl(Module1::UpdateCheckUrl));
}

void UpdateCheck::endWait()
{
    if (!waiting_)
        return;
    waiting_ = false;
    waitLimit_.stop();
    disconnect(loaded_);
    if (ownerIsOpen())
        run();
    else
        Q_EMIT checkOver();
}

void UpdateCheck::run()
{
    // A check already under way answers for this one too.
    if (running_)
        return;
    if (!page_) {
        Q_EMIT checkOver();
        return;
    }
    running_ = true;
    GetWebValue(page_, QStringLiteral("version"), this,
                [this](const QString& version) { Compare(version); });
}

void UpdateCheck::Compare(const QString& version)
{
    running_ = false;
    const std::optional<ProgramVersion> offered = ParseOfferedVersion(version);
    const UpdateLevel level = offered && ownerIsOpen()
                                  ? CompareVersions(CurrentProgramVersion(), *offered)
                                  : UpdateLevel::None;
    if (level == UpdateLevel::None) {
        Q_EMIT checkOver();
        return;
    }
    const platform::Message prompt{QMessageBox::Question, QStringLiteral("Korvalis"),
                                   UpdatePrompt(level), QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::Yes};
    // The owner may close, ending the program, while the question is open.
    QPointer<UpdateCheck> self(this);
    const bool yes = platform::showMessage(owner_, prompt) == QMessageBox::Yes;
    if (!self)
        return;
    if (!yes) {
        Q_EMIT checkOver();
        return;
    }
    OpenDownload(level == UpdateLevel::Mayor   ? QStringLiteral("mayor")
                 : level == UpdateLevel::Menor ? QStringLiteral("menor")
                                               : QStringLiteral("revision"));
}

void UpdateCheck::OpenDownload(const QString& level)
{
    const QString key = DownloadKey(LevelFromName(level));
    if (key.isEmpty() || !page_) {
        Q_EMIT checkOver();
        return;
    }
    GetWebValue(page_, key, this, [this](const QString& address) {
        if (const std::optional<QUrl> url = OpenableDownload(address))
            platform::shell().open(*url);
        Q_EMIT checkOver();
    });
}

void UpdateCheck::GetWebValue(QWebEnginePage* page, const QString& key, QObject* context,
                              const std::function<void(const QString&)>& done)
{
    // The first of the engine's answer and the time limit decides; the other is ignored.
    auto answered = std::make_shared<bool>(false);
    const QPointer<QObject> guard(context);
    const auto finish = [answered, guard, done](const QString& value) {
        if (*answered || !guard)
            return;
        *answered = true;
        // Out of the engine's own call: what follows may open a modal question.
        QTimer::singleShot(0, guard, [done, value] { done(value); });
    };
    if (!page) {
        finish(QString());
        return;
    }
    const QString keyLiteral =
        QString::fromUtf8(QJsonDocument(QJsonArray{key}).toJson(QJsonDocument::Compact));
    page->runJavaScript(QString::fromUtf8(LookupScript).arg(keyLiteral),
                        [finish](const QVariant& result) { finish(result.toString()); });
    QTimer::singleShot(ScriptTimeoutMs, context, [finish] { finish(QString()); });
}

} // namespace online
