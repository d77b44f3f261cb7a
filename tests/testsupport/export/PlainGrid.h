#pragma once

#include <QDateTime>
#include <functional>
#include <optional>

#include "export/ExportGrid.h"

// A grid over plain data, for tests and benchmarks: the look is set by value, the rows are held
// or made on demand, and the grid's own row cursor moves while an export walks it, as a data
// set's does.
namespace exportgrid {

struct SystemColours {
    Rgb window{255, 255, 255};
    Rgb windowText{0, 0, 0};
    Rgb buttonFace{240, 240, 240};
};

// The records grid's seven columns in their designed order and widths. 报销人 has no set width:
// 11 digits of the grid font (6 pixels, no overhang) plus 4.
QList<Column> recordsColumns(const SystemColours& colours = {});

// Cells as the records grid displays its fields.
Cell nullCell();
Cell textCell(const QString& text);
Cell amountCell(std::optional<qint64> tenThousandths);
Cell dateTimeCell(std::optional<QDateTime> value);
Cell integerCell(qint64 value);
Cell entryModeCell(int mode);  // 0 scan, else manual entry

class PlainGrid final : public Grid {
public:
    using RowSource = std::function<QList<Cell>(qint64 row)>;

    explicit PlainGrid(QList<Column> columns, SystemColours colours = {});

    void addRow(QList<Cell> cells);
    // count rows made by source when the cursor reaches them, none held.
    void setRowSource(qint64 count, RowSource source);
    // The cursor throws AppError(message) on reaching row (0-based).
    void failAtRow(qint64 row, const QString& message);

    // Rows hold their cells in the original column order; moving a column changes the display
    // order only, as dragging a grid column does.
    Column& column(int displayIndex) { return columns_[displayIndex]; }
    void moveColumn(int from, int to);

    QString gridName = QStringLiteral("DBGridEh1");
    bool lines = true;
    bool look3D = false;
    bool flat = false;
    int dpi = 96;
    Rgb fixed;

    // The state a test looks at.
    qint64 currentRow() const { return currentRow_; }
    void setCurrentRow(qint64 row) { currentRow_ = row; }
    bool exporting() const { return exporting_; }
    int exportsBegun() const { return exportsBegun_; }
    bool allSelected() const { return allSelected_; }
    void setAllSelected(bool selected) { allSelected_ = selected; }

    QString name() const override { return gridName; }
    bool showsLines() const override { return lines; }
    bool has3DLook() const override { return look3D; }
    bool isFlat() const override { return flat; }
    Rgb fixedColor() const override { return fixed; }
    int screenDpi() const override { return dpi; }
    QList<Column> columns() const override { return columns_; }
    qint64 rowCount() const override;
    std::unique_ptr<RowCursor> rows() override;
    void beginExport() override;
    void endExport() override;
    void selectAllRows() override { allSelected_ = true; }
    void clearRowSelection() override { allSelected_ = false; }

private:
    class Cursor;

    QList<Column> columns_;
    QList<int> fieldOf_;  // display position -> cell index in a row
    QList<QList<Cell>> held_;
    qint64 sourceCount_ = -1;  // rows come from source_ when not negative
    RowSource source_;
    std::optional<qint64> failRow_;
    QString failMessage_;
    qint64 currentRow_ = 0;
    qint64 savedRow_ = 0;
    bool exporting_ = false;
    int exportsBegun_ = 0;
    bool allSelected_ = false;
};

}  // namespace exportgrid
