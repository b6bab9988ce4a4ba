#include "trypagewindow.h"

#include "trypagescheme.h"
#include "trypagetexts.h"
#include "web/guardedpage.h"
#include "web/popupwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace exporting {

namespace {

constexpr QSize PreferredSize(1100, 760);

// The diff's lines are in the page's own encoding: UTF-8 when they are valid UTF-8, else shown
// as Latin-1, which shows every byte as some character.
QString diffText(const QByteArray& diff)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(diff);
    return utf8.hasError() ? QString::fromLatin1(diff) : text;
}

QTextCharFormat lineFormat(const QString& line)
{
    QTextCharFormat format;
    if (line.startsWith(QLatin1String("+++")) || line.startsWith(QLatin1String("---"))) {
        format.setFontWeight(QFont::Bold);
    } else if (line.startsWith(QLatin1Char('+'))) {
        format.setForeground(QColor(0x05, 0x5d, 0x20));
        format.setBackground(QColor(0xda, 0xfb, 0xe1));
    } else if (line.startsWith(QLatin1Char('-'))) {
        format.setForeground(QColor(0x8c, 0x10, 0x10));
        format.setBackground(QColor(0xff, 0xeb, 0xe9));
    } else if (line.startsWith(QLatin1String("@@"))) {
        format.setForeground(QColor(0x1f, 0x4e, 0x9c));
    }
    return format;
}

} // namespace

TryPageWindow::TryPageWindow(library::LibraryStore& store, qint64 scriptId, PageTrial trial,
                             const QString& libraryResources, QWidget* owner)
    : QWidget(owner, Qt::Window), store_(store), scriptId_(scriptId),
      libraryResources_(libraryResources)
{
    setObjectName(QStringLiteral("TryPageWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Off the record, like the program's own profile: nothing of the page is kept on disk.
    profile_ = new QWebEngineProfile;
    profile_->settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
    handler_ = new TryPageSchemeHandler(libraryResources, this);
    profile_->installUrlSchemeHandler(TryPageSchemeHandler::Scheme, handler_);

    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("aviso"));
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("vista_pagina"));
    view_->setAccessibleName(trypage::PageTab);
    view_->setPage(new GuardedPage(profile_, view_));
    popups::OpenNewWindowsInProgram(view_->page(), this);
    changes_ = new QPlainTextEdit(this);
    changes_->setObjectName(QStringLiteral("cambios"));
    changes_->setAccessibleName(trypage::ChangesTab);
    changes_->setReadOnly(true);
    changes_->setLineWrapMode(QPlainTextEdit::NoWrap);
    changes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pestanas"));
    tabs_->addTab(view_, trypage::PageTab);
    tabs_->addTab(changes_, trypage::ChangesTab);

    write_ = new QPushButton(trypage::WriteButton, this);
    write_->setObjectName(QStringLiteral("boton_escribir"));
    close_ = new QPushButton(trypage::CloseButton, this);
    close_->setObjectName(QStringLiteral("boton_cerrar"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice_);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    connect(write_, &QPushButton::clicked, this, &TryPageWindow::writeToPage);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes wherever the focus is, the page included.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    const QScreen* screen =
        owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : PreferredSize;
    resize(PreferredSize.boundedTo(room));
    showTrial(std::move(trial));
}

TryPageWindow::~TryPageWindow()
{
    // Every page of the profile goes before it: the view's and those of the script's windows.
    qDeleteAll(findChildren<PopupWindow*>(Qt::FindDirectChildrenOnly));
    delete view_;
    delete profile_;
}

void TryPageWindow::showTrial(PageTrial trial)
{
    trial_ = std::move(trial);
    const PreparedPage& page = trial_.prepared.page;
    setWindowTitle(trypage::Title.arg(QFileInfo(page.path).fileName()));
    notice_->setText(trypage::Shown.arg(QDir::toNativeSeparators(page.path)));
    handler_->setPage(page.path, page.bytes, trial_.prepared.script.files);
    view_->load(handler_->pageUrl());
    showChanges(trial_.diff);
    write_->setEnabled(true);
}

void TryPageWindow::showChanges(const QByteArray& diff)
{
    changes_->clear();
    if (diff.isEmpty()) {
        changes_->setPlainText(trypage::NoChanges);
        return;
    }
    QTextCursor cursor(changes_->document());
    const QStringList lines = diffText(diff).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        if (i > 0)
            cursor.insertBlock();
        QString line = lines[i];
        // A CR of the page's line ends is shown as nothing.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        cursor.insertText(line, lineFormat(line));
    }
    changes_->moveCursor(QTextCursor::Start);
}

void TryPageWindow::writeToPage()
{
    const TrialWrite written = writePageTrial(trial_.prepared, libraryResources_);
    if (written.pageChanged) {
        PageTrial fresh = preparePageTrial(store_, scriptId_, trial_.prepared.page.path);
        if (fresh.prepared.report.status != ExportReport::Status::Done) {
            notice_->setText(trypage::NowRefused.arg(fresh.prepared.report.message));
            write_->setEnabled(false);
            return;
        }
        showTrial(std::move(fresh));
        notice_->setText(trypage::PageChanged);
        return;
    }
    notice_->setText(summary(written.report));
    // Written once: the page on disk is now what is shown.
    write_->setEnabled(written.report.status != ExportReport::Status::Done);
}

} // namespace exporting
