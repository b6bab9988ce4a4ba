// Every window read at its designed size in several fonts, as a person sees it.
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

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVector3D>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Every caption, label, list entry and tab of the window's visible controls
// that does not fit its control, and every label whose text reaches the control beside it.
QStringList cutTexts(QWidget* window)
{
    QStringList cut;
    const auto check = [&](QWidget* w, const QString& text, QSize needed, QRect room) {
        if (needed.width() > room.width() || needed.height() > room.height())
            cut.append(window->objectName() + u'/' + w->objectName() + u": "_s + text);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QFontMetrics fm = w->fontMetrics();
        if (!w->isVisibleTo(window))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            const QString text = label->text();
            const int m = label->margin();
            const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
            QSize needed;
            if (label->textFormat() == Qt::RichText ||
                (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
                QTextDocument doc;
                doc.setDefaultFont(label->font());
                doc.setDocumentMargin(0);
                doc.setHtml(text);
                if (label->wordWrap())
                    doc.setTextWidth(room.width());
                needed = QSize(qCeil(label->wordWrap() ? doc.size().width() : doc.idealWidth()),
                               qCeil(doc.size().height()));
            } else {
                const int flags = int(label->alignment()) | Qt::TextShowMnemonic |
                                  (label->wordWrap() ? Qt::TextWordWrap : 0);
                needed = fm.boundingRect(QRect(0, 0, room.width(), 100000), flags, text).size();
            }
            check(label, text, needed, room);
            const QRect drawn =
                QStyle::alignedRect(label->layoutDirection(), label->alignment(), needed, room)
                    .translated(label->pos())
                    .adjusted(0, 0, 2, 0);
            for (QWidget* other :
                 label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (other != label && other->isVisibleTo(window) &&
                    !other->geometry().contains(label->geometry()) &&
                    other->geometry().intersects(drawn))
                    cut.append(label->objectName() + u": "_s + text + u" touches "_s +
                               other->objectName());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QRect room = button->rect();
            if (auto* push = qobject_cast<QPushButton*>(button)) {
                QStyleOptionButton option;
                option.initFrom(push);
                option.text = push->text();
                room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
            }
            check(button, button->text(), fm.size(Qt::TextShowMnemonic, button->text()), room);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i)
                check(combo, combo->itemText(i),
                      QSize(fm.horizontalAdvance(combo->itemText(i)), fm.height()), field);
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
            for (int i = 0; i < bar->count(); ++i)
                check(bar, bar->tabText(i), QSize(fm.horizontalAdvance(bar->tabText(i)) + space, 0),
                      bar->tabRect(i).intersected(bar->rect()));
        }
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
        QTest::addRow("%s %d", family, points) << QFont(QLatin1String(family), points);
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
    frmcondiciones terms;
    Frmpublicidad banner;
    for (QWidget* window : std::initializer_list<QWidget*>{&splash, &terms, &banner}) {
        window->show();
        cut += cutTexts(window);
    }

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
        cut += cutTexts(&w);
    }
    // The empty file list shows no sideways scroll bar.
    QCOMPARE(panel->tabscript->currentIndex(), 4);
    QVERIFY(!panel->list_ficheros->horizontalScrollBar()->isVisible());

    frmenviarscript form(*w.cn, QString::number(w.cn->scriptsByName().front().id), &w);
    form.show();
    cut += cutTexts(&form);
    cut.removeDuplicates();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
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
    // The mean colour of each row, selected, marked and plain: the mark shows, and it is far
    // from the selection's look.
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
    QVERIFY2(markToPlain > 8 && markToSelected > 40,
             qPrintable(u"%1 %2"_s.arg(markToPlain).arg(markToSelected)));
}

QTEST_MAIN(TestFit)
#include "test_fit.moc"
