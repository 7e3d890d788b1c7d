#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <Qt>

class QTableWidget;
class QTextStream;

// One column of a table header.
struct ColumnSpec
{
    QString title;
    qint16 order = -1;  // -1: no order given, appendColumnSpec uses the position
    qint16 width = 0;   // pixels
};

// How an export went: nothing to say when it wrote the file, else the title
// and text of the critical message a front end shows (with the system's
// reason where there is one).
struct ExportResult
{
    bool ok = true;
    QString title;
    QString text;
    explicit operator bool() const { return ok; }
};

// Writes one table as CSV. The file is only replaced once the whole table has
// been written, under the file's lock: a failed export (empty table, write
// error, a device or pipe as the target) leaves it as it was.
ExportResult exportTableToCsv(QTableWidget* table, const QString& fileName);

// Writes several tables into one file, in ascending byte order of their
// names; absent and empty tables are skipped. Fails when none was written.
ExportResult exportTablesToCsv(const QMap<QByteArray, QTableWidget*>& tables, const QString& fileName);

// Header line and one line per row; "," removed from every text, line feeds
// removed from header texts only.
void writeTableCsv(QTextStream& out, const QTableWidget* table);

// Appends spec to specs; an order of -1 becomes the spec's position.
void appendColumnSpec(const ColumnSpec& spec, QList<ColumnSpec>& specs);

// Clears the table and sets its columns from the specs, sorted by order.
void setTableColumns(QTableWidget* table, const QList<ColumnSpec>& specs);

// Removes all spans and puts a centred item with text into rows 1.. of column.
void setColumnText(QTableWidget* table, int column, const QString& text);

// Makes column one cell spanning all rows that holds text, centred.
void mergeColumn(QTableWidget* table, int column, const QString& text);

// Horizontal part of alignment plus vertical centre; creates an empty item
// where the cell has none. Cells outside the table are ignored.
void setCellAlignment(QTableWidget* table, int row, int column, Qt::Alignment alignment);

// Inserts a row at row, every cell "-" with the horizontal part of alignment
// plus vertical centre.
void insertFilledRow(QTableWidget* table, int row, Qt::Alignment alignment);

// rows x columns of "-" cells, right-aligned.
void resetTable(QTableWidget* table, int rows, int columns);

// setCellAlignment on every row of columns first..last (inclusive).
void setColumnsAlignment(QTableWidget* table, int first, int last, Qt::Alignment alignment);
