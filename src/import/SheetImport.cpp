#include "import/SheetImport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include "import/ImportWriter.h"
#include "import/Workbook.h"
#include "shell/AppError.h"
#include "shell/Clock.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "shell/TextCodec.h"
#include "store/InvoiceStore.h"
#include "ui/Prompts.h"

namespace {

const QString kCode = QStringLiteral("发票代码");
const QString kNumber = QStringLiteral("发票号码");
const QString kAmount = QStringLiteral("开票金额");
const QString kInvoiceDate = QStringLiteral("开票日期");
const QString kTime = QStringLiteral("报销时间");
const QString kReimburser = QStringLiteral("报销人");
const QString kEntryMode = QStringLiteral("录入方式");

void tell(ImportView& view, const QString& text) {
    appprompts::get().message(view.owner(), QStringLiteral("提示"), text, MsgIcon::Information);
}

void tellInvalidSheet(ImportView& view) {
    tell(view, QStringLiteral("请选择有效的Excel表！"));
}

// Columns past the last one that has a heading or a value: spreadsheet programs count
// formatted empty cells in a sheet's extent.
int usedColumns(const workbook::Sheet& sheet) {
    int used = sheet.columnCount;
    while (used > 0) {
        bool empty = true;
        for (const QList<workbook::Cell>& row : sheet.rows) {
            if (used - 1 < row.size() && !row[used - 1].isEmpty()) {
                empty = false;
                break;
            }
        }
        if (!empty) {
            break;
        }
        --used;
    }
    return used;
}

bool isEmptyRow(const QList<workbook::Cell>& row, int columns) {
    for (int c = 0; c < columns && c < row.size(); ++c) {
        if (!row[c].isEmpty()) {
            return false;
        }
    }
    return true;
}

// 开票日期 is kept as yyyymmdd text everywhere; a cell the spreadsheet holds as a date is
// written so too, not in the locale's date format.
QString invoiceDateText(const workbook::Cell& cell) {
    using Kind = workbook::Cell::Kind;
    if ((cell.kind == Kind::Date || cell.kind == Kind::DateTime) && cell.value.isValid()) {
        return cell.value.toString(QStringLiteral("yyyyMMdd"));
    }
    QString text = cell.text;
    return text.remove(u'-');
}

// The start check's extension test: only a path with none of ".", "x", "l", "s" is refused.
bool passesExtensionTest(const QString& path) {
    for (const QChar c : {u'.', u'x', u'l', u's'}) {
        if (path.contains(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString PadWithZeros(const QString& text, int width) {
    bool ascii = true;
    for (const QChar c : text) {
        ascii = ascii && c.unicode() < 0x80;
    }
    // Invoice numbers are digits: their byte length is their length, without a GBK encoder.
    const qsizetype missing = width - (ascii ? text.size() : textcodec::gbkLength(text));
    if (missing <= 0) {
        return text;
    }
    return QString(missing, u'0') + text;
}

std::optional<SheetColumns> checkHeadings(const workbook::Sheet& sheet) {
    const int columns = usedColumns(sheet);
    if (columns < 6 || sheet.rows.isEmpty()) {
        return std::nullopt;
    }
    SheetColumns found;
    bool entryModeSeen = false;
    for (int c = 0; c < columns; ++c) {
        const QString heading = sheet.cell(0, c).text;
        int* slot = nullptr;
        if (heading == kCode) {
            slot = &found.code;
        } else if (heading == kNumber) {
            slot = &found.number;
        } else if (heading == kAmount) {
            slot = &found.amount;
        } else if (heading == kInvoiceDate) {
            slot = &found.invoiceDate;
        } else if (heading == kTime) {
            slot = &found.time;
        } else if (heading == kReimburser) {
            slot = &found.reimburser;
        } else if (heading == kEntryMode) {
            if (entryModeSeen) {
                return std::nullopt;
            }
            entryModeSeen = true;
            continue;
        } else {
            return std::nullopt;
        }
        if (*slot >= 0) {
            return std::nullopt;  // a heading twice leaves another read column out
        }
        *slot = c;
    }
    for (const int c : {found.code, found.number, found.amount, found.invoiceDate, found.time,
                        found.reimburser}) {
        if (c < 0) {
            return std::nullopt;
        }
    }
    return found;
}

bool RegisterImportedInvoice(ImportWriter& writer, const QString& entryMode, const QString& number,
                             const QString& code, const QString& checkCode,
                             const QString& invoiceDate, const QString& reimbursementTime,
                             const QString& reimburser, const QString& amount) {
    try {
        if (writer.isRegistered(number, code)) {
            return false;
        }
    } catch (const AppError& error) {
        appprompts::get().message(nullptr, QStringLiteral("出现异常"), error.message(),
                                  MsgIcon::Information);
        return false;
    }

    InvoiceRecord record;
    record.number = number;
    record.code = code;
    if (reimbursementTime.isEmpty()) {
        record.reimbursementTime = localefmt::dateTimeText(appclock::now());
    } else {
        const std::optional<QDateTime> time = localefmt::parseDateTime(reimbursementTime);
        if (!time) {
            throw AppError(QStringLiteral("'%1' is not a valid date and time for field '%2'")
                               .arg(reimbursementTime, kTime));
        }
        record.reimbursementTime = localefmt::dateTimeText(*time);
    }
    record.entryMode = entryMode;
    record.checkCode = checkCode;
    record.invoiceDate = invoiceDate;
    record.amount = amount;
    record.reimburser = reimburser;
    if (!writer.append(record)) {
        return false;
    }
    writer.logAfterCommit(QStringLiteral("导入报销成功发票信息：") + code + u'-' + number);
    return true;
}

bool ImportSheet(const QString& path, ImportView& view) {
    workbook::Sheet sheet;
    try {
        sheet = workbook::readFirstSheet(path);
    } catch (const AppError& error) {
        tell(view, error.message());
        return false;
    }
    const std::optional<SheetColumns> columns = checkHeadings(sheet);
    if (!columns) {
        tellInvalidSheet(view);
        return false;
    }

    const int width = usedColumns(sheet);
    QList<qsizetype> dataRows;
    for (qsizetype r = 1; r < sheet.rows.size(); ++r) {
        if (!isEmptyRow(sheet.rows[r], width)) {
            dataRows << r;
        }
    }

    std::optional<ImportWriter> writer;
    try {
        writer.emplace(GetConnectionString());
    } catch (const AppError& error) {
        appprompts::get().message(nullptr, QStringLiteral("出现异常"), error.message(),
                                  MsgIcon::Information);
        return false;
    }

    const qint64 total = dataRows.size();
    qint64 failures = 0;
    qint64 processed = 0;
    qint64 uncommitted = 0;  // registered in the open batch, not yet counted as successes
    const auto loseBatch = [&](const QString& why) {
        WriteLog(
            ExeDir(),
            QStringLiteral("导入发票信息失败：%1 条未写入数据库：%2").arg(uncommitted).arg(why));
        failures += uncommitted;
        uncommitted = 0;
    };
    // A batch is committed before its rows are shown in Label_count and before the summary.
    const auto settle = [&] {
        if (const std::optional<QString> error = writer->commit()) {
            appprompts::get().message(nullptr, QStringLiteral("出现异常"), *error,
                                      MsgIcon::Information);
            loseBatch(*error);
        }
        uncommitted = 0;
    };

    QElapsedTimer shown;
    for (const qsizetype r : dataRows) {
        if (QThread::currentThread()->isInterruptionRequested()) {
            settle();
            return false;
        }
        const QString code = sheet.cell(r, columns->code).text;
        const QString number = PadWithZeros(sheet.cell(r, columns->number).text, 8);
        bool registered = false;
        try {
            registered = RegisterImportedInvoice(
                *writer, QStringLiteral("2"), number, code, QString(),
                invoiceDateText(sheet.cell(r, columns->invoiceDate)),
                sheet.cell(r, columns->time).text, sheet.cell(r, columns->reimburser).text,
                sheet.cell(r, columns->amount).text);
        } catch (const AppError& error) {
            WriteLog(ExeDir(), QStringLiteral("导入发票信息失败（第%1行）：%2-%3：%4")
                                   .arg(r + 1)
                                   .arg(code, number, error.message()));
            if (writer->batchLost()) {
                writer->forgetLostBatch();
                loseBatch(error.message());
            }
        }
        if (registered) {
            ++uncommitted;
        } else {
            ++failures;
        }
        ++processed;
        if (processed == total || !shown.isValid() ||
            shown.elapsed() >= sheetimport::kProgressIntervalMs) {
            settle();
            view.showProcessed(processed);
            shown.start();
        }
    }
    settle();
    writer.reset();

    tell(view, sheetimport::summaryText(total, failures));
    return true;
}

bool RunImport(ImportView& view) {
    const QString path = view.pathText();
    if (path.isEmpty()) {
        tell(view, QStringLiteral("请选择Excel表！"));
        return false;
    }
    if (!passesExtensionTest(path) || !QFileInfo(path).isFile()) {
        tellInvalidSheet(view);
        return false;
    }
    struct Loading {
        ImportView& view;
        explicit Loading(ImportView& v) : view(v) { view.setLoading(true); }
        ~Loading() { view.setLoading(false); }
    } loading(view);
    return ImportSheet(path, view);
}

namespace sheetimport {

QString summaryText(qint64 total, qint64 failures) {
    return QStringLiteral("导入完毕, 总共 %1 条数据，成功 %2 条，失败 %3 条！")
        .arg(total)
        .arg(total - failures)
        .arg(failures);
}

}  // namespace sheetimport
