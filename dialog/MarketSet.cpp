#include "MarketSet.h"

#include "InputFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cmath>
#include <cstring>

namespace {

const MarketInputInfo kInputs[kMarketInputCount] = {
    {"利率曲线", "rates", MarketFileKind::Rates, &MarketTables::rates, FlatField::Rate},
    {"分红率曲线", "dividends", MarketFileKind::Rates, &MarketTables::dividends, FlatField::Dividend},
    {"股指期货", "futures", MarketFileKind::Futures, &MarketTables::futures, FlatField::Dividend},
    {"波动率期限曲线", "volatility_curve", MarketFileKind::VolatilityCurve, &MarketTables::volatilityCurve,
     FlatField::Volatility},
    {"局部波动率网格", "local_volatility", MarketFileKind::LocalVolatility, &MarketTables::localVolatility,
     FlatField::Volatility},
    {"隐含波动率曲面", "volatility_surface", MarketFileKind::VolatilitySurface, &MarketTables::volatilitySurface,
     FlatField::Volatility},
};

const char* const kSettingsGroup = "market";

QString u8(const char* text) { return QString::fromUtf8(text); }

int indexOf(MarketInput input) { return static_cast<int>(input); }

// The file as it is on disk now: its table and digest, or why not.
struct FileNow
{
    LoadedMarketFile file;
    QString message;
};

FileNow readNow(const QString& path, MarketFileKind kind)
{
    FileNow now;
    now.file.path = path;
    // Only a regular file, up to the reader's limit: a pipe named by mistake must not hang the window.
    const files::InputFile bytes = files::readInputFile(QFile::encodeName(path).toStdString());
    if (!bytes.ok) {
        now.message = QString::fromLocal8Bit(bytes.problem.c_str());
        return now;
    }
    const QByteArray content = QByteArray::fromStdString(bytes.bytes);
    now.file.digest = QCryptographicHash::hash(content, QCryptographicHash::Sha256);
    MarketFileRead read = readMarketBytes(content, path, kind);
    if (!read.ok)
        now.message = read.message;
    else
        now.file.table = std::move(read.table);
    return now;
}

}  // namespace

const MarketInputInfo& marketInputInfo(MarketInput input) { return kInputs[indexOf(input)]; }

MarketInput marketInputAt(int index) { return static_cast<MarketInput>(index); }

const LoadedMarketFile* MarketSet::file(MarketInput input) const
{
    const std::optional<LoadedMarketFile>& f = files_[indexOf(input)];
    return f ? &*f : nullptr;
}

bool MarketSet::any() const
{
    for (const std::optional<LoadedMarketFile>& f : files_)
        if (f)
            return true;
    return false;
}

const LoadedMarketFile* MarketSet::replacing(FlatField field) const
{
    for (int i = 0; i < kMarketInputCount; ++i)
        if (files_[i] && kInputs[i].replaces == field)
            return &*files_[i];
    return nullptr;
}

MarketSet::Loading MarketSet::check(MarketInput input, const QString& path, const MarketTerms& terms) const
{
    Loading l;
    const MarketInputInfo& info = marketInputInfo(input);
    // One input per flat field: the dividend curve or the futures, one volatility.
    for (int i = 0; i < kMarketInputCount; ++i)
        if (i != indexOf(input) && files_[i] && kInputs[i].replaces == info.replaces) {
            l.message = QStringLiteral("已载入%1（%2），它与%3只能使用其一：请先清除%1。")
                            .arg(u8(kInputs[i].name), files_[i]->path, u8(info.name));
            return l;
        }
    FileNow now = readNow(path, info.kind);
    if (!now.message.isEmpty()) {
        l.message = now.message;
        return l;
    }
    l.files = files_;
    l.files[indexOf(input)] = std::move(now.file);
    l.built = buildOf(l.files, terms);
    l.message = l.built.message;
    l.key = keyOf(l.files, terms);
    return l;
}

bool MarketSet::take(Loading loading)
{
    if (!loading.built.ok())
        return false;
    files_ = std::move(loading.files);
    builtFor_ = loading.key;
    built_ = std::move(loading.built);
    return true;
}

QString MarketSet::load(MarketInput input, const QString& path, const MarketTerms& terms)
{
    Loading l = check(input, path, terms);
    const QString why = l.message;
    take(std::move(l));
    return why;
}

void MarketSet::clear(MarketInput input)
{
    files_[indexOf(input)].reset();
}

bool MarketSet::refresh()
{
    bool changed = false;
    for (int i = 0; i < kMarketInputCount; ++i) {
        if (!files_[i])
            continue;
        LoadedMarketFile& loaded = *files_[i];
        FileNow now = readNow(loaded.path, kInputs[i].kind);
        if (now.message.isEmpty() && now.file.digest == loaded.digest) {
            loaded.problem.clear();  // back as it was read: what was built from it holds again
            continue;
        }
        if (!now.message.isEmpty()) {
            changed = changed || now.message != loaded.problem;
            loaded.problem = now.message;
            continue;
        }
        loaded = std::move(now.file);
        changed = true;
    }
    return changed;
}

bool MarketSet::BuildKey::operator==(const BuildKey& o) const
{
    // Bitwise on the numbers: a rebuild is cheap next to a price from a stale market.
    return digests == o.digests && std::memcmp(&S0, &o.S0, sizeof(double)) == 0 &&
           std::memcmp(&sigma, &o.sigma, sizeof(double)) == 0 && std::memcmp(&r, &o.r, sizeof(double)) == 0 &&
           std::memcmp(&q, &o.q, sizeof(double)) == 0 && valuationDate == o.valuationDate && yearDays == o.yearDays;
}

MarketSet::BuildKey MarketSet::keyOf(const Files& files, const MarketTerms& terms)
{
    BuildKey key{{}, terms.params.S0, terms.params.sigma, terms.params.r, terms.params.q, terms.valuationDate,
                 terms.yearDays};
    for (int i = 0; i < kMarketInputCount; ++i)
        if (files[i])
            key.digests[i] = files[i]->digest;
    return key;
}

MarketBuild MarketSet::buildOf(const Files& files, const MarketTerms& terms) const
{
    MarketTables tables;
    for (int i = 0; i < kMarketInputCount; ++i)
        if (files[i])
            tables.*kInputs[i].table = files[i]->table;
    return marketFromTables(tables, terms.params, calendar_, terms.valuationDate, terms.yearDays);
}

const MarketBuild& MarketSet::build(const MarketTerms& terms)
{
    for (const std::optional<LoadedMarketFile>& f : files_) {
        if (f && !f->problem.isEmpty()) {
            builtFor_.reset();
            built_ = MarketBuild();
            built_.message = QStringLiteral("市场数据文件已更改，无法重新读取：%1").arg(f->problem);
            return built_;
        }
    }
    const BuildKey key = keyOf(files_, terms);
    if (!builtFor_ || !(*builtFor_ == key)) {
        built_ = buildOf(files_, terms);
        builtFor_ = key;
    }
    return built_;
}

void MarketSet::remember(QSettings& settings) const
{
    settings.beginGroup(QLatin1String(kSettingsGroup));
    for (int i = 0; i < kMarketInputCount; ++i) {
        const QString key = QLatin1String(kInputs[i].settingsKey);
        if (files_[i])
            settings.setValue(key, files_[i]->path);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

QStringList MarketSet::restore(QSettings& settings, const MarketTerms& terms)
{
    QStringList refused;
    settings.beginGroup(QLatin1String(kSettingsGroup));
    for (int i = 0; i < kMarketInputCount; ++i) {
        const QString path = settings.value(QLatin1String(kInputs[i].settingsKey)).toString();
        if (path.isEmpty())
            continue;
        const QString why = load(marketInputAt(i), path, terms);
        if (!why.isEmpty())
            refused << QStringLiteral("%1：%2").arg(u8(kInputs[i].name), why);
    }
    settings.endGroup();
    if (!refused.isEmpty())
        remember(settings);  // those refused are forgotten
    return refused;
}

QString modelText(const MarketBuild& build, const MarketSet& files)
{
    if (!build.ok())
        return QString();
    const std::string name = build.model->name();
    const QString words = name == "flat"                         ? QStringLiteral("平坦")
                          : name == "curves"                     ? QStringLiteral("曲线")
                          : name == "local volatility"           ? QStringLiteral("局部波动率")
                          : name == "local volatility (surface)" ? QStringLiteral("局部波动率（由隐含波动率曲面拟合）")
                                                                 : QString::fromStdString(name);
    QStringList used;
    for (int i = 0; i < kMarketInputCount; ++i)
        if (const LoadedMarketFile* f = files.file(marketInputAt(i)))
            used << u8(kInputs[i].name) + QLatin1Char(' ') + QFileInfo(f->path).fileName();
    QString text = QStringLiteral("模型：%1（%2）").arg(words, used.join(QStringLiteral("，")));
    if (build.surface)
        text += QStringLiteral("；曲面报价的最大重定价误差 %1 个基点").arg(QString::number(build.surface->max_error_bp, 'f', 1));
    return text;
}
