#include "StructureRecord.h"

#include "CsvBlockFile.h"

#include <cstdint>
#include <cstring>
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

bool appendStructureRecord(const QString& path, const StructureRecordFields& fields)
{
    if (!observeFitsRecord(fields.observe))
        return false;
    const std::vector<unsigned char> record = structureRecord(fields);
    if (record.empty())
        return false;
    CsvBlockFile file(path.toLocal8Bit().toStdString(), std::ios::app);
    if (!file.isOpen())
        return false;
    return file.write({record.data()}, kStructureRecordHeader);
}
