#include "PanelStress.h"

#include "BackgroundRun.h"
#include "ColorScale.h"
#include "ExportTableWidget.h"
#include "GridLimitWarning.h"
#include "RunPlan.h"
#include "NumberText.h"
#include "Prompt.h"
#include "StrictFields.h"
#include "TableHelpers.h"

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

namespace {

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

    auto addField = [this, row](const char* label, const char* text) {
        row->addWidget(new QLabel(QString::fromUtf8(label), this));
        auto* edit = new QLineEdit(QString::fromUtf8(text), this);
        row->addWidget(edit);
        return edit;
    };
    lineEdit_price_start = addField("价格开始:", "70");
    lineEdit_price_end = addField("结束:", "130");
    lineEdit_price_step = addField("步长:", "10");
    lineEdit_vol_start = addField("波动率开始:", "0.05");
    lineEdit_vol_end = addField("结束:", "0.5");
    lineEdit_vol_step = addField("步长:", "0.05");
    lineEdit_days = addField("交易日:", "100");

    pushButton_calc = new QPushButton(QString::fromUtf8("计算"), this);
    pushButton_data = new QPushButton(QString::fromUtf8("导出数据"), this);
    row->addWidget(pushButton_calc);
    row->addWidget(pushButton_data);

    tabWidget = new QTabWidget(this);
    table_tv = new ExportTableWidget;
    table_delta = new ExportTableWidget;
    table_gamma = new ExportTableWidget;
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
        || !readNumberField(QString::fromUtf8("波动率开始:"), lineEdit_vol_start->text(), vStart, error)
        || !readNumberField(QString::fromUtf8("结束:"), lineEdit_vol_end->text(), vEnd, error)
        || !readNumberField(QString::fromUtf8("步长:"), lineEdit_vol_step->text(), vStep, error)
        || !readIntField(QString::fromUtf8("交易日:"), lineEdit_days->text(), days, error)) {
        prompt::critical(this, QString::fromUtf8("错误："), error);
        return;
    }
    const int nP = grid_point_count(pStart, pEnd, pStep);
    const int nV = grid_point_count(vStart, vEnd, vStep);
    const double tau = days / 252.0;

    const bool runs = nP >= 1 && nV >= 1 && nP <= kMaxGridPoints && nV <= kMaxGridPoints;
    if (runs && engine.initialised && !gridFitsMemory(this, QString::fromUtf8("错误："), engine, GridUse::KeepGrids))
        return;

    if (!engine.initialised) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8("结构信息未初始化，请先点击【定价】"));
        return;
    }
    PricingRequest request = engine.request();
    StressResult result;
    // One solve per volatility, over the remaining time in accurate mode.
    const RunPlan plan = runPlan(engine, nV, tau > 0 ? tau : 0.0);
    const RunOutcome outcome = runGridWork(
        this, runs && plan.background, QString::fromUtf8("正在进行压力测试..."), plan.steps,
        [&](const ProgressHook& hook) {
            request.progress = hook;
            result = stress_grid(request, GridAxis{pStart, pStep, nP}, GridAxis{vStart, vStep, nV}, tau);
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

    price_start = pStart;
    price_end = pEnd;
    price_step = pStep;
    vol_start = vStart;
    vol_end = vEnd;
    vol_step = vStep;

    fillStressHeaders(table_tv, nP, nV);
    fillStressHeaders(table_delta, nP, nV);
    fillStressHeaders(table_gamma, nP, nV);
    fillStressValues(table_tv, result.tv, 100.0);
    fillStressValues(table_delta, result.delta, 0.0);
    fillStressValues(table_gamma, result.gamma, 0.0);
}

void PanelStress::fillStressHeaders(QTableWidget* table, int nP, int nV)
{
    // Filling thousands of cells one by one would repaint after each.
    table->setUpdatesEnabled(false);
    resetTable(table, nV, nP + 1);
    setColumnsAlignment(table, 1, nP, Qt::AlignRight);

    setHeaderText(table, 0, QString::fromUtf8("情景"));
    table->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section {background-color: lightblue;}"));
    for (int c = 0; c < nP; ++c)
        setHeaderText(table, c + 1, QString::asprintf("%g", price_start + c * price_step));

    const QBrush yellow(QColor(QStringLiteral("yellow")));
    for (int r = 0; r < nV; ++r) {
        QTableWidgetItem* item = table->item(r, 0);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(r, 0, item);
        }
        item->setText(QString::number((vol_start + r * vol_step) * 100.0, 'g', 6) + QLatin1Char('%'));
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
