// Row actions of the popup-menu table, the table helpers that lay out
// headers, spans and alignment, the colour scale and the widget factories.
#include "ColorScale.h"
#include "RecordingPrompter.h"
#include "TableHelpers.h"
#include "TableWidget_Popmenu.h"
#include "WidgetFactories.h"
#include "WidgetTexts.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <utility>

namespace {

const int kRightMiddle = Qt::AlignRight | Qt::AlignVCenter;
const int kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

}  // namespace

class TestTableRows : public QObject
{
    Q_OBJECT

private slots:
    // The spies connect by signature string, as the owners do.
    void deleteAsksAndAddAppendsADashRow()
    {
        TableWidget_Popmenu t(4 | 8);
        resetTable(&t, 4, 2);
        QSignalSpy added(&t, SIGNAL(addRowSignal()));
        QSignalSpy deleted(&t, SIGNAL(deleteRowSignal(int, int)));
        RecordingPrompter rec;
        rec.yesNoAnswers << false << true;
        trigger(&t, "删除");  // no current cell
        t.setCurrentCell(2, 1);
        trigger(&t, "删除");  // answered No
        QCOMPARE(deleted.count(), 0);
        trigger(&t, "删除");  // answered Yes
        QCOMPARE(rec.summary(), QStringList({"错误：|非法操作", "提示：|是否删除？", "提示：|是否删除？"}));
        QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(rec.boxes[1].icon, prompt::Icon::Information);
        QCOMPARE(rec.boxes[1].buttons, prompt::Buttons::YesNo);
        for (const auto& box : rec.boxes)
            QCOMPARE(box.parent, &t);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted[0], QVariantList({2, 1}));
        QCOMPARE(t.rowCount(), 4);  // removal is left to the owner

        trigger(&t, "增加行");
        QCOMPARE(added.count(), 1);
        QCOMPARE(columnTexts(t, 1), QStringList({"-", "-", "-", "-", "-"}));
        QCOMPARE(t.item(4, 1)->textAlignment(), kRightMiddle);
    }

    // Columns are laid out by their order, not the order they were listed in.
    void columnsFollowTheirOrder()
    {
        QList<ColumnSpec> specs;
        for (const ColumnSpec& s : {ColumnSpec{"two", 2, 45}, ColumnSpec{"zero", 0, 60}, ColumnSpec{"one", 1, 70}})
            appendColumnSpec(s, specs);
        QTableWidget t(2, 1);
        t.setItem(0, 0, new QTableWidgetItem("old"));
        setTableColumns(&t, specs);
        QStringList titles;
        QList<int> widths;
        for (int c = 0; c < t.columnCount(); ++c) {
            titles << t.horizontalHeaderItem(c)->text();
            widths << t.columnWidth(c);
        }
        QCOMPARE(titles, QStringList({"zero", "one", "two"}));
        QCOMPARE(widths, QList<int>({60, 70, 45}));
        QCOMPARE(t.horizontalHeaderItem(2)->textAlignment(), kCentre);
        QCOMPARE(t.item(0, 0), nullptr);  // cleared
    }

    // A merged column is one cell spanning every row, however few.
    void mergeAndSplitAColumn()
    {
        QTableWidget one;
        resetTable(&one, 1, 2);
        mergeColumn(&one, 1, "103");
        QCOMPARE(columnTexts(one, 1) + columnTexts(one, 0), QStringList({"103", "-"}));
        // Two rows as well as four: a merge that left two rows unspanned
        // slipped through when only four were tried.
        for (int rows : {2, 4}) {
            QTableWidget two;
            resetTable(&two, rows, 2);
            mergeColumn(&two, 1, "103");
            QCOMPARE(two.rowSpan(0, 1), rows);
            QCOMPARE(columnTexts(two, 1).mid(1), QStringList(QVector<QString>(rows - 1, "<none>").toList()));
        }
        QTableWidget t;
        resetTable(&t, 4, 2);
        mergeColumn(&t, 1, "103");
        QCOMPARE(columnTexts(t, 1).front(), QString("103"));
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

        // No rows or no such column: nothing.
        QTableWidget empty(0, 2);
        mergeColumn(&empty, 0, "x");
        mergeColumn(&empty, 5, "x");
        setColumnText(&empty, -1, "x");
        QCOMPARE(empty.rowCount(), 0);
    }

    // Cells and rows outside the table are ignored rather than created.
    void alignmentAndFilledRowsStayInside()
    {
        QTableWidget t(2, 3);
        setCellAlignment(&t, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
        QCOMPARE(t.item(0, 0)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
        setCellAlignment(&t, 2, 0, Qt::AlignLeft);
        setCellAlignment(&t, 0, -1, Qt::AlignLeft);
        setColumnsAlignment(&t, 1, 2, Qt::AlignCenter);
        insertFilledRow(&t, 1, Qt::AlignLeft);
        insertFilledRow(&t, 9, Qt::AlignLeft);
        QCOMPARE(columnTexts(t, 0), QStringList({"", "-", "<none>"}));
        QCOMPARE(t.item(2, 2)->textAlignment(), kCentre);
        QCOMPARE(t.columnCount(), 3);
    }

    void colourScaleEndsAndClamps()
    {
        const QPair<int, const char*> cases[] = {{0, "white"},      {-1, "palegreen"},      {1, "tomato"},
                                                 {-8, "darkgreen"}, {8, "maroon"},          {-20, "darkgreen"},
                                                 {20, "maroon"},    {INT_MIN, "darkgreen"}, {INT_MAX, "maroon"}};
        for (const auto& c : cases)
            QCOMPARE(levelColorName(c.first), QString::fromLatin1(c.second));
    }

    void imageLabels()
    {
        // A picture is shown; a missing file or one whose extension lies shows none.
        QTemporaryDir dir;
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath("pic.png"), "PNG") && image.save(dir.filePath("png.jpg"), "PNG"));
        for (const auto& [name, size] : {std::pair<const char*, QSize>{"pic.png", {4, 3}}, {"ll.png", {0, 0}},
                                         {"png.jpg", {0, 0}}}) {
            std::unique_ptr<QLabel> label(makeImageLabel(dir.filePath(name)));
            QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), size);
        }
    }
};

QTEST_MAIN(TestTableRows)
#include "TestTableRows.moc"
