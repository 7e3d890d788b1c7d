#include "ExportTableWidget.h"

ExportTableWidget::ExportTableWidget(QWidget* parent)
    : TableWidget_Popmenu(ExportAction | ExportToAction, parent)
{
}
