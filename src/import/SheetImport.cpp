#include "import/SheetImport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "base/TextCodec.h"
#include "import/ImportFailures.h"
#include "invoice/InvoiceColumns.h"
#include "invoice/InvoiceIdentity.h"
#include "reader/ReaderClient.h"
#include "rules/CheckedRegistration.h"
#include "store/InvoiceStore.h"
#include "workbook/Sheet.h"

namespace {

using invoicecolumns::title;

void tellInvalidSheet(ImportView& view) {
    view.tell(QStringLiteral("请选择有效的Excel表！"));
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
        return invoice::dateText(cell.value.date());
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
        if (heading == title(invoicecolumns::kCode)) {
            slot = &found.code;
        } else if (heading == title(invoicecolumns::kNumber)) {
            slot = &found.number;
        } else if (heading == title(invoicecolumns::kAmount)) {
            slot = &found.amount;
        } else if (heading == title(invoicecolumns::kInvoiceDate)) {
            slot = &found.invoiceDate;
        } else if (heading == title(invoicecolumns::kReimbursedAt)) {
            slot = &found.time;
        } else if (heading == title(invoicecolumns::kReimburser)) {
            slot = &found.reimburser;
        } else if (heading == title(invoicecolumns::kClaimNumber)) {
            continue;  // the registry gives an invoice its claim, a workbook does not
        } else if (heading == title(invoicecolumns::kEntryMode)) {
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

ImportedRow importedRow(const workbook::Sheet& sheet, qsizetype row, const SheetColumns& columns) {
    ImportedRow imported;
    InvoiceRecord& invoice = imported.invoice;
    invoice.code = sheet.cell(row, columns.code).text;
    invoice.number = PadWithZeros(sheet.cell(row, columns.number).text, invoice::kNumberLength);
    invoice.amount = sheet.cell(row, columns.amount).text;
    invoice.invoiceDate = invoiceDateText(sheet.cell(row, columns.invoiceDate));
    invoice.reimburser = sheet.cell(row, columns.reimburser).text;
    const QString time = sheet.cell(row, columns.time).text;
    if (!time.isEmpty()) {
        const std::optional<QDateTime> value = localefmt::parseDateTime(time);
        if (value) {
            invoice.reimbursedAt = *value;
        } else {
            imported.problem = QStringLiteral("'%1' is not a valid date and time for field '%2'")
                                   .arg(time, title(invoicecolumns::kReimbursedAt));
        }
    }
    return imported;
}

bool ImportSheet(const QString& path, ImportView& view) {
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore(StoreUse::Bulk);
    return ImportSheet(path, view, *store);
}

bool ImportSheet(const QString& path, ImportView& view, InvoiceStore& store) {
    workbook::Sheet sheet;
    try {
        sheet = readerclient::readFirstSheet(path);
    } catch (const AppError& error) {
        view.tell(error.message());
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
    // A store that cannot even be read takes no rows: one box, no summary.
    const InvoiceCount reachable = store.countInvoices();
    if (!reachable.count) {
        view.showException(reachable.error.detail);
        return false;
    }

    const qint64 total = dataRows.size();
    const QString claim = view.claimNumber();
    QList<ImportFailure> failures;
    qint64 processed = 0;
    // Every row not registered is told in the details and left in the log.
    const auto failRow = [&](qsizetype row, const InvoiceRecord& invoice, const QString& why) {
        const ImportFailure failure{row + 1, invoice.code, invoice.number, why};
        WriteLog(GetExeDir(), importfailures::logLine(failure));
        failures << failure;
    };
    // A store that fails row after row for one reason (a server gone away) shows it once, not
    // once per row.
    QStringList shownFailures;
    // The rows gathered since the last registration, with their sheet row numbers.
    QList<ImportedRow> gathered;
    QList<qsizetype> gatheredRows;
    const auto registerGathered = [&] {
        if (gathered.isEmpty()) {
            return;
        }
        QList<InvoiceRecord> batch;
        QList<qsizetype> batchIndex;
        for (qsizetype i = 0; i < gathered.size(); ++i) {
            if (gathered[i].problem.isEmpty()) {
                batch << gathered[i].invoice;
                batchIndex << i;
            } else {
                failRow(gatheredRows[i], gathered[i].invoice, gathered[i].problem);
            }
        }
        const QList<Registration> outcomes = store.registerInvoices(batch, EntryMode::Import);
        for (qsizetype k = 0; k < outcomes.size(); ++k) {
            const Registration& outcome = outcomes[k];
            const qsizetype i = batchIndex[k];
            if (outcome.registered()) {
                continue;
            }
            if (outcome.result == Registration::Result::AlreadyRecorded) {
                failRow(gatheredRows[i], gathered[i].invoice,
                        importfailures::alreadyReimbursed(outcome.earlierAt,
                                                          outcome.earlierReimburser));
            } else {
                if (outcome.failedAt == Registration::Stage::Lookup &&
                    !shownFailures.contains(outcome.error.detail)) {
                    shownFailures << outcome.error.detail;
                    view.showException(outcome.error.detail);
                }
                failRow(gatheredRows[i], gathered[i].invoice,
                        outcome.error.kind == StoreError::Kind::InvalidValue
                            ? outcome.error.detail
                            : outcome.error.reason() + u'：' + outcome.error.detail);
            }
        }
        processed += gathered.size();
        gathered.clear();
        gatheredRows.clear();
        view.showProcessed(processed);
    };

    // The import itself goes into the trail beside its registrations' lines (the rows it went
    // through, when it was stopped); should that fail, the log keeps it.
    const auto recordImport = [&](bool stopped) {
        const qint64 through = stopped ? processed : total;
        const QString file = stopped ? path + QStringLiteral("（中途停止）") : path;
        const ChangeOutcome recorded =
            store.recordImport({file, through, through - failures.size(), qint64(failures.size())});
        if (!recorded.done()) {
            WriteLog(GetExeDir(),
                     QStringLiteral("导入记录未能写入：%1：%2")
                         .arg(file, recorded.error.reason() + u'：' + recorded.error.detail));
        }
    };

    // The office's rules: a refused row is told in the details like any other failure.
    const rules::ImportScreen screen(store);
    // The first row is registered alone and shown at once; then batches of the store's pace
    // (refusals are kept one by one, so gathering is bounded in time too).
    int batchRows = 1;
    QElapsedTimer gathering;
    gathering.start();
    for (const qsizetype r : dataRows) {
        if (QThread::currentThread()->isInterruptionRequested()) {
            registerGathered();
            recordImport(true);
            return false;
        }
        ImportedRow row = importedRow(sheet, r, *columns);
        row.invoice.claimNumber = claim;
        if (row.problem.isEmpty()) {
            row.problem = screen(row.invoice);
        }
        gathered << row;
        gatheredRows << r;
        if (gathered.size() >= batchRows || gathering.elapsed() >= sheetimport::kBatchMs) {
            const qsizetype rows = gathered.size();
            registerGathered();
            batchRows = sheetimport::nextBatchRows(rows, gathering.nsecsElapsed() / 1000);
            gathering.start();
        }
    }
    registerGathered();

    recordImport(false);
    view.tellSummary(sheetimport::summaryText(total, failures.size()), failures);
    return true;
}

bool RunImport(ImportView& view) {
    const QString path = view.pathText();
    if (path.isEmpty()) {
        view.tell(QStringLiteral("请选择Excel表！"));
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

int nextBatchRows(qsizetype rows, qint64 elapsedUs) {
    const qint64 paced = rows * kBatchMs * 1000 / qMax<qint64>(elapsedUs, 1);
    return int(std::clamp<qint64>(paced, kMinBatchRows, kMaxBatchRows));
}

QString summaryText(qint64 total, qint64 failures) {
    return QStringLiteral("导入完毕, 总共 %1 条数据，成功 %2 条，失败 %3 条！")
        .arg(total)
        .arg(total - failures)
        .arg(failures);
}

}  // namespace sheetimport
