#pragma once

#include <QByteArrayView>

#include "workbook/BiffGlobals.h"
#include "workbook/Sheet.h"

namespace biff {

// Reads the cells of the worksheet substream that begins at offset: texts (inline, shared,
// rich), numbers (dates and times by their style's format), booleans and errors, formulas by
// the result the workbook saved, and styled empty cells. Embedded substreams (charts) are
// skipped. Default globals read the program's bare export stream. Throws AppError saying what
// is wrong.
workbook::Sheet readWorksheet(QByteArrayView stream, qsizetype offset,
                              const WorkbookGlobals& globals);

}  // namespace biff
