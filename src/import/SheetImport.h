#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class ImportWriter;

namespace workbook {
struct Sheet;
}

// What the import sees of its dialog. Called on the worker thread; an implementation hands
// every control access to the UI thread.
class ImportView {
public:
    virtual ~ImportView() = default;
    virtual QString pathText() = 0;                // Edit1
    virtual void setLoading(bool visible) = 0;     // loadLabel
    virtual void showProcessed(qint64 count) = 0;  // Label_count
    virtual QObject* owner() = 0;                  // the message boxes belong to it
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

// Looks the invoice up and adds it to the writer's batch with the given time and reimburser,
// its log line to follow the batch's commit. The time text is read in the locale date-time
// format; empty means now. True when added; false when it was there or the lookup failed (its
// error shown in an "出现异常" box owned by no window). Errors after the lookup (a time or an
// amount that does not read, a refused insert) are thrown as AppError.
bool RegisterImportedInvoice(ImportWriter& writer, const QString& entryMode, const QString& number,
                             const QString& code, const QString& checkCode,
                             const QString& invoiceDate, const QString& reimbursementTime,
                             const QString& reimburser, const QString& amount);

// Reads the workbook's first sheet and registers each of its rows as an imported invoice,
// then shows the summary. True when the sheet was read to its end, whatever the tallies.
bool ImportSheet(const QString& path, ImportView& view);

// The start checks on Edit1, then ImportSheet with loadLabel shown.
bool RunImport(ImportView& view);

namespace sheetimport {

// While rows go by, the batch is committed and Label_count refreshed at most this often, and
// once at the end.
inline constexpr int kProgressIntervalMs = 50;

QString summaryText(qint64 total, qint64 failures);

}  // namespace sheetimport
