#include "TableWidget_Popmenu.h"

#include "Prompt.h"
#include "TableHelpers.h"

#include <QAction>

namespace {

void warnNoFileName()
{
    prompt::warning(nullptr, QStringLiteral("错误："), QStringLiteral("未输入有效文件名，未保存表格内容！"));
}

}  // namespace

void showExportResult(const ExportResult& result)
{
    if (!result)
        prompt::critical(nullptr, result.title, result.text);
}

TableWidget_Popmenu::TableWidget_Popmenu(int options, QWidget* parent)
    : QTableWidget(parent)
{
    if (options & ExportAction)
        addMenuAction(QStringLiteral("导出"), SLOT(on_action_export()));
    if (options & ExportToAction)
        addMenuAction(QStringLiteral("导出为..."), SLOT(on_action_export_to()));
    if (options & AddAction) {
        addMenuAction(QStringLiteral("增加行"), SLOT(on_action_add()));
        setSelectionBehavior(QAbstractItemView::SelectRows);
    }
    if (options & DeleteAction) {
        addMenuAction(QStringLiteral("删除"), SLOT(on_action_delete()));
        setSelectionBehavior(QAbstractItemView::SelectRows);
    }
    if (!actions().isEmpty())
        setContextMenuPolicy(Qt::ActionsContextMenu);
}

QAction* TableWidget_Popmenu::addMenuAction(const QString& text, const char* slot)
{
    auto* action = new QAction(text, this);
    connect(action, SIGNAL(triggered()), this, slot);
    addAction(action);
    return action;
}

void TableWidget_Popmenu::on_action_add()
{
    insertFilledRow(this, rowCount(), Qt::AlignRight);
    emit addRowSignal();
}

void TableWidget_Popmenu::on_action_delete()
{
    const int row = currentRow();
    const int column = currentColumn();
    if (row < 0 || column < 0) {
        prompt::critical(this, QStringLiteral("错误："), QStringLiteral("非法操作"));
        return;
    }
    if (prompt::askYesNo(this, QStringLiteral("提示："), QStringLiteral("是否删除？")))
        emit deleteRowSignal(row, column);
}

bool TableWidget_Popmenu::exportRefused()
{
    if (exportRefusal.isEmpty())
        return false;
    prompt::critical(this, QStringLiteral("错误:"), exportRefusal);
    return true;
}

void TableWidget_Popmenu::on_action_export()
{
    if (exportRefused())
        return;
    QString name = QStringLiteral("Export");
    if (!prompt::getText(this, QStringLiteral("导出"), QStringLiteral("导出的文件名为："), name)
        || name.isEmpty()) {
        warnNoFileName();
        return;
    }
    showExportResult(exportTableToCsv(this, QStringLiteral("%1.csv").arg(name)));
}

void TableWidget_Popmenu::on_action_export_to()
{
    if (exportRefused())
        return;
    const QString fileName = prompt::saveFileName(this, QStringLiteral("表格内容保存为"), QString(),
                                                  QStringLiteral("csv files (*.csv)"));
    if (fileName.isEmpty()) {
        warnNoFileName();
        return;
    }
    showExportResult(exportTableToCsv(this, fileName));
}
