#pragma once

#include <QObject>
#include <QString>

#include "store/Database.h"

// One row of 发票报销 as the program hands it over: every value as text.
struct InvoiceRecord {
    QString code;               // 发票代码
    QString number;             // 发票号码
    QString amount;             // 开票金额, a decimal text; empty gives null
    QString invoiceDate;        // 开票日期
    QString checkCode;          // 校验码
    QString reimburser;         // 报销人
    QString entryMode;          // 报销方式: "0" scan, "1" manual entry, "2" Excel import
    QString reimbursementTime;  // 报销时间 in the locale date-time format
};

namespace store {

// The name under which the next scanned or hand-entered invoice is recorded (main thread).
QString currentReimburser();
void setCurrentReimburser(const QString& name);

// The lookup and the append of invoices on one connection, with their statements prepared once
// (the import registers tens of thousands of rows on one writer).
class InvoiceWriter {
public:
    explicit InvoiceWriter(Database& db);

    // Whether the invoice (number, code) is recorded. Throws AppError on a database failure.
    bool isRegistered(const QString& number, const QString& code);

    // Converts the record's texts into the column values, in the column order 发票号码,
    // 发票代码, 报销时间, 报销方式, 校验码, 开票日期, 开票金额, 报销人 (the first bad one throws
    // AppError), and appends the row. False when the invoice is already there (another
    // registration won a race); nothing is half-written in any case.
    bool append(const InvoiceRecord& record);

private:
    Statement lookup_;
    Statement insert_;
};

inline bool isRegistered(Database& db, const QString& number, const QString& code) {
    return InvoiceWriter(db).isRegistered(number, code);
}

inline bool appendInvoice(Database& db, const InvoiceRecord& record) {
    return InvoiceWriter(db).append(record);
}

}  // namespace store

// Looks the invoice up and appends it, under the current reimburser and the current time.
// True when appended; false when it was already there or the lookup failed (its error is
// shown in an "出现异常" box). Errors after the lookup (a bad amount, say) are thrown.
bool RegisterInvoice(const QString& entryMode, const QString& number, const QString& code,
                     const QString& checkCode, const QString& invoiceDate, const QString& amount);

// The number of recorded invoices as decimal text; "0" after a failure, which is shown in an
// "出现异常" box owned by owner and logged.
QString CountInvoices(QObject* owner = nullptr);
