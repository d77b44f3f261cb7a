#pragma once

#include <QRectF>
#include <QString>
#include <vector>

#include "invoicefiles/FileReading.h"

// The invoice fields of a page's text layer. Text runs come in whatever order the file drew
// them; they are put back into lines by position, so a label finds the value printed to its
// right even when the two are separate runs.
namespace invoicefiles {

struct TextRun {
    QString text;
    QRectF box;  // page coordinates, y growing downwards
};

// The page's runs as lines of text, top to bottom, each left to right; runs apart by more than
// a third of the line's height are joined with a blank.
std::vector<QString> textLines(std::vector<TextRun> runs);

// The labelled fields found in the lines: 发票代码, 发票号码, 开票日期, 校验码, the amount of
// 合计 (before tax) or else the 小写 amount of 价税合计. Fields not found stay empty.
InvoiceFields fieldsFromLines(const std::vector<QString>& lines);

inline InvoiceFields fieldsFromTextRuns(std::vector<TextRun> runs) {
    return fieldsFromLines(textLines(std::move(runs)));
}

}  // namespace invoicefiles
