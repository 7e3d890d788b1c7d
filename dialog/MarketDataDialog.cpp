#include "MarketDataDialog.h"

#include "BackgroundRun.h"
#include "Calendar.h"
#include "ExportTableWidget.h"
#include "LocalVolGrid.h"
#include "LocalVolView.h"
#include "NoticeBox.h"
#include "NumberText.h"
#include "ObserveSchedule.h"
#include "PlotCurve.h"
#include "Prompt.h"
#include "SurfaceView.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <qwt_plot_curve.h>
#include <cmath>
#include <qwt_symbol.h>

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

// What each input holds and which field it stands in for, for the user.
const char* const kFormats[kMarketInputCount] = {
    "文件格式 point,rate_pct：每行“关键点,连续复利零息利率(%)”。",
    "文件格式 point,rate_pct：每行“关键点,连续复利零息分红率(%)”。",
    "文件格式 point,price：每行“关键点,股指期货价格”；分红率（基差）曲线按定价时的标的价格推出。",
    "文件格式 point,vol_pct：每行“关键点,到该点的Black波动率(%)”。",
    "文件格式 point,L1,...,Lk：表头为绝对价格水平（递增），每行“关键点,各水平上的局部波动率(%)”。",
    "文件格式 expiry,strike,vol_pct：每行“到期,绝对行权价,隐含波动率(%)”，每个到期至少5个行权价；"
    "拟合为无套利曲面后转为局部波动率。",
};

QString fieldCaption(FlatField field)
{
    switch (field) {
    case FlatField::Rate:
        return QStringLiteral("无风险利率(%)");
    case FlatField::Dividend:
        return QStringLiteral("分红率(%)");
    case FlatField::Volatility:
        break;
    }
    return QStringLiteral("波动率(%)");
}

// The column of the file's values, as the file writes them.
QString valueCaption(MarketFileKind kind)
{
    switch (kind) {
    case MarketFileKind::Futures:
        return QStringLiteral("期货价格");
    case MarketFileKind::Rates:
        return QStringLiteral("零息利率(%)");
    default:
        break;
    }
    return QStringLiteral("波动率(%)");
}

QString keyText(const MarketKey& key)
{
    return key.is_date ? QString::number(key.date) : QString::number(key.years, 'g', 8);
}

void setRow(QTableWidget* table, int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, c, item);
    }
}

QString name(MarketInput input) { return u8(marketInputInfo(input).name); }

}  // namespace

MarketDataDialog::MarketDataDialog(CalculatorController& c, std::function<CalculatorInputs()> in, QWidget* parent)
    : QDialog(parent), controller(c), inputs(std::move(in))
{
    setWindowTitle(QStringLiteral("市场数据"));
    resize(1040, 640);
    auto* top = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral(
        "载入的市场数据代替主窗口中对应的平坦参数（该字段变灰），只在勾选【高精度】时使用；文件在磁盘上改动后，"
        "下次计算前会重新读取。关键点为日期 yyyyMMdd（自估值日起按交易日计）或带小数点的年数（如 0.5）。"));
    note->setWordWrap(true);
    top->addWidget(note);
    tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("tabs_market"));
    for (int i = 0; i < kMarketInputCount; ++i)
        tabs->addTab(buildPage(marketInputAt(i)), name(marketInputAt(i)));
    top->addWidget(tabs, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("关闭"));
    close->setAutoDefault(false);
    bottom->addWidget(close);
    top->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(tabs, &QTabWidget::currentChanged, this, &MarketDataDialog::showCurrentPage);
}

MarketDataDialog::~MarketDataDialog() = default;

QWidget* MarketDataDialog::buildPage(MarketInput input)
{
    const MarketInputInfo& info = marketInputInfo(input);
    const QString key = QString::fromLatin1(info.settingsKey);
    Page& page = pages[static_cast<std::size_t>(input)];
    auto* widget = new QWidget;
    auto* box = new QVBoxLayout(widget);

    auto* fileRow = new QHBoxLayout;
    page.file = new QLabel;
    page.file->setObjectName(QStringLiteral("label_file_") + key);
    page.file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileRow->addWidget(page.file, 1);
    auto* load = new QPushButton(QStringLiteral("载入..."));
    load->setObjectName(QStringLiteral("pushButton_load_") + key);
    auto* clear = new QPushButton(QStringLiteral("清除"));
    clear->setObjectName(QStringLiteral("pushButton_clear_") + key);
    for (QPushButton* b : {load, clear}) {
        b->setAutoDefault(false);
        fileRow->addWidget(b);
    }
    box->addLayout(fileRow);
    auto* format = new QLabel(QStringLiteral("代替“%1”。").arg(fieldCaption(info.replaces)) + u8(kFormats[int(input)]));
    format->setWordWrap(true);
    format->setStyleSheet(QStringLiteral("color: #555555;"));
    box->addWidget(format);
    page.problem = new QLabel;
    page.problem->setObjectName(QStringLiteral("label_problem_") + key);
    page.problem->setWordWrap(true);
    page.problem->setStyleSheet(QStringLiteral("color: #c0392b;"));
    box->addWidget(page.problem);

    if (input == MarketInput::VolatilitySurface) {
        page.surface = new SurfaceView;
        box->addWidget(page.surface, 1);
    } else {
        auto* split = new QSplitter(Qt::Horizontal);
        page.table = new ExportTableWidget;
        page.table->setObjectName(QStringLiteral("table_") + key);
        page.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        page.table->verticalHeader()->setVisible(false);
        split->addWidget(page.table);
        if (input == MarketInput::LocalVolatility) {
            page.grid = new LocalVolView;
            page.grid->setObjectName(QStringLiteral("colormap_") + key);
            split->addWidget(page.grid);
        } else {
            page.curve = new PlotCurve;
            page.curve->setObjectName(QStringLiteral("plot_") + key);
            page.curve->setCanvasBackground(Qt::white);
            page.curve->setAxisTitle(QwtPlot::xBottom, QStringLiteral("年数"));
            page.curve->setAxisTitle(QwtPlot::yLeft, valueCaption(info.kind));
            split->addWidget(page.curve);
        }
        split->setStretchFactor(0, 2);
        split->setStretchFactor(1, 3);
        box->addWidget(split, 1);
    }
    connect(load, &QPushButton::clicked, this, [this, input] { this->load(input); });
    connect(clear, &QPushButton::clicked, this, [this, input] { this->clear(input); });
    return widget;
}

CalculatorController::Runner MarketDataDialog::runner()
{
    return [this](const QString& label, const CalculatorController::Work& work) {
        return runWithProgress(this, label, work) == RunOutcome::Finished;
    };
}

void MarketDataDialog::refresh()
{
    controller.refreshMarket();
    for (int i = 0; i < kMarketInputCount; ++i) {
        const MarketInput input = marketInputAt(i);
        tabs->setTabText(i, controller.market().file(input) ? name(input) + QStringLiteral(" ✓") : name(input));
    }
    showCurrentPage();
}

void MarketDataDialog::showCurrentPage()
{
    if (tabs->currentIndex() >= 0)
        showPage(marketInputAt(tabs->currentIndex()));
}

void MarketDataDialog::load(MarketInput input)
{
    const LoadedMarketFile* loaded = controller.market().file(input);
    const QString folder = loaded ? QFileInfo(loaded->path).absolutePath()
                           : lastFolder.isEmpty() ? QDir::homePath()
                                                  : lastFolder;
    const QString path = prompt::openFileName(this, QStringLiteral("载入") + name(input), folder,
                                              QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    lastFolder = QFileInfo(path).absolutePath();
    tabs->setCurrentIndex(static_cast<int>(input));  // the page the file goes to
    const Notice notice = controller.loadMarket(input, path, inputs(), runner());
    showNotice(this, notice);
    if (!notice && controller.market().file(input) && controller.market().file(input)->path == path)
        emit marketChanged();
    refresh();
}

void MarketDataDialog::clear(MarketInput input)
{
    if (!controller.market().file(input))
        return;
    tabs->setCurrentIndex(static_cast<int>(input));
    controller.clearMarket(input);
    emit marketChanged();
    refresh();
}

bool MarketDataDialog::keyTimes(const MarketTable& table, std::vector<double>& times, QString& error) const
{
    const int yearDays = fieldInt(inputs().texts.yearDays);
    return marketKeyTimes(table, controller.calendar(), dateToInt(controller.schedule().start),
                          yearDays > 0 ? yearDays : 243, times, error);
}

void MarketDataDialog::showPage(MarketInput input)
{
    Page& page = pages[static_cast<std::size_t>(input)];
    const LoadedMarketFile* loaded = controller.market().file(input);
    page.file->setText(loaded ? QStringLiteral("文件：") + loaded->path : QStringLiteral("未载入"));
    page.problem->setText(loaded && !loaded->problem.isEmpty()
                              ? QStringLiteral("文件已更改，无法重新读取（以下为上次读取的内容，计算时不会使用）：") +
                                    loaded->problem
                              : QString());
    if (page.surface) {
        if (!loaded)
            page.surface->showMessage(QString());
        else
            showSurface(page, loaded->table);
        return;
    }
    page.table->clear();
    page.table->setRowCount(0);
    page.table->setColumnCount(0);
    if (page.curve) {
        page.curve->setCurves({});
        page.curve->replot();
    }
    if (page.grid)
        page.grid->clearCells();
    if (!loaded)
        return;
    std::vector<double> times;
    QString error;
    if (!keyTimes(loaded->table, times, error)) {
        // Shown as written; the actions refuse the file with this reason.
        page.problem->setText((page.problem->text() + QLatin1Char('\n') + error).trimmed());
        times.assign(loaded->table.keys.size(), std::nan(""));
    }
    if (page.grid)
        showGrid(page, loaded->table, times);
    else
        showCurve(page, loaded->table, times);
}

void MarketDataDialog::showCurve(Page& page, const MarketTable& table, const std::vector<double>& times)
{
    const bool futures = table.kind == MarketFileKind::Futures;
    page.table->setColumnCount(3);
    page.table->setHorizontalHeaderLabels({QStringLiteral("关键点"), QStringLiteral("年数"), valueCaption(table.kind)});
    page.table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    page.table->setRowCount(static_cast<int>(table.keys.size()));
    std::vector<double> shown;
    for (std::size_t i = 0; i < table.keys.size(); ++i) {
        const double v = futures ? table.values[i][0] : 100.0 * table.values[i][0];
        shown.push_back(v);
        setRow(page.table, static_cast<int>(i),
               {keyText(table.keys[i]), fixedText(times[i], 4), QString::number(v, 'g', 8)});
    }
    page.curve->setCurves({valueCaption(table.kind).toUtf8()}, {QColor(31, 119, 180)});
    QwtPlotCurve* curve = page.curve->curve(0);
    curve->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(QColor(31, 119, 180)), QPen(QColor(31, 119, 180)),
                                   QSize(7, 7)));
    page.curve->setCurveSamples(0, times.data(), shown.data(), static_cast<int>(times.size()));
    page.curve->replot();
}

void MarketDataDialog::showGrid(Page& page, const MarketTable& table, const std::vector<double>& times)
{
    const int levels = static_cast<int>(table.levels.size());
    page.table->setColumnCount(2 + levels);
    QStringList header{QStringLiteral("关键点"), QStringLiteral("年数")};
    for (double level : table.levels)
        header << QString::number(level, 'g', 8);
    page.table->setHorizontalHeaderLabels(header);
    page.table->setRowCount(static_cast<int>(table.keys.size()));
    for (std::size_t i = 0; i < table.keys.size(); ++i) {
        QStringList cells{keyText(table.keys[i]), fixedText(times[i], 4)};
        for (double v : table.values[i])
            cells << fixedText(100.0 * v, 2);
        setRow(page.table, static_cast<int>(i), cells);
    }
    page.table->resizeColumnsToContents();
    const MarketResult<LocalVolGrid> grid = LocalVolGrid::from_rows(table.levels, times, table.values);
    // One level is a flat smile: shown a fifth either side.
    const double lo = table.levels.front(), hi = table.levels.back();
    if (grid.ok())
        page.grid->show(*grid.value, hi > lo ? lo : 0.8 * lo, hi > lo ? hi : 1.2 * hi, times.back());
}

void MarketDataDialog::showSurface(Page& page, const MarketTable& table)
{
    const MarketBuild& built = controller.marketOnScreen(inputs(), runner());
    if (!built.ok())
        page.surface->showMessage(QStringLiteral("无法拟合曲面：") + built.message);
    else if (built.surface)
        page.surface->show(*built.surface, table);
}
