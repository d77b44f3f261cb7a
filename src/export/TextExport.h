#pragma once

#include "export/GridExport.h"

// Tab-separated text.
class TextExport : public GridExport {
public:
    void ExportToStream(exportio::OutputStream& stream, bool exportAll) override;

protected:
    void WritePrefix() override {}
    void WriteSuffix() override {}
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteRecord(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, CellParams& params) override;
    void WriteFooter(const QList<exportgrid::Column>& columns, int footerRow) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;
    virtual void CheckFirstRec();
    virtual void CheckFirstCell();

    bool FirstRec = true;
    bool FirstCell = true;
};
