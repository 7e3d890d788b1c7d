#include "PanelStress.h"

#include "BackgroundRun.h"
#include "ColorScale.h"
#include "ExportTableWidget.h"
#include "GridLimitWarning.h"
#include "NumberText.h"
#include "Prompt.h"
#include "StrictFields.h"
#include "TableHelpers.h"
#include "TermTable.h"

#include <QBrush>
#include <QColor>
#include <QDate>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char* const kNotInitialised = "结构信息未初始化，请先点击【定价】";
const char* const kTermsStale = "条款已修改，结构信息不再对应当前条款，请先点击【定价】";
const char* const kTablesStale = "条款已修改：此结果不再对应当前条款，请重新点击【定价】和【计算】";

void setHeaderText(QTableWidget* table, int column, const QString& text)
{
    QTableWidgetItem* item = table->horizontalHeaderItem(column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setHorizontalHeaderItem(column, item);
    }
    item->setText(text);
}

}  // namespace

PanelStress::PanelStress(QWidget* parent) : QWidget(parent)
{
    setupUi();
}

PanelStress::~PanelStress() = default;

void PanelStress::setupUi()
{
    setWindowTitle(QString::fromUtf8("S-σ压力测试"));
    resize(880, 430);

    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);

    auto addField = [this, row](const char* label, const char* text, const char* name) {
        row->addWidget(new QLabel(QString::fromUtf8(label), this));
        auto* edit = new QLineEdit(QString::fromUtf8(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        row->addWidget(edit);
        return edit;
    };
    lineEdit_price_start = addField("价格开始:", "70", "lineEdit_price_start");
    lineEdit_price_end = addField("结束:", "130", "lineEdit_price_end");
    lineEdit_price_step = addField("步长:", "10", "lineEdit_price_step");
    lineEdit_vol_start = addField("波动率开始:", "0.05", "lineEdit_vol_start");
    label_vol_start = qobject_cast<QLabel*>(row->itemAt(row->count() - 2)->widget());
    label_vol_start->setObjectName(QStringLiteral("label_vol_start"));
    lineEdit_vol_end = addField("结束:", "0.5", "lineEdit_vol_end");
    lineEdit_vol_step = addField("步长:", "0.05", "lineEdit_vol_step");
    lineEdit_days = addField("交易日:", "100", "lineEdit_days");

    pushButton_calc = new QPushButton(QString::fromUtf8("计算"), this);
    pushButton_calc->setObjectName(QStringLiteral("pushButton_calc"));
    pushButton_data = new QPushButton(QString::fromUtf8("导出数据"), this);
    pushButton_data->setObjectName(QStringLiteral("pushButton_data"));
    row->addWidget(pushButton_calc);
    row->addWidget(pushButton_data);

    label_status = new QLabel(this);
    label_status->setObjectName(QStringLiteral("label_status"));
    label_status->setStyleSheet(QStringLiteral("color: red;"));
    label_status->setVisible(false);
    top->addWidget(label_status);

    auto* tabWidget = new QTabWidget(this);
    table_tv = new ExportTableWidget;
    table_delta = new ExportTableWidget;
    table_gamma = new ExportTableWidget;
    table_tv->setObjectName(QStringLiteral("table_tv"));
    table_delta->setObjectName(QStringLiteral("table_delta"));
    table_gamma->setObjectName(QStringLiteral("table_gamma"));
    // Narrower than Qt's default columns, so that the default seven prices
    // fit the window without scrolling.
    for (QTableWidget* t : {static_cast<QTableWidget*>(table_tv), static_cast<QTableWidget*>(table_delta),
                            static_cast<QTableWidget*>(table_gamma)})
        t->horizontalHeader()->setDefaultSectionSize(90);
    tabWidget->addTab(table_tv, QStringLiteral("TV"));
    tabWidget->addTab(table_delta, QStringLiteral("Delta"));
    tabWidget->addTab(table_gamma, QStringLiteral("Gamma"));
    top->addWidget(tabWidget);

    markStartsRun(pushButton_calc);
    connect(pushButton_calc, &QPushButton::clicked, this, &PanelStress::on_pushButton_calc_clicked);
    connect(pushButton_data, &QPushButton::clicked, this, &PanelStress::on_pushButton_data_clicked);
}

void PanelStress::setRequest(const PricingRequest& r, bool current)
{
    request = r;
    requestCurrent = current;
    if ((r.market != nullptr) != volatilityShifts)
        useVolatilityShifts(r.market != nullptr);
    if (!current)
        markStale();
}

void PanelStress::useVolatilityShifts(bool shifts)
{
    const TermSpec& shift = volatilityShiftSpec();
    const QString level[3] = {QStringLiteral("0.05"), QStringLiteral("0.5"), QStringLiteral("0.05")};
    const QString shifted[3] = {QString::number(shift.start, 'g', 6), QString::number(shift.end, 'g', 6),
                                QString::number(shift.step, 'g', 6)};
    const QString* from = shifts ? level : shifted;
    const QString* to = shifts ? shifted : level;
    QLineEdit* const edits[3] = {lineEdit_vol_start, lineEdit_vol_end, lineEdit_vol_step};
    bool untouched = true;
    for (int i = 0; i < 3; ++i)
        untouched = untouched && edits[i]->text() == from[i];
    if (untouched)
        for (int i = 0; i < 3; ++i)
            edits[i]->setText(to[i]);
    label_vol_start->setText(QString::fromUtf8(shifts ? "波动率平移开始:" : "波动率开始:"));
    volatilityShifts = shifts;
}

void PanelStress::markStale()
{
    requestCurrent = false;
    if (table_tv->rowCount() > 0)
        showTablesStale(true);
}

void PanelStress::showTablesStale(bool stale)
{
    tablesStale = stale;
    const QString why = stale ? QString::fromUtf8(kTablesStale) : QString();
    label_status->setText(why);
    label_status->setVisible(stale);
    for (ExportTableWidget* t : {table_tv, table_delta, table_gamma}) {
        t->setExportRefusal(why);
        t->setStyleSheet(stale ? QStringLiteral("color: grey;") : QString());
    }
}

void PanelStress::on_pushButton_calc_clicked()
{
    // Every field read strictly: a text that is no number would silently
    // become 0 and compute a grid nobody asked for.
    double pStart = 0, pEnd = 0, pStep = 0, vStart = 0, vEnd = 0, vStep = 0;
    int days = 0;
    QString error;
    if (!readNumberField(QString::fromUtf8("价格开始:"), lineEdit_price_start->text(), pStart, error)
        || !readNumberField(QString::fromUtf8("结束:"), lineEdit_price_end->text(), pEnd, error)
        || !readNumberField(QString::fromUtf8("步长:"), lineEdit_price_step->text(), pStep, error)
        || !readNumberField(label_vol_start->text(), lineEdit_vol_start->text(), vStart, error)
        || !readNumberField(QString::fromUtf8("结束:"), lineEdit_vol_end->text(), vEnd, error)
        || !readNumberField(QString::fromUtf8("步长:"), lineEdit_vol_step->text(), vStep, error)
        || !readIntField(QString::fromUtf8("交易日:"), lineEdit_days->text(), days, error)) {
        prompt::critical(this, QString::fromUtf8("错误："), error);
        return;
    }
    const int nP = grid_point_count(pStart, pEnd, pStep);
    const int nV = grid_point_count(vStart, vEnd, vStep);
    const double tau = days / 252.0;

    if (!request) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8(kNotInitialised));
        return;
    }
    if (!requestCurrent) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8(kTermsStale));
        return;
    }
    const bool runs = nP >= 1 && nV >= 1 && nP <= kMaxGridPoints && nV <= kMaxGridPoints;
    if (runs && !gridFitsMemory(this, QString::fromUtf8("错误："), *request, GridUse::KeepGrids))
        return;
    PricingRequest work = *request;
    StressResult result;
    const RunOutcome outcome =
        runWithProgress(this, QString::fromUtf8("正在进行压力测试..."), [&](const ProgressHook& hook) {
            work.progress = hook;
            result = stress_grid(work, GridAxis{pStart, pStep, nP}, GridAxis{vStart, vStep, nV}, tau);
        });
    if (outcome == RunOutcome::Cancelled)  // the tables keep the last calculation
        return;

    if (result.refusal.code == RefusalCode::EmptyAxis)  // an empty range is no error to report
        return;
    if (result.refusal.code == RefusalCode::AxisTooLong) {
        warnTooManyGridPoints(this);
        return;
    }
    if (!result.ok()) {
        prompt::critical(this, QString::fromUtf8("错误："), QString::fromUtf8("无法对结构进行定价"));
        return;
    }

    for (QTableWidget* t : {static_cast<QTableWidget*>(table_tv), static_cast<QTableWidget*>(table_delta),
                            static_cast<QTableWidget*>(table_gamma)})
        fillStressHeaders(t, nP, nV, pStart, pStep, vStart, vStep);
    fillStressValues(table_tv, result.tv, 100.0);
    fillStressValues(table_delta, result.delta, 0.0);
    fillStressValues(table_gamma, result.gamma, 0.0);
    showTablesStale(false);
}

void PanelStress::fillStressHeaders(QTableWidget* table, int nP, int nV, double priceStart, double priceStep,
                                    double volStart, double volStep)
{
    // Filling thousands of cells one by one would repaint after each.
    table->setUpdatesEnabled(false);
    resetTable(table, nV, nP + 1);
    setColumnsAlignment(table, 1, nP, Qt::AlignRight);

    setHeaderText(table, 0, QString::fromUtf8("情景"));
    table->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section {background-color: lightblue;}"));
    for (int c = 0; c < nP; ++c)
        setHeaderText(table, c + 1, QString::asprintf("%g", priceStart + c * priceStep));

    const QBrush yellow(QColor(QStringLiteral("yellow")));
    for (int r = 0; r < nV; ++r) {
        QTableWidgetItem* item = table->item(r, 0);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(r, 0, item);
        }
        double v = (volStart + r * volStep) * 100.0;
        if (std::fabs(v) < 1e-9)  // -0.05 + 5 x 0.01 is 0, not a rounding residue
            v = 0.0;
        // Shifts carry their sign (+1%, -5%); levels do not.
        item->setText((volatilityShifts && v > 0.0 ? QStringLiteral("+") : QString()) +
                      QString::number(v, 'g', 6) + QLatin1Char('%'));
        item->setTextAlignment(Qt::AlignCenter);
        item->setBackground(yellow);
    }
    table->setUpdatesEnabled(true);
}

void PanelStress::fillStressValues(QTableWidget* table, const StressMatrix& values, double centre)
{
    if (!table || values.empty() || values.front().empty())
        return;
    const int rows = static_cast<int>(values.size());
    const int columns = static_cast<int>(values.front().size());
    if (table->rowCount() < rows || table->columnCount() < columns + 1)
        return;

    const StressBands bands = StressBands::of(values, centre);
    table->setUpdatesEnabled(false);
    // Seventeen colours only: build each pair of brushes once. Dark
    // backgrounds (the deep greens and reds) get white text to stay legible.
    struct CellBrushes
    {
        QBrush background;
        QBrush text;
    };
    QMap<QString, CellBrushes> brushes;
    for (int r = 0; r < rows; ++r) {
        const std::vector<double>& row = values[static_cast<size_t>(r)];
        // Rows longer than the first would run past the table's columns.
        const int n = std::min(static_cast<int>(row.size()), columns);
        for (int c = 0; c < n; ++c) {
            const double x = row[static_cast<size_t>(c)];
            QTableWidgetItem* item = table->item(r, c + 1);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(r, c + 1, item);
            }
            item->setText(fixedText(x, 3));
            const QString colour = levelColorName(bands.level(x));
            auto it = brushes.find(colour);
            if (it == brushes.end()) {
                const QColor back(colour);
                it = brushes.insert(colour, {QBrush(back), QBrush(back.lightness() < 110 ? Qt::white : Qt::black)});
            }
            item->setBackground(it->background);
            item->setForeground(it->text);
        }
    }
    table->setUpdatesEnabled(true);
}

void PanelStress::on_pushButton_data_clicked()
{
    if (tablesStale) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8(kTablesStale));
        return;
    }
    // Joined with "/" and shown in the platform's form: a backslash would end
    // up inside the file name on Linux.
    const QString start = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/')
        + QStringLiteral("stress_data_") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    const QString fileName = prompt::saveFileName(this, QString::fromUtf8("压力测试数据存为:"), start,
                                            QStringLiteral("csv files (*.csv)"));
    if (fileName.isEmpty())  // cancelled: nothing is written
        return;

    QMap<QByteArray, QTableWidget*> tables;
    tables.insert(QByteArrayLiteral("TV"), table_tv);
    tables.insert(QByteArrayLiteral("Delta"), table_delta);
    tables.insert(QByteArrayLiteral("Gamma"), table_gamma);
    showExportResult(exportTablesToCsv(tables, fileName));
}
