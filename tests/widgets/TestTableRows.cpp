// Row actions of the popup-menu table, the table helpers that lay out
// headers, spans and alignment, the colour scale and the widget factories.
#include "ColorScale.h"
#include "ExportTableWidget.h"
#include "RecordingPrompter.h"
#include "TableHelpers.h"
#include "TableWidget_Popmenu.h"
#include "WidgetFactories.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

const int kRightMiddle = Qt::AlignRight | Qt::AlignVCenter;
const int kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

QAction* actionNamed(QWidget* w, const QString& text)
{
    for (QAction* a : w->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

QStringList columnTexts(const QTableWidget& t, int column)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r)
        out << (t.item(r, column) ? t.item(r, column)->text() : QStringLiteral("<none>"));
    return out;
}

}  // namespace

class TestTableRows : public QObject
{
    Q_OBJECT

private slots:
    void signalsAndSlotsInDeclaredOrder()
    {
        const QMetaObject& mo = TableWidget_Popmenu::staticMetaObject;
        QStringList signatures;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            signatures << QString::fromLatin1(mo.method(i).methodSignature());
        QCOMPARE(signatures, QStringList({"addRowSignal()", "deleteRowSignal(int,int)", "on_action_add()",
                                          "on_action_delete()", "on_action_export()",
                                          "on_action_export_to()"}));
        QCOMPARE(mo.method(mo.methodOffset() + 1).parameterNames(),
                 QList<QByteArray>({"RowNum", "ColumnNum"}));
        QCOMPARE(mo.method(mo.methodOffset()).methodType(), QMetaMethod::Signal);
        QCOMPARE(mo.method(mo.methodOffset() + 2).methodType(), QMetaMethod::Slot);

        const QMetaObject& exportMo = ExportTableWidget::staticMetaObject;
        QCOMPARE(exportMo.superClass(), &mo);
        QCOMPARE(exportMo.methodCount(), mo.methodCount());  // nothing of its own
    }

    void addRowAppendsDashRow()
    {
        TableWidget_Popmenu t(4 | 8);
        resetTable(&t, 5, 3);
        QSignalSpy added(&t, SIGNAL(addRowSignal()));
        actionNamed(&t, "增加行")->trigger();
        QCOMPARE(added.count(), 1);
        QCOMPARE(t.rowCount(), 6);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(t.item(5, c)->text(), QStringLiteral("-"));
            QCOMPARE(t.item(5, c)->textAlignment(), kRightMiddle);
        }
    }

    void deleteRowAsksAndLeavesRemovalToTheOwner()
    {
        TableWidget_Popmenu t(4 | 8);
        resetTable(&t, 4, 2);
        QSignalSpy deleted(&t, SIGNAL(deleteRowSignal(int, int)));
        {
            RecordingPrompter rec;
            actionNamed(&t, "删除")->trigger();  // no current cell
            QCOMPARE(rec.summary(), QStringList({QStringLiteral("错误：|非法操作")}));
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
            QCOMPARE(rec.boxes[0].parent, &t);
            QCOMPARE(deleted.count(), 0);
        }
        t.setCurrentCell(2, 1);
        {
            RecordingPrompter rec;
            rec.yesNoAnswers << false;
            actionNamed(&t, "删除")->trigger();
            QCOMPARE(rec.summary(), QStringList({QStringLiteral("提示：|是否删除？")}));
            QCOMPARE(rec.boxes[0].buttons, prompt::Buttons::YesNo);
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Information);
            QCOMPARE(rec.boxes[0].parent, &t);
            QCOMPARE(deleted.count(), 0);
        }
        {
            RecordingPrompter rec;
            rec.yesNoAnswers << true;
            actionNamed(&t, "删除")->trigger();
            QCOMPARE(deleted.count(), 1);
            QCOMPARE(deleted[0][0].toInt(), 2);
            QCOMPARE(deleted[0][1].toInt(), 1);
        }
        QCOMPARE(t.rowCount(), 4);
    }

    void columnsFollowTheirOrder()
    {
        QList<ColumnSpec> specs;
        appendColumnSpec({"first", -1, 30}, specs);   // order 0 from its position
        appendColumnSpec({"second", -1, 40}, specs);  // order 1
        QCOMPARE(specs[1].order, qint16(1));
        QList<ColumnSpec> shuffled;
        appendColumnSpec({"two", 2, 45}, shuffled);
        appendColumnSpec({"zero", 0, 60}, shuffled);
        appendColumnSpec({"one", 1, 70}, shuffled);

        QTableWidget t(2, 1);
        t.setItem(0, 0, new QTableWidgetItem("old"));
        setTableColumns(&t, shuffled);
        QCOMPARE(t.columnCount(), 3);
        QCOMPARE(t.horizontalHeaderItem(0)->text(), QStringLiteral("zero"));
        QCOMPARE(t.horizontalHeaderItem(1)->text(), QStringLiteral("one"));
        QCOMPARE(t.horizontalHeaderItem(2)->text(), QStringLiteral("two"));
        QCOMPARE(t.horizontalHeaderItem(2)->textAlignment(), kCentre);
        QCOMPARE(t.columnWidth(0), 60);
        QCOMPARE(t.columnWidth(2), 45);
        QCOMPARE(t.item(0, 0), nullptr);  // cleared
    }

    void mergeAndSplitAColumn()
    {
        QTableWidget t;
        resetTable(&t, 4, 2);
        mergeColumn(&t, 1, "103");
        QCOMPARE(t.rowSpan(0, 1), 4);
        QCOMPARE(columnTexts(t, 1), QStringList({"103", "<none>", "<none>", "<none>"}));
        QCOMPARE(t.item(0, 1)->textAlignment(), kCentre);
        QCOMPARE(columnTexts(t, 0), QStringList({"-", "-", "-", "-"}));

        // A row inserted above the merged cell pushes the span down; merging
        // again must cover every row from the top.
        t.insertRow(0);
        mergeColumn(&t, 1, "99");
        for (int r = 0; r < 5; ++r)
            QCOMPARE(t.rowSpan(r, 1), 5);  // one span, no stale one inside it
        QCOMPARE(columnTexts(t, 1), QStringList({"99", "<none>", "<none>", "<none>", "<none>"}));

        setColumnText(&t, 1, "7");
        QCOMPARE(t.rowSpan(0, 1), 1);
        QCOMPARE(columnTexts(t, 1), QStringList({"99", "7", "7", "7", "7"}));
        QCOMPARE(t.item(4, 1)->textAlignment(), kCentre);

        // One row: no span, just the cell; no rows: nothing to do.
        QTableWidget one;
        resetTable(&one, 1, 1);
        mergeColumn(&one, 0, "x");
        QCOMPARE(one.rowSpan(0, 0), 1);
        QCOMPARE(one.item(0, 0)->text(), QStringLiteral("x"));
        QTableWidget empty(0, 2);
        mergeColumn(&empty, 0, "x");
        mergeColumn(&empty, 5, "x");
        setColumnText(&empty, -1, "x");
        QCOMPARE(empty.rowCount(), 0);
    }

    void alignmentAndFilledRows()
    {
        QTableWidget t(2, 3);
        setCellAlignment(&t, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
        QVERIFY(t.item(0, 0));
        QCOMPARE(t.item(0, 0)->text(), QString());
        QCOMPARE(t.item(0, 0)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
        setCellAlignment(&t, 2, 0, Qt::AlignLeft);   // outside: ignored
        setCellAlignment(&t, 0, -1, Qt::AlignLeft);
        QCOMPARE(t.rowCount(), 2);

        setColumnsAlignment(&t, 1, 2, Qt::AlignCenter);
        for (int r = 0; r < 2; ++r)
            for (int c = 1; c < 3; ++c)
                QCOMPARE(t.item(r, c)->textAlignment(), kCentre);
        QCOMPARE(t.item(1, 0), nullptr);

        insertFilledRow(&t, 1, Qt::AlignLeft);
        QCOMPARE(t.rowCount(), 3);
        QCOMPARE(columnTexts(t, 0), QStringList({"", "-", "<none>"}));
        QCOMPARE(t.item(1, 2)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
        insertFilledRow(&t, 9, Qt::AlignLeft);  // beyond the end: ignored
        QCOMPARE(t.rowCount(), 3);

        resetTable(&t, 2, 4);
        QCOMPARE(t.rowCount(), 2);
        QCOMPARE(t.columnCount(), 4);
        QCOMPARE(columnTexts(t, 3), QStringList({"-", "-"}));
        QCOMPARE(t.item(1, 3)->textAlignment(), kRightMiddle);
    }

    void colourScale()
    {
        QCOMPARE(levelColorName(0), QStringLiteral("white"));
        QCOMPARE(levelColorName(-1), QStringLiteral("palegreen"));
        QCOMPARE(levelColorName(1), QStringLiteral("tomato"));
        QCOMPARE(levelColorName(-8), QStringLiteral("darkgreen"));
        QCOMPARE(levelColorName(8), QStringLiteral("maroon"));
        QCOMPARE(levelColorName(-20), QStringLiteral("darkgreen"));
        QCOMPARE(levelColorName(20), QStringLiteral("maroon"));
        QCOMPARE(levelColorName(INT_MIN), QStringLiteral("darkgreen"));
        QCOMPARE(levelColorName(INT_MAX), QStringLiteral("maroon"));
        QVERIFY(QColor(levelColorName(5)).isValid());
    }

    void factories()
    {
        std::unique_ptr<QLineEdit> edit(makeLineEdit("1.5"));
        QCOMPARE(edit->text(), QStringLiteral("1.5"));
        QCOMPARE(edit->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(int(edit->alignment()), kRightMiddle);
        QCOMPARE(edit->parent(), nullptr);

        std::unique_ptr<QComboBox> box(makeComboBox({"周", "双周", "月"}));
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(2), QStringLiteral("月"));
        QCOMPARE(box->currentIndex(), 0);
        QVERIFY(!box->itemData(0).isValid());

        QTemporaryDir dir;
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath("pic.png"), "PNG"));
        QVERIFY(image.save(dir.filePath("png.jpg"), "PNG"));  // extension lies about the format
        std::unique_ptr<QLabel> shown(makeImageLabel(dir.filePath("pic.png")));
        QCOMPARE(shown->pixmap(Qt::ReturnByValue).size(), QSize(4, 3));
        std::unique_ptr<QLabel> missing(makeImageLabel(dir.filePath("ll.png")));
        QVERIFY(missing->pixmap(Qt::ReturnByValue).isNull());
        std::unique_ptr<QLabel> wrongFormat(makeImageLabel(dir.filePath("png.jpg")));
        QVERIFY(wrongFormat->pixmap(Qt::ReturnByValue).isNull());
    }
};

QTEST_MAIN(TestTableRows)
#include "TestTableRows.moc"
