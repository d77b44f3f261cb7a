#pragma once

#include <QList>
#include <QString>
#include <memory>

// What the exporters see of a grid: its visible columns in display order with their look, and a
// cursor over every row of its current result. The records window implements it over its view
// and model; tests and benchmarks over plain data.
namespace exportgrid {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class Alignment { Left, Right, Center };

// The type of the data field behind a column, as the XLS writer chooses its cell record.
enum class FieldType {
    None,  // the column has no data field
    Text,
    Decimal,  // an exact amount (BCD): written as a number
    Float,
    Integer,
    DateTime,
};

struct Font {
    QString name = QStringLiteral("MS Sans Serif");
    int pointSize = 8;
    Rgb color;  // window text
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    friend bool operator==(const Font&, const Font&) = default;
};

struct Column {
    QString title;
    Alignment titleAlignment = Alignment::Left;
    Alignment alignment = Alignment::Left;
    int width = 64;  // pixels
    Font titleFont;
    Font font;
    Rgb titleColor;  // the fixed area's colour (button face)
    Rgb color;       // the cells' colour (window)
    FieldType fieldType = FieldType::Text;
    bool lookup = false;  // takes its text from a key list and a pick list
};

struct Cell {
    bool isNull = true;
    QString displayText;  // the text the grid paints
    QString rawText;      // the field's unformatted text
    qint64 integer = 0;   // Integer fields
    double number = 0;    // Decimal and Float fields
};

// Walks every row of the grid's current result in grid order, fetched or not.
class RowCursor {
public:
    virtual ~RowCursor() = default;
    // Moves to the next row (the first one on the first call); false past the last.
    virtual bool next() = 0;
    // The cell of the current row under columns()[column].
    virtual Cell cell(int column) const = 0;
};

class Grid {
public:
    virtual ~Grid() = default;

    virtual QString name() const = 0;     // "DBGridEh1"
    virtual bool showsLines() const = 0;  // column or row lines
    virtual bool has3DLook() const = 0;
    virtual bool isFlat() const = 0;
    virtual Rgb fixedColor() const = 0;  // the title area: system button face
    virtual int screenDpi() const = 0;   // 96

    virtual QList<Column> columns() const = 0;  // visible columns, display order
    virtual qint64 rowCount() const = 0;        // rows of the current result
    virtual std::unique_ptr<RowCursor> rows() = 0;

    // An export runs off the UI thread. Before it, on the UI thread, this is called until it
    // answers true, each call a short slice of what only that thread can do; rows() is then
    // called there too, and the cursor it gives is used on the export's thread alone.
    virtual bool prepareRows() { return true; }

    // Around an export: remember the current row and stop repainting; then restore both.
    virtual void beginExport() = 0;
    virtual void endExport() = 0;

    virtual void selectAllRows() = 0;
    virtual void clearRowSelection() = 0;
};

}  // namespace exportgrid
