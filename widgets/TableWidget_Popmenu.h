#pragma once

#include <QTableWidget>

class QAction;
struct ExportResult;

// Shows a failed export's message as a critical box without a parent (the
// tables' own menus and the stress panel's export); nothing when it worked.
void showExportResult(const ExportResult& result);

// A table whose right-click menu offers the actions chosen by the option
// bits given at construction. Removing a row is left to whoever handles
// deleteRowSignal, so the owner decides what a deleted row means.
class TableWidget_Popmenu : public QTableWidget
{
    Q_OBJECT

public:
    enum Option
    {
        ExportAction = 1,    // "导出": export to "<typed name>.csv"
        ExportToAction = 2,  // "导出为...": export to a file chosen in a save dialog
        AddAction = 4,       // "增加行": append a row of "-" cells
        DeleteAction = 8     // "删除": ask, then emit deleteRowSignal
    };

    explicit TableWidget_Popmenu(int options, QWidget* parent = nullptr);

    // While why is not empty the export actions refuse with it (the table
    // shows results that no longer hold); empty exports again.
    void setExportRefusal(const QString& why) { exportRefusal = why; }

signals:
    void addRowSignal();
    void deleteRowSignal(int RowNum, int ColumnNum);

public slots:
    void on_action_add();
    void on_action_delete();
    void on_action_export();
    void on_action_export_to();

private:
    QAction* addMenuAction(const QString& text, const char* slot);
    bool exportRefused();

    QString exportRefusal;
};
