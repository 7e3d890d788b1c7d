#include "TableHelpers.h"

#include "WholeFileWriter.h"

#include <QTableWidget>
#include <QTableWidgetItem>
#include <QTextCodec>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

QString itemText(const QTableWidgetItem* item)
{
    return item ? item->text() : QString();
}

bool hasContent(const QTableWidget* table)
{
    return table && table->rowCount() > 0 && table->columnCount() > 0;
}

Qt::Alignment withVerticalCentre(Qt::Alignment alignment)
{
    return (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
}

QTableWidgetItem* centredItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

// The text stream writes the local 8-bit code page (UTF-8 on Linux).
void useLocalCodePage(QTextStream& out)
{
    out.setCodec(QTextCodec::codecForLocale());
}

// Writes the CSV text through the file writer: the target changes only once
// the whole text is written (an empty table or a write error leaves an
// existing file as it was), under the file's lock; devices and pipes are
// refused. write returns false when there is nothing to write.
ExportResult exportCsv(const QString& fileName, const std::function<bool(QTextStream&)>& write)
{
    bool empty = false;
    const files::WriteStatus status =
        files::writeWhole(fileName, files::WriteMode::Replace, [&](QIODevice& device, QString&) {
            QTextStream out(&device);
            useLocalCodePage(out);
            if (!write(out)) {
                empty = true;
                return false;
            }
            out.flush();
            return out.status() == QTextStream::Ok;
        });
    if (status)
        return ExportResult();
    if (empty)
        return {false, QStringLiteral("错误:"), QStringLiteral("试图导出空表。")};
    return {false, status.opened ? QStringLiteral("无法写入文件:") : QStringLiteral("无法打开文件:"),
            fileName + QLatin1Char('\n') + status.message};
}

bool validColumn(const QTableWidget* table, int column)
{
    return table && column >= 0 && column < table->columnCount();
}

// Spans of one column are removed from their top cell; the program only
// makes single-column spans.
void removeColumnSpans(QTableWidget* table, int column)
{
    for (int row = 0; row < table->rowCount();) {
        const int height = table->rowSpan(row, column);
        if (height > 1 || table->columnSpan(row, column) > 1) {
            table->setSpan(row, column, 1, 1);
            row += std::max(height, 1);
        } else {
            ++row;
        }
    }
}

}  // namespace

void writeTableCsv(QTextStream& out, const QTableWidget* table)
{
    if (!table)
        return;
    const int columns = table->columnCount();
    QStringList fields;
    fields.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        QString text = itemText(table->horizontalHeaderItem(c));
        text.remove(QLatin1Char(',')).remove(QLatin1Char('\n'));
        fields << text;
    }
    out << fields.join(QLatin1Char(',')) << '\n';
    for (int r = 0; r < table->rowCount(); ++r) {
        fields.clear();
        for (int c = 0; c < columns; ++c)
            fields << itemText(table->item(r, c)).remove(QLatin1Char(','));
        out << fields.join(QLatin1Char(',')) << '\n';
    }
}

ExportResult exportTableToCsv(QTableWidget* table, const QString& fileName)
{
    return exportCsv(fileName, [table](QTextStream& out) {
        if (!hasContent(table))
            return false;
        writeTableCsv(out, table);
        return true;
    });
}

ExportResult exportTablesToCsv(const QMap<QByteArray, QTableWidget*>& tables, const QString& fileName)
{
    return exportCsv(fileName, [&tables](QTextStream& out) {
        bool wrote = false;
        for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
            if (!hasContent(it.value()))
                continue;
            out << QString::fromLatin1(it.key()) << '\n';
            writeTableCsv(out, it.value());
            out << '\n' << '\n';
            wrote = true;
        }
        return wrote;
    });
}

void appendColumnSpec(const ColumnSpec& spec, QList<ColumnSpec>& specs)
{
    ColumnSpec added = spec;
    if (added.order == -1)
        added.order = static_cast<qint16>(specs.size());
    specs.append(added);
}

void setTableColumns(QTableWidget* table, const QList<ColumnSpec>& specs)
{
    if (!table)
        return;
    QList<ColumnSpec> sorted = specs;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ColumnSpec& a, const ColumnSpec& b) { return a.order < b.order; });
    table->clear();
    table->setColumnCount(sorted.size());
    for (int i = 0; i < sorted.size(); ++i) {
        table->setHorizontalHeaderItem(i, centredItem(sorted[i].title));
        table->setColumnWidth(i, sorted[i].width);
    }
}

void setColumnText(QTableWidget* table, int column, const QString& text)
{
    if (!validColumn(table, column))
        return;
    table->clearSpans();
    for (int r = 1; r < table->rowCount(); ++r)
        table->setItem(r, column, centredItem(text));
}

void mergeColumn(QTableWidget* table, int column, const QString& text)
{
    if (!validColumn(table, column))
        return;
    const int rows = table->rowCount();
    for (int r = 0; r < rows; ++r)
        delete table->takeItem(r, column);
    removeColumnSpans(table, column);
    if (rows == 0)
        return;
    if (rows > 1)
        table->setSpan(0, column, rows, 1);
    table->setItem(0, column, centredItem(text));
}

void setCellAlignment(QTableWidget* table, int row, int column, Qt::Alignment alignment)
{
    if (!validColumn(table, column) || row < 0 || row >= table->rowCount())
        return;
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
    }
    item->setTextAlignment(withVerticalCentre(alignment));
}

void insertFilledRow(QTableWidget* table, int row, Qt::Alignment alignment)
{
    if (!table || row < 0 || row > table->rowCount())
        return;
    table->insertRow(row);
    const int align = withVerticalCentre(alignment);
    for (int c = 0; c < table->columnCount(); ++c) {
        auto* item = new QTableWidgetItem(QStringLiteral("-"));
        item->setTextAlignment(align);
        table->setItem(row, c, item);
    }
}

void resetTable(QTableWidget* table, int rows, int columns)
{
    if (!table)
        return;
    table->clearContents();
    table->setRowCount(0);
    table->setColumnCount(std::max(columns, 0));
    for (int r = 0; r < rows; ++r)
        insertFilledRow(table, r, Qt::AlignRight);
}

void setColumnsAlignment(QTableWidget* table, int first, int last, Qt::Alignment alignment)
{
    if (!table)
        return;
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = first; c <= last; ++c)
            setCellAlignment(table, r, c, alignment);
}
