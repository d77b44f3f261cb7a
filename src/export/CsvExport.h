#pragma once

#include "export/TextExport.h"

// The separator of the CSV writer; nothing in the program changes it.
inline constexpr char kCsvSeparator = ';';

// Quoted values separated by kCsvSeparator.
class CsvExport : public TextExport {
public:
    CsvExport();

protected:
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, CellParams& params) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;
    void CheckFirstCell() override;

    // A text between double quotes, each double quote in it doubled.
    void putQuoted(const QString& text);

    char FSeparator;
};
