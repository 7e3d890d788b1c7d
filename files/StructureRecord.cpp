#include "StructureRecord.h"

#include "CsvBlockFile.h"

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

const char* const kStructureRecordHeader =
    "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
    "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
    "dVolatility,9Observe";

using namespace structure_column;

namespace {

void putDouble(std::vector<unsigned char>& record, const CsvBlockFile::Column& c, double v)
{
    std::memcpy(record.data() + c.offset, &v, sizeof v);
}

void putInt(std::vector<unsigned char>& record, const CsvBlockFile::Column& c, std::int32_t v)
{
    std::memcpy(record.data() + c.offset, &v, sizeof v);
}

}  // namespace

bool observeFitsRecord(const QString& observe)
{
    return observe.toLatin1().size() <= kObserveMaxLength;
}

std::vector<unsigned char> structureRecord(const StructureRecordFields& f)
{
    std::vector<CsvBlockFile::Column> columns;
    int size = 0;
    if (!CsvBlockFile::parseDeclaration(kStructureRecordHeader, columns, size) || columns.size() != ColumnCount)
        return {};
    std::vector<unsigned char> record(static_cast<size_t>(size), 0);
    CsvBlockFile::storeText(record.data(), columns[Type], "AC");
    CsvBlockFile::storeText(record.data(), columns[Underlier], "510050");
    putDouble(record, columns[Notional], 1000000);
    putDouble(record, columns[OpenPrice], f.openPrice);
    putDouble(record, columns[KnockOut], f.knockOut);
    putDouble(record, columns[KnockIn], f.knockIn);
    putDouble(record, columns[CouponOut], f.couponOut);
    putDouble(record, columns[CouponDiv], f.couponDiv);
    putDouble(record, columns[CallStrike], f.callStrike);
    putDouble(record, columns[PartRate], f.partRate);
    putInt(record, columns[DateBegin], f.dateBegin);
    putInt(record, columns[DateEnd], f.dateEnd);
    putDouble(record, columns[Volatility], f.volatility);
    const QByteArray observe = f.observe.toLatin1();
    CsvBlockFile::storeText(record.data(), columns[Observe], std::string(observe.constData(), observe.size()));
    return record;
}

files::WriteStatus appendStructureRecordTo(const QString& path, const StructureRecordFields& fields)
{
    files::WriteStatus refused;
    refused.ok = false;
    if (!observeFitsRecord(fields.observe)) {
        refused.message = QStringLiteral("the schedule text is longer than %1 characters").arg(kObserveMaxLength);
        return refused;
    }
    const std::vector<unsigned char> record = structureRecord(fields);
    std::ostringstream lines;
    CsvBlockFile format;
    if (record.empty() || !format.write(lines, {record.data()}, kStructureRecordHeader)) {
        refused.message = QStringLiteral("the record cannot be laid out");
        return refused;
    }
    const std::string text = lines.str();
    return files::writeWhole(path, files::WriteMode::Append,
                             QByteArray(text.data(), static_cast<int>(text.size())));
}

bool appendStructureRecord(const QString& path, const StructureRecordFields& fields)
{
    return appendStructureRecordTo(path, fields).ok;
}
