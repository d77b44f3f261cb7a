#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

#include "import/ImportFailures.h"
#include "store/InvoiceStore.h"

namespace workbook {
struct Sheet;
}

// What the import sees of its dialog, and how it tells the clerk. Called on the worker thread;
// an implementation hands every control access and every box to the UI thread.
class ImportView {
public:
    virtual ~ImportView() = default;
    virtual QString pathText() = 0;                // Edit1
    virtual void setLoading(bool visible) = 0;     // loadLabel
    virtual void showProcessed(qint64 count) = 0;  // Label_count
    // A "提示" box with the information icon, belonging to the dialog.
    virtual void tell(const QString& text) = 0;
    // The summary, in such a box; when rows were not registered it offers their details.
    virtual void tellSummary(const QString& text, const QList<ImportFailure>& failures) = 0;
    // A store failure while an invoice was looked up: an "出现异常" box of no window.
    virtual void showException(const QString& detail) = 0;
    // The reimbursement claim the rows join; empty: none.
    virtual QString claimNumber() { return {}; }
};

// text with "0" put in front until its GBK length is at least width.
QString PadWithZeros(const QString& text, int width);

// Where the read columns stand in a sheet.
struct SheetColumns {
    int code = -1;         // 发票代码
    int number = -1;       // 发票号码
    int amount = -1;       // 开票金额
    int invoiceDate = -1;  // 开票日期
    int time = -1;         // 报销时间
    int reimburser = -1;   // 报销人
};

// The column check on the heading row: at least six columns, every heading one of 发票代码,
// 发票号码, 开票金额, 开票日期, 报销时间, 报销人, 录入方式, none twice, and the six read ones
// all there. Nothing when the sheet is refused. Trailing columns with neither a heading nor a
// value are not part of the sheet.
std::optional<SheetColumns> checkHeadings(const workbook::Sheet& sheet);

// The invoice a data row of the sheet stands for: 发票号码 padded to 8 with zeros, 开票日期
// without "-", no check code, 报销时间 read in the locale date-time format (empty: the time of
// registration). problem says why the row cannot be registered (a 报销时间 that is no date and
// time), empty when it can.
struct ImportedRow {
    InvoiceRecord invoice;
    QString problem;
};
ImportedRow importedRow(const workbook::Sheet& sheet, qsizetype row, const SheetColumns& columns);

// Reads the workbook's first sheet and registers each of its rows as an imported invoice in the
// store (the company's when none is given), then shows the summary. True when the sheet was read
// to its end, whatever the tallies.
bool ImportSheet(const QString& path, ImportView& view);
bool ImportSheet(const QString& path, ImportView& view, InvoiceStore& store);

// The start checks on Edit1, then ImportSheet with loadLabel shown.
bool RunImport(ImportView& view);

namespace sheetimport {

// Rows are registered in batches, one transaction each, and Label_count shows a batch's rows
// once it is stored. A batch is sized to the store's pace, so that it takes about
// kBatchMs: a commit costs as much as hundreds of rows, while the count must keep moving.
inline constexpr int kBatchMs = 40;
inline constexpr int kMinBatchRows = 100;
inline constexpr int kMaxBatchRows = 8192;

// The rows of the next batch, after one of rows took elapsedUs microseconds to gather and
// register.
int nextBatchRows(qsizetype rows, qint64 elapsedUs);

QString summaryText(qint64 total, qint64 failures);

}  // namespace sheetimport
