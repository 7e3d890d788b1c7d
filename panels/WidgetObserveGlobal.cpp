#include "WidgetObserveGlobal.h"

#include "ObserveSchedule.h"
#include "Prompt.h"
#include "TableHelpers.h"
#include "WidgetFactories.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTableWidgetItem>

#include <algorithm>

QString WidgetObserveGlobal::observe_dates;
QString WidgetObserveGlobal::observe_ko_barrier;
QString WidgetObserveGlobal::observe_ko_coupon;
QString WidgetObserveGlobal::observe_ki_barrier;

namespace {

const int kDateColumn = 0;
const int kFirstValueColumn = 1;
const int kLastValueColumn = 3;
const int kColumnCount = 4;

const char* const kValueNames[] = {"敲出价格", "敲出票息", "敲入价格"};

QString valueName(int column)
{
    return QString::fromUtf8(kValueNames[column - kFirstValueColumn]);
}

QPushButton* makeButton(const QString& text, const QString& name)
{
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    return button;
}

QString cellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

WidgetObserveGlobal::WidgetObserveGlobal(const Calendar& calendar, QWidget* parent)
    : QDialog(parent), calendar_(calendar)
{
    setWindowTitle(QStringLiteral("观察日管理"));
    resize(500, 600);
    buildWidgets();
}

void WidgetObserveGlobal::buildWidgets()
{
    dateEdit_start = new QDateEdit;
    dateEdit_start->setObjectName(QStringLiteral("dateEdit_start"));
    dateEdit_start->setCalendarPopup(true);
    // One format in every locale: the C locale would otherwise spell months in English.
    dateEdit_start->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dateEdit_start->setDate(QDate::currentDate());

    dateEdit_expiry = new QDateEdit;
    dateEdit_expiry->setObjectName(QStringLiteral("dateEdit_expiry"));
    dateEdit_expiry->setCalendarPopup(true);
    dateEdit_expiry->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    for (QDateEdit* edit : {dateEdit_start, dateEdit_expiry})
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 40);
    dateEdit_expiry->setDate(dateEdit_start->date().addYears(1));

    comboBox_frequency = new QComboBox;
    comboBox_frequency->setObjectName(QStringLiteral("comboBox_frequency"));
    comboBox_frequency->addItems({QStringLiteral("周"), QStringLiteral("双周"), QStringLiteral("月")});
    comboBox_frequency->setCurrentIndex(2);

    lineEdit_lock = new QLineEdit(QStringLiteral("3"));
    lineEdit_lock->setObjectName(QStringLiteral("lineEdit_lock"));

    comboBox_target = makeComboBox({valueName(1), valueName(2), valueName(3)});
    comboBox_target->setObjectName(QStringLiteral("comboBox_target"));

    lineEdit_start_value = new QLineEdit(QStringLiteral("100"));
    lineEdit_start_value->setObjectName(QStringLiteral("lineEdit_start_value"));
    lineEdit_change = new QLineEdit(QStringLiteral("-0.4"));
    lineEdit_change->setObjectName(QStringLiteral("lineEdit_change"));
    lineEdit_steps = new QLineEdit(QStringLiteral("12"));
    lineEdit_steps->setObjectName(QStringLiteral("lineEdit_steps"));

    tableWidget_observe = new QTableWidget;
    tableWidget_observe->setObjectName(QStringLiteral("tableWidget_observe"));
    QList<ColumnSpec> specs;
    appendColumnSpec({QStringLiteral("观察日期"), -1, 80}, specs);
    appendColumnSpec({QStringLiteral("敲出\n价格"), -1, 50}, specs);
    appendColumnSpec({QStringLiteral("敲出\n票息"), -1, 50}, specs);
    appendColumnSpec({QStringLiteral("敲入\n价格"), -1, 50}, specs);
    setTableColumns(tableWidget_observe, specs);
    tableWidget_observe->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section {background-color: lightblue;}"));
    tableWidget_observe->setMinimumHeight(500);
    // All four columns readable whatever the font and locale: the row numbers
    // (two digits), the columns and room for the vertical scroll bar.
    const int rowNumbers = tableWidget_observe->fontMetrics().horizontalAdvance(QStringLiteral("999")) + 12;
    tableWidget_observe->setMinimumWidth(tableWidget_observe->horizontalHeader()->length() + rowNumbers
                                         + style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                                         + 2 * tableWidget_observe->frameWidth());
    // Cells the user types into from scratch come out centred.
    auto* prototype = new QTableWidgetItem;
    prototype->setTextAlignment(Qt::AlignCenter);
    tableWidget_observe->setItemPrototype(prototype);

    pushButton_observe = makeButton(QStringLiteral("预估观察日"), QStringLiteral("pushButton_observe"));
    pushButton_set_ob_item = makeButton(QStringLiteral("设置"), QStringLiteral("pushButton_set_ob_item"));
    pushButton_add = makeButton(QStringLiteral("+"), QStringLiteral("pushButton_add"));
    pushButton_remove = makeButton(QStringLiteral("-"), QStringLiteral("pushButton_remove"));
    pushButton_divide = makeButton(QStringLiteral("/"), QStringLiteral("pushButton_divide"));
    pushButton_merge = makeButton(QStringLiteral("*"), QStringLiteral("pushButton_merge"));
    pushButton_save = makeButton(QStringLiteral("保存"), QStringLiteral("pushButton_save"));

    // The style's usual 80-pixel button minimum would make the row of five
    // buttons, not the table, decide how wide the editor must be.
    for (QPushButton* symbol : {pushButton_add, pushButton_remove, pushButton_divide, pushButton_merge})
        symbol->setMinimumWidth(symbol->fontMetrics().horizontalAdvance(QStringLiteral("+")) + 24);
    pushButton_save->setMinimumWidth(pushButton_save->fontMetrics().horizontalAdvance(QStringLiteral("保存")) + 24);
    pushButton_save->setStyleSheet(QStringLiteral("QPushButton { background-color : red; color : white; }"));
    const QString grey = QStringLiteral("QPushButton { background-color : grey; color : white; }");
    pushButton_observe->setStyleSheet(grey);
    pushButton_set_ob_item->setStyleSheet(grey);
    pushButton_divide->setToolTip(QStringLiteral("设置不同的敲出障碍价和敲出票息"));
    pushButton_merge->setToolTip(QStringLiteral("设置相同的敲出障碍价和敲出票息"));

    auto* left = new QGridLayout;
    int row = 0;
    left->addWidget(new QLabel(QStringLiteral("起始日")), row++, 0);
    left->addWidget(dateEdit_start, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("到期日")), row++, 0);
    left->addWidget(dateEdit_expiry, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("敲出观察频率")), row++, 0);
    left->addWidget(comboBox_frequency, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("锁定观察次数")), row++, 0);
    left->addWidget(lineEdit_lock, row++, 0);
    left->addWidget(pushButton_observe, row++, 0);
    left->addWidget(comboBox_target, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("起始值")), row++, 0);
    left->addWidget(lineEdit_start_value, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("变化")), row++, 0);
    left->addWidget(lineEdit_change, row++, 0);
    left->addWidget(new QLabel(QStringLiteral("阶梯数")), row++, 0);
    left->addWidget(lineEdit_steps, row++, 0);
    left->addWidget(pushButton_set_ob_item, row++, 0);
    left->addWidget(new QLabel, row, 0, 5, 1);

    auto* right = new QGridLayout;
    right->addWidget(tableWidget_observe, 0, 0, 5, 5);
    right->addWidget(pushButton_add, 5, 0);
    right->addWidget(pushButton_remove, 5, 1);
    right->addWidget(pushButton_divide, 5, 2);
    right->addWidget(pushButton_merge, 5, 3);
    right->addWidget(pushButton_save, 5, 4);
    right->addWidget(new QLabel(QStringLiteral("注意：计算前请先点击保存按钮")), 6, 1, 5, 5);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);

    using W = WidgetObserveGlobal;
    connect(pushButton_save, &QPushButton::clicked, this, &W::on_pushButton_save_clicked);
    connect(pushButton_add, &QPushButton::clicked, this, &W::on_pushButton_add_clicked);
    connect(pushButton_remove, &QPushButton::clicked, this, &W::on_pushButton_remove_clicked);
    connect(pushButton_divide, &QPushButton::clicked, this, &W::on_pushButton_divide_clicked);
    connect(pushButton_merge, &QPushButton::clicked, this, &W::on_pushButton_merge_clicked);
    connect(pushButton_observe, &QPushButton::clicked, this, &W::on_pushButton_observe_clicked);
    connect(pushButton_set_ob_item, &QPushButton::clicked, this, &W::on_pushButton_set_ob_item_clicked);
}

void WidgetObserveGlobal::setSchedule(QDate start, QDate expiry, QString ko, QString coupon, QString ki)
{
    dateEdit_start->setDate(start);
    dateEdit_expiry->setDate(expiry);
    const GeneratedSchedule generated = estimateObserveDates();
    loadSchedule(observe_dates, keepFirstOfMerged(ko, generated), keepFirstOfMerged(coupon, generated),
                 keepFirstOfMerged(ki, generated));
    publish();
}

void WidgetObserveGlobal::publish()
{
    saved_.dates = observe_dates;
    saved_.ko = observe_ko_barrier;
    saved_.coupon = observe_ko_coupon;
    saved_.ki = observe_ki_barrier;
    saved_.start = dateEdit_start->date();
    saved_.expiry = dateEdit_expiry->date();
}

bool WidgetObserveGlobal::datesInOrder()
{
    const QDate start = dateEdit_start->date();
    const QDate expiry = dateEdit_expiry->date();
    if (expiry > start)
        return true;
    const QString format = QStringLiteral("yyyy/MM/dd");
    prompt::critical(this, QStringLiteral("观察日参数错误"),
                     QStringLiteral("到期日 %1 应晚于起始日 %2").arg(expiry.toString(format), start.toString(format)));
    return false;
}

QDate WidgetObserveGlobal::startDate() const
{
    return dateEdit_start->date();
}

QDate WidgetObserveGlobal::expiryDate() const
{
    return dateEdit_expiry->date();
}

void WidgetObserveGlobal::snapToTradingDay(QDateEdit* edit)
{
    // An invalid result (no calendar, date outside it) leaves the input as it is.
    const QDate rolled = rollForwardDate(calendar_, edit->date());
    if (rolled.isValid())
        edit->setDate(rolled);
}

GeneratedSchedule WidgetObserveGlobal::estimateObserveDates()
{
    snapToTradingDay(dateEdit_start);
    snapToTradingDay(dateEdit_expiry);
    const GeneratedSchedule schedule =
        generateObserveDates(calendar_, dateEdit_start->date(), dateEdit_expiry->date(),
                             lineEdit_lock->text().toInt(nullptr, 10), comboBox_frequency->currentText());
    if (!schedule.ok())
        prompt::critical(nullptr, scheduleErrorTitle(), schedule.error);
    else if (!schedule.merged.empty())
        prompt::information(this, QStringLiteral("提示"), mergeNotice(schedule));
    observe_dates = schedule.dates;
    return schedule;
}

void WidgetObserveGlobal::loadSchedule(const QString& dates, const QString& ko, const QString& coupon,
                                       const QString& ki)
{
    const QStringList parts = dates.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return;

    // The arguments may be the schedule texts themselves: copy before assigning.
    const QString koText = ko, couponText = coupon, kiText = ki;
    observe_dates = dates;
    tableWidget_observe->clearContents();
    tableWidget_observe->clearSpans();
    tableWidget_observe->setRowCount(0);
    observe_ko_barrier = koText;
    observe_ko_coupon = couponText;
    observe_ki_barrier = kiText;

    const int n = parts.size();
    for (int i = 0; i < n; ++i) {
        insertFilledRow(tableWidget_observe, i, Qt::AlignRight);
        setCellAlignment(tableWidget_observe, i, 1, Qt::AlignCenter);
        setCellAlignment(tableWidget_observe, i, 2, Qt::AlignCenter);
        tableWidget_observe->item(i, kDateColumn)->setText(parts.at(i));
    }
    lineEdit_steps->setText(QString::number(n));

    setColumnValues(koText, 1, valueName(1), n);
    if (!couponText.isEmpty())
        setColumnValues(couponText, 2, valueName(2), n);
    if (!kiText.isEmpty())
        setColumnValues(kiText, 3, valueName(3), n);
}

void WidgetObserveGlobal::setColumnValues(const QString& valueText, int column, const QString& name,
                                          int rowCount)
{
    const ValueSpread spread = spreadValues(valueText, rowCount, name);
    if (!spread.warning.isEmpty())
        prompt::warning(this, QStringLiteral("请注意："), spread.warning);
    if (spread.single) {
        mergeColumn(tableWidget_observe, column, spread.values.value(0));
        return;
    }
    const int rows = std::min(spread.values.size(), tableWidget_observe->rowCount());
    for (int r = 0; r < rows; ++r) {
        if (QTableWidgetItem* item = tableWidget_observe->item(r, column))
            item->setText(spread.values.at(r));
    }
}

bool WidgetObserveGlobal::checkTable()
{
    const int rows = tableWidget_observe->rowCount();
    bool ok = true;
    for (int r = 0; r < rows && ok; ++r) {
        const QTableWidgetItem* date = tableWidget_observe->item(r, kDateColumn);
        ok = date && date->text().trimmed().size() == 8;
    }
    const int checkedRows = same_mode ? std::min(rows, 1) : rows;
    for (int c = 0; c < kColumnCount && ok; ++c) {
        for (int r = 0; r < checkedRows && ok; ++r) {
            const QTableWidgetItem* item = tableWidget_observe->item(r, c);
            ok = item && !item->text().isEmpty();
        }
    }
    if (!ok)
        prompt::critical(this, QStringLiteral("错误"), QStringLiteral("数据格式错误，请检查"));
    return ok;
}

QString WidgetObserveGlobal::joinColumn(int column) const
{
    QStringList texts;
    for (int r = 0; r < tableWidget_observe->rowCount(); ++r) {
        if (const QTableWidgetItem* item = tableWidget_observe->item(r, column))
            texts << item->text();
    }
    return texts.join(QLatin1Char('_'));
}

QString WidgetObserveGlobal::firstColumnText(int column) const
{
    for (int r = 0; r < tableWidget_observe->rowCount(); ++r) {
        const QString text = cellText(tableWidget_observe, r, column);
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

int WidgetObserveGlobal::itemCountInColumn(int column) const
{
    int count = 0;
    for (int r = 0; r < tableWidget_observe->rowCount(); ++r)
        count += tableWidget_observe->item(r, column) ? 1 : 0;
    return count;
}

// The common refusals of "+" and "-": false when there is no row to act on.
static bool haveCurrentRow(QTableWidget* table, QObject* parent)
{
    if (table->rowCount() == 0) {
        prompt::information(parent, QStringLiteral("提示"), QStringLiteral("请先点击【预估观察日】按钮"));
        return false;
    }
    if (table->currentRow() < 0) {
        prompt::information(parent, QStringLiteral("提示"), QStringLiteral("请先点击选中一行数据"));
        return false;
    }
    return true;
}

void WidgetObserveGlobal::on_pushButton_save_clicked()
{
    if (!datesInOrder() || !checkTable())
        return;
    QStringList dates;
    for (int r = 0; r < tableWidget_observe->rowCount(); ++r) {
        const QTableWidgetItem* item = tableWidget_observe->item(r, kDateColumn);
        if (item && item->text().trimmed().size() >= 8)
            dates << item->text();
    }
    observe_dates = dates.join(QLatin1Char('_'));
    observe_ko_barrier = joinColumn(1);
    observe_ko_coupon = joinColumn(2);
    observe_ki_barrier = joinColumn(3);
    publish();
    emit scheduleSaved(saved_);
}

void WidgetObserveGlobal::on_pushButton_add_clicked()
{
    if (!haveCurrentRow(tableWidget_observe, this))
        return;
    const int row = tableWidget_observe->currentRow();
    tableWidget_observe->insertRow(row);
    setCellAlignment(tableWidget_observe, row, kDateColumn, Qt::AlignRight);
    if (row == 0 && same_mode)
        on_pushButton_merge_clicked();
}

void WidgetObserveGlobal::on_pushButton_remove_clicked()
{
    if (!haveCurrentRow(tableWidget_observe, this))
        return;
    QStringList firstRow;
    for (int c = kFirstValueColumn; c <= kLastValueColumn; ++c)
        firstRow << cellText(tableWidget_observe, 0, c);

    const int row = tableWidget_observe->currentRow();
    tableWidget_observe->removeRow(row);

    // Row 0 carried the merged values: hand them to the new first row.
    if (same_mode && row == 0 && tableWidget_observe->rowCount() > 0) {
        for (int c = kFirstValueColumn; c <= kLastValueColumn; ++c) {
            const QString& text = firstRow.at(c - kFirstValueColumn);
            if (QTableWidgetItem* item = tableWidget_observe->item(0, c)) {
                item->setText(text);
            } else {
                auto* created = new QTableWidgetItem(text);
                created->setTextAlignment(Qt::AlignCenter);
                tableWidget_observe->setItem(0, c, created);
            }
        }
    }
}

void WidgetObserveGlobal::on_pushButton_divide_clicked()
{
    useValuePerDate();
}

void WidgetObserveGlobal::on_pushButton_merge_clicked()
{
    useOneValueForAllDates();
}

void WidgetObserveGlobal::useValuePerDate()
{
    for (int c = kFirstValueColumn; c <= kLastValueColumn; ++c) {
        if (itemCountInColumn(c) == 1)
            setColumnText(tableWidget_observe, c, firstColumnText(c));
    }
    same_mode = false;
}

void WidgetObserveGlobal::useOneValueForAllDates()
{
    for (int c = kFirstValueColumn; c <= kLastValueColumn; ++c)
        mergeColumn(tableWidget_observe, c, firstColumnText(c));
    same_mode = true;
}

void WidgetObserveGlobal::on_pushButton_observe_clicked()
{
    if (!datesInOrder())
        return;
    const GeneratedSchedule generated = estimateObserveDates();
    loadSchedule(observe_dates, keepFirstOfMerged(observe_ko_barrier, generated),
                 keepFirstOfMerged(observe_ko_coupon, generated), keepFirstOfMerged(observe_ki_barrier, generated));
}

void WidgetObserveGlobal::on_pushButton_set_ob_item_clicked()
{
    const QString values = stepValues(lineEdit_start_value->text().toDouble(),
                                      lineEdit_change->text().toDouble(),
                                      lineEdit_steps->text().toInt(nullptr, 10));
    const int column = comboBox_target->currentIndex() + kFirstValueColumn;
    if (column < kFirstValueColumn || column > kLastValueColumn)
        return;
    setColumnValues(values, column, comboBox_target->currentText(), tableWidget_observe->rowCount());
}
