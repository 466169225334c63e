#pragma once
// Tab 1, "Data File": the grid of the converted points.

#include "conversion/point_table.h"
#include "shell/flex_grid.h"
#include "shell/form_controls.h"

#include <QWidget>

class DataPanel {
public:
    // Makes the tab's grid on its page.
    explicit DataPanel(QWidget* page) : VSFlexGrid1(FormTab(1, page).take<FlexGrid>("VSFlexGrid1")) {}

    // The grid shows `table` under its heading row, each text made when the
    // grid shows it: the table must stay as it is, where it is, for as long
    // as the grid shows it (until the next call).
    void showPoints(const marovin::PointTable& table)
    {
        // The grid keeps no texts of its own (a source drops them all before
        // the size changes).
        VSFlexGrid1->setCellSource([&table](int row, int column) { return marovin::grid_text(table, row, column); });
        VSFlexGrid1->setCols(3);
        VSFlexGrid1->setRows(table.size() + 1);
    }

private:
    FlexGrid* VSFlexGrid1;
};
