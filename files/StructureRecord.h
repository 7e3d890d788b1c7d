#pragma once

#include "WholeFileWriter.h"

#include <QString>

#include <vector>

// One structure as a record of the typed CSV structure file ("autocall.csv"):
// the declaration line, then one line per saved structure.

// The record declaration written as the file's header line.
extern const char* const kStructureRecordHeader;

// Column numbers in kStructureRecordHeader.
namespace structure_column {
enum Column {
    NO, EnquiryID, ProductName, Category, Type, Underlier, Notional, OpenPrice, KnockOut, KnockIn,
    CouponOut, CouponDiv, Bottom, DeltaCeiling, CallStrike, PartRate, Maturity, DateBegin, DateEnd,
    Volatility, Observe, ColumnCount
};
}  // namespace structure_column

// The Observe column holds 512 bytes including the terminating zero.
constexpr int kObserveMaxLength = 511;

// The values a save takes from the window; the rest of the record is fixed
// (Type "AC", Underlier "510050", Notional 1000000) or zero.
struct StructureRecordFields
{
    double openPrice = 0;
    double knockOut = 0;
    double knockIn = 0;
    double couponOut = 0;   // percent, as typed
    double couponDiv = 0;   // percent
    double callStrike = 0;
    double partRate = 0;
    int dateBegin = 0;      // yyyyMMdd
    int dateEnd = 0;
    double volatility = 0;  // percent
    QString observe;        // schedule text, stored as Latin-1
};

// Whether the schedule text fits the Observe column uncut.
bool observeFitsRecord(const QString& observe);

// The zero-filled record buffer laid out by kStructureRecordHeader.
std::vector<unsigned char> structureRecord(const StructureRecordFields& fields);

// Appends the header line and the record line to path (created when
// missing), whole or not at all and under the file's lock, so saves from
// several windows or programs never lose each other's records. A failure
// (schedule text too long, a target that is not a regular file, a full disk)
// leaves the file as it was and says why.
files::WriteStatus appendStructureRecordTo(const QString& path, const StructureRecordFields& fields);
// The same, true on success.
bool appendStructureRecord(const QString& path, const StructureRecordFields& fields);
