#pragma once

#include "TableWidget_Popmenu.h"

// The result table placed on screen: right-click offers the two export actions.
class ExportTableWidget : public TableWidget_Popmenu
{
    Q_OBJECT

public:
    explicit ExportTableWidget(QWidget* parent = nullptr);
};
