#pragma once

#include "export/GridExport.h"

// The grid as a bare BIFF worksheet stream: BOF, a CODEPAGE record naming GBK (936, since no
// reader here takes the code page from the system), one cell record per title and data cell,
// EOF.
class XlsExport : public GridExport {
public:
    // A sheet has 65,536 rows, the title row among them.
    static constexpr qint64 kMaxRecords = 65535;

    void ExportToStream(exportio::OutputStream& stream, bool exportAll) override;
    // Refuses an oversized result before the file is created, so an existing file survives.
    void ExportToFile(const QString& fileName, bool exportAll) override;

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, CellParams& params) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;

    void WriteBlankCell();
    void WriteFloatCell(double value);
    void WriteIntegerCell(qint32 value);
    void WriteStringCell(const QString& text);
    void IncColRow();

private:
    void checkRowCount() const;
    void writeCellHeader(quint16 type, quint16 length, quint16 format);

    quint16 col_ = 0;
    quint16 row_ = 0;
    bool sheetFull_ = false;
};
