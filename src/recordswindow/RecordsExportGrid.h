#pragma once

#include <QModelIndex>

#include "export/ExportGrid.h"

class RecordsGrid;
namespace records {
class RecordsModel;
}

// The records grid as the exporters see it: the view's visible columns in their current order
// and widths with the grid's look, and every row of the current result, streamed in grid order on
// a connection of the export's own once the result's keys have all been read.
class RecordsExportGrid final : public exportgrid::Grid {
public:
    RecordsExportGrid(RecordsGrid* view, records::RecordsModel* model);

    QString name() const override;
    bool showsLines() const override;
    bool has3DLook() const override { return false; }
    bool isFlat() const override { return false; }
    exportgrid::Rgb fixedColor() const override;
    int screenDpi() const override { return 96; }

    QList<exportgrid::Column> columns() const override;
    qint64 rowCount() const override;
    std::unique_ptr<exportgrid::RowCursor> rows() override;
    bool prepareRows() override;  // reads the result's remaining keys, a slice at a time

    static constexpr int kPrepareSliceMs = 20;

    void beginExport() override;
    void endExport() override;
    void selectAllRows() override;
    void clearRowSelection() override;

private:
    RecordsGrid* view_;
    records::RecordsModel* model_;
    QPersistentModelIndex current_;
    bool updates_ = true;
};
