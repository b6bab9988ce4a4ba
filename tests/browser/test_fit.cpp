#include "app/frmcondiciones.h"
#include "app/frmsplash.h"
#include "browser/buttonbar.h"
#include "editing/editorpanel.h"
#include "library/nodekey.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "platform/network.h"
#include "tests/support/mainwindow.h"
#include "tests/support/tempprogramfolder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVector3D>
#include <QtTest>

namespace {

QString nameOf(const QWidget* w)
{
    return w->window()->objectName() + QLatin1Char('/') + w->objectName();
}

// The size a label's text takes within the label's contents rectangle.
QSize labelTextSize(const QLabel* label, const QRect& room)
{
    const QString text = label->text();
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(label->font());
        doc.setDocumentMargin(0);
        doc.setHtml(text);
        if (label->wordWrap())
            doc.setTextWidth(room.width());
        return QSize(qCeil(label->wordWrap() ? doc.size().width() : doc.idealWidth()),
                     qCeil(doc.size().height()));
    }
    const QFontMetrics fm = label->fontMetrics();
    const int flags =
        int(label->alignment()) | Qt::TextShowMnemonic | (label->wordWrap() ? Qt::TextWordWrap : 0);
    return fm.boundingRect(QRect(0, 0, room.width(), 100000), flags, text).size();
}

QRect labelRoom(const QLabel* label)
{
    const int m = label->margin();
    return label->contentsRect().adjusted(m, m, -m, -m);
}

void checkLabel(const QLabel* label, QStringList& cut)
{
    if (label->text().isEmpty())
        return;
    const QRect room = labelRoom(label);
    const QSize needed = labelTextSize(label, room);
    if (needed.width() > room.width() || needed.height() > room.height()) {
        cut.append(QStringLiteral("%1: \"%2\" needs %3x%4, has %5x%6")
                       .arg(nameOf(label), label->text())
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(room.width())
                       .arg(room.height()));
        return;
    }
    // The text may not reach the control beside it (a caption touching its box).
    const QRect text =
        QStyle::alignedRect(label->layoutDirection(), label->alignment(), needed, room)
            .translated(label->pos())
            .adjusted(0, 0, 2, 0);
    for (const QObject* o : label->parentWidget()->children()) {
        const auto* other = qobject_cast<const QWidget*>(o);
        if (!other || other == label || !other->isVisibleTo(label->window()) ||
            other->geometry().contains(label->geometry()))
            continue;
        if (other->geometry().intersects(text))
            cut.append(QStringLiteral("%1: \"%2\" touches %3")
                           .arg(nameOf(label), label->text(), nameOf(other)));
    }
}

void checkButton(const QAbstractButton* button, QStringList& cut)
{
    if (button->text().isEmpty())
        return;
    QRect room = button->rect();
    if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        QStyleOptionButton option;
        option.initFrom(push);
        option.text = push->text();
        room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
    }
    const QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (needed.width() > room.width() || needed.height() > room.height())
        cut.append(QStringLiteral("%1: \"%2\"").arg(nameOf(button), button->text()));
}

void checkCombo(const QComboBox* combo, QStringList& cut)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i) {
        const QString item = combo->itemText(i);
        if (combo->fontMetrics().horizontalAdvance(item) > field.width() ||
            combo->fontMetrics().height() > field.height())
            cut.append(QStringLiteral("%1: \"%2\"").arg(nameOf(combo), item));
    }
}

void checkTabs(const QTabBar* bar, QStringList& cut)
{
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        const int needed = bar->fontMetrics().horizontalAdvance(bar->tabText(i)) +
                           bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        if (tab.width() < needed || tab.right() >= bar->width())
            cut.append(QStringLiteral("%1: tab \"%2\"").arg(nameOf(bar), bar->tabText(i)));
    }
}

void checkHeader(const QHeaderView* header, QStringList& cut)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int i = 0; i < header->count(); ++i) {
        const QString title = header->model()->headerData(i, header->orientation()).toString();
        if (header->sectionSize(i) < header->fontMetrics().horizontalAdvance(title) + 2 * margin)
            cut.append(QStringLiteral("%1: column \"%2\"").arg(nameOf(header), title));
    }
}

// Every caption, label, list entry, tab and column title of the window's visible controls
// that does not fit its control.
QStringList cutTexts(QWidget* window)
{
    QStringList cut;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(window))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            checkLabel(label, cut);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            checkButton(button, cut);
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            checkCombo(combo, cut);
        else if (auto* bar = qobject_cast<QTabBar*>(w))
            checkTabs(bar, cut);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            checkHeader(header, cut);
    }
    return cut;
}

} // namespace

class TestFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyWindowReadsWholeAtItsDesignedSize_data();
    void everyWindowReadsWholeAtItsDesignedSize();
    void dropHighlightNeverLooksLikeASecondSelection();
};

void TestFit::everyWindowReadsWholeAtItsDesignedSize_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    for (const auto& [family, points] :
         {std::pair{"DejaVu Sans", 10}, std::pair{"DejaVu Sans", 8}, std::pair{"Lato", 11}}) {
        if (!QFontDatabase::families().contains(QLatin1String(family)))
            continue;
        QFont font(QLatin1String(family), points);
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(family)).arg(points)))
            << font;
    }
}

void TestFit::everyWindowReadsWholeAtItsDesignedSize()
{
    QFETCH(QFont, font);
    const QFont desktop = QApplication::font();
    QApplication::setFont(font);
    auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
    TempProgramFolder folder;
    folder.closeLibrary();
    // The shipped library: its real category and type names fill the editor's lists.
    for (const char* file : {"scripts.mdb", "licencia.rtf"})
        folder.copyFromStagedProgram(QString::fromLatin1(file));
    platform::FixedNetworkPresence offline(false);
    platform::ScriptedMessageBoxes boxes;
    QStringList cut;

    frmsplash splash;
    splash.show();
    cut += cutTexts(&splash);
    frmcondiciones terms;
    terms.show();
    cut += cutTexts(&terms);
    Frmpublicidad banner;
    banner.show();
    cut += cutTexts(&banner);

    Frmscripts w; // at its designed size
    w.show();
    QVERIFY(w.Form_Load());
    cut += cutTexts(&w);
    auto* panel = static_cast<editing::EditorPanel*>(w.Frame2);
    w.opciones->boton_insertar->click();
    QVERIFY(panel->isVisible());
    for (int tab = 0; tab < 5; ++tab) {
        panel->tabscript->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (const QString& text : cutTexts(&w)) {
            if (!cut.contains(text))
                cut.append(text);
        }
    }
    // The empty file list shows no sideways scroll bar.
    QCOMPARE(panel->tabscript->currentIndex(), 4);
    QVERIFY(!panel->list_ficheros->horizontalScrollBar()->isVisible());

    frmenviarscript form(*w.cn, QString::number(w.cn->scriptsByName().front().id), &w);
    form.show();
    cut += cutTexts(&form);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    QVERIFY(boxes.shown.isEmpty());

    // The tree shows every name whole and scrolls sideways when it is narrow.
    w.opciones->boton_salir[1]->click();
    w.Tree->expandAll();
    QCoreApplication::processEvents();
    for (QTreeWidgetItemIterator it(w.Tree); *it; ++it) {
        const int needed =
            w.Tree->iconSize().width() + w.Tree->fontMetrics().horizontalAdvance((*it)->text(0));
        QVERIFY2(w.Tree->visualItemRect(*it).width() >= needed, qPrintable((*it)->text(0)));
    }
    QTRY_VERIFY(w.Tree->horizontalScrollBar()->maximum() > 0);
}

void TestFit::dropHighlightNeverLooksLikeASecondSelection()
{
    TempProgramFolder folder;
    QStringList keys;
    for (const char* name : {"Animaciones", "Botones", "Cajas"})
        keys.append(library::categoryKey(folder.addCategory(0, QString::fromUtf8(name))));
    MainWindowUnderTest w(folder);
    w->Tree->setCurrentItem(w.node(keys[0]));
    w->SetDropHighlight(w.node(keys[1]));
    QVERIFY(!w.node(keys[1])->isSelected());
    // The mean colour of each row: selected, marked, plain.
    const QImage shot = w->Tree->viewport()->grab().toImage();
    QList<QVector3D> mean;
    for (const QString& key : keys) {
        const QRect r = w->Tree->visualItemRect(w.node(key));
        QVector3D sum;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                sum += QVector3D(c.red(), c.green(), c.blue());
            }
        mean.append(sum / float(r.width() * r.height()));
    }
    const float markToPlain = mean[1].distanceToPoint(mean[2]);
    const float markToSelected = mean[1].distanceToPoint(mean[0]);
    // The mark shows, and it is far from the selection's look.
    QVERIFY2(markToPlain > 8 && markToSelected > 40,
             qPrintable(QStringLiteral("%1 %2").arg(markToPlain).arg(markToSelected)));
}

QTEST_MAIN(TestFit)
#include "test_fit.moc"
