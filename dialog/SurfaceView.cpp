#include "SurfaceView.h"

#include "ExportTableWidget.h"
#include "LocalVolView.h"
#include "MarketFile.h"
#include "NumberText.h"
#include "PlotCurve.h"
#include "SurfaceCalibration.h"

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include <qwt_legend.h>
#include <qwt_plot_curve.h>
#include <qwt_symbol.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

const QColor kPalette[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44), QColor(214, 39, 40),
                           QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127)};
constexpr int kSmilePoints = 60;

// The file line a quote came from ("quotes.csv line 12"), 0 when none.
int sourceLine(const std::string& source)
{
    const std::size_t at = source.rfind(" line ");
    return at == std::string::npos ? 0 : std::atoi(source.c_str() + at + 6);
}

// Each quote's expiry as its file writes it, by the quote's line.
QString expiryText(const MarketTable& file, const QuoteResult& q)
{
    const int line = sourceLine(q.quote.source);
    for (const MarketKey& key : file.keys)
        if (key.line == line)
            return key.is_date ? QString::number(key.date) : QString::number(key.years, 'g', 6);
    return QString::number(q.quote.expiry, 'g', 6);
}

QString percent(double decimal) { return fixedText(100.0 * decimal, 2); }

}  // namespace

SurfaceView::SurfaceView(QWidget* parent) : QWidget(parent)
{
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    words = new QLabel;
    words->setObjectName(QStringLiteral("label_surface_words"));
    words->setWordWrap(true);
    top->addWidget(words);

    auto* plots = new QSplitter(Qt::Horizontal);
    smiles = new PlotCurve;
    smiles->setObjectName(QStringLiteral("plot_smiles"));
    smiles->setCanvasBackground(Qt::white);
    smiles->setAxisTitle(QwtPlot::xBottom, QStringLiteral("行权价"));
    smiles->setAxisTitle(QwtPlot::yLeft, QStringLiteral("隐含波动率(%)"));
    smiles->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    plots->addWidget(smiles);
    localVol = new LocalVolView;
    localVol->setObjectName(QStringLiteral("colormap_surface"));
    plots->addWidget(localVol);

    table = new ExportTableWidget;
    table->setObjectName(QStringLiteral("table_surface"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->setColumnCount(8);
    table->setHorizontalHeaderLabels({QStringLiteral("到期"), QStringLiteral("年数"), QStringLiteral("行权价"),
                                      QStringLiteral("远期"), QStringLiteral("市场(%)"), QStringLiteral("拟合(%)"),
                                      QStringLiteral("重定价(%)"), QStringLiteral("误差(bp)")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(plots);
    split->addWidget(table);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    top->addWidget(split, 1);
}

void SurfaceView::showMessage(const QString& text)
{
    words->setText(text);
    smiles->setCurves({});
    smiles->replot();
    localVol->clearCells();
    table->setRowCount(0);
}

void SurfaceView::show(const SurfaceCalibration& fit, const MarketTable& file)
{
    words->setText(errorWords(fit, file));

    // One colour per expiry: its quotes as points, its fitted smile as a line.
    std::map<double, std::vector<const QuoteResult*>> byExpiry;
    for (const QuoteResult& q : fit.quotes)
        byExpiry[q.quote.expiry].push_back(&q);
    QList<QByteArray> titles;
    QList<QColor> colors;
    for (const auto& [T, quotes] : byExpiry) {
        const QByteArray name = QStringLiteral("到期 %1").arg(expiryText(file, *quotes.front())).toUtf8();
        titles << name + QStringLiteral(" 报价").toUtf8() << name;
        const QColor c = kPalette[(titles.size() / 2 - 1) % std::size(kPalette)];
        colors << c << c;
    }
    smiles->setCurves(titles, colors);
    int index = 0;
    double loK = INFINITY, hiK = -INFINITY;
    for (const auto& [T, quotes] : byExpiry) {
        std::vector<double> K, market, line, fitted;
        for (const QuoteResult* q : quotes) {
            K.push_back(q->quote.strike);
            market.push_back(100.0 * q->quote.vol);
        }
        const double F = quotes.front()->forward;
        for (int i = 0; i < kSmilePoints; ++i) {
            const double strike = K.front() + (K.back() - K.front()) * i / (kSmilePoints - 1);
            line.push_back(strike);
            fitted.push_back(100.0 * std::sqrt(fit.surface->at(std::log(strike / F), T).w / T));
        }
        loK = std::min(loK, K.front());
        hiK = std::max(hiK, K.back());
        QwtPlotCurve* points = smiles->curve(index);
        points->setStyle(QwtPlotCurve::NoCurve);
        points->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(colors[index]), QPen(colors[index]), QSize(5, 5)));
        points->setItemAttribute(QwtPlotItem::Legend, false);
        smiles->setCurveSamples(index, K.data(), market.data(), static_cast<int>(K.size()));
        smiles->setCurveSamples(index + 1, line.data(), fitted.data(), kSmilePoints);
        index += 2;
    }
    smiles->updateLegend();  // the quotes' points leave it: one entry an expiry
    smiles->replot();
    if (fit.local_vol && !byExpiry.empty())
        localVol->show(*fit.local_vol, loK, hiK, byExpiry.rbegin()->first);

    table->setRowCount(static_cast<int>(fit.quotes.size()));
    int row = 0;
    for (const QuoteResult& q : fit.quotes) {
        const QString cells[] = {expiryText(file, q),
                                 fixedText(q.quote.expiry, 4),
                                 QString::number(q.quote.strike, 'g', 8),
                                 fixedText(q.forward, 3),
                                 percent(q.quote.vol),
                                 percent(q.fitted_vol),
                                 percent(q.repriced_vol),
                                 fixedText(q.error_bp, 1)};
        for (int c = 0; c < 8; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, c, item);
        }
        ++row;
    }
}

QString SurfaceView::errorWords(const SurfaceCalibration& fit, const MarketTable& file)
{
    const QuoteResult* worst = nullptr;
    for (const QuoteResult& q : fit.quotes)
        if (!std::isfinite(q.error_bp) || !worst || std::fabs(q.error_bp) > std::fabs(worst->error_bp)) {
            worst = &q;
            if (!std::isfinite(q.error_bp))
                break;
        }
    QString text;
    if (!worst)
        text = QStringLiteral("曲面没有报价。");
    else if (!std::isfinite(worst->error_bp))
        text = QStringLiteral("到期 %1、行权价 %2 的报价无法用局部波动率重新定价。")
                   .arg(expiryText(file, *worst), QString::number(worst->quote.strike, 'g', 8));
    else
        text = QStringLiteral("用拟合出的局部波动率重新给每个报价定价，最大误差为 %1 个基点（%2 个波动率点），"
                              "在到期 %3、行权价 %4 处：市场 %5%，重定价 %6%。")
                   .arg(fixedText(std::fabs(worst->error_bp), 1),
                        fixedText(std::fabs(worst->error_bp) / 100.0, 3), expiryText(file, *worst),
                        QString::number(worst->quote.strike, 'g', 8), percent(worst->quote.vol),
                        percent(worst->repriced_vol));
    if (!fit.arbitrage.empty()) {
        double largest = 0.0;
        for (const ArbitrageFinding& a : fit.arbitrage)
            largest = std::max(largest, a.vol_points);
        text += QStringLiteral("报价之间有 %1 处轻微套利，已由拟合吸收（最大 %2 个波动率点）。")
                    .arg(fit.arbitrage.size())
                    .arg(fixedText(largest, 2));
    }
    return text;
}
