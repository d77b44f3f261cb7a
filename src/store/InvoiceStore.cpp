#include "store/InvoiceStore.h"

#include <QMutex>

#include "shell/AppError.h"
#include "shell/Clock.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "store/Amount.h"
#include "store/Database.h"
#include "ui/Prompts.h"

namespace {

QMutex reimburserMutex;
QString reimburser;

QString storedTime(const QString& text) {
    const std::optional<QDateTime> value = localefmt::parseDateTime(text);
    if (!value) {
        throw AppError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    }
    return localefmt::storageText(*value);
}

qint64 storedEntryMode(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok) {
        throw AppError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                           .arg(text, QStringLiteral("报销方式")));
    }
    return value;
}

void showLookupError(const QString& message, QObject* owner) {
    appprompts::get().message(owner, QStringLiteral("出现异常"), message, MsgIcon::Information);
}

}  // namespace

namespace store {

QString currentReimburser() {
    QMutexLocker lock(&reimburserMutex);
    return reimburser;
}

void setCurrentReimburser(const QString& name) {
    QMutexLocker lock(&reimburserMutex);
    reimburser = name;
}

InvoiceWriter::InvoiceWriter(Database& db)
    : lookup_(
          db.prepare(QStringLiteral("select * from  发票报销  where 发票号码=?1 and 发票代码=?2"))),
      insert_(db.prepare(QStringLiteral("insert into 发票报销 (发票号码, 发票代码, 报销时间, "
                                        "报销方式, 校验码, 开票日期, 开票金额, "
                                        "报销人) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"))) {}

bool InvoiceWriter::isRegistered(const QString& number, const QString& code) {
    lookup_.reset();
    lookup_.bind(1, number).bind(2, code);
    const bool found = lookup_.step();
    lookup_.reset();
    return found;
}

bool InvoiceWriter::append(const InvoiceRecord& record) {
    const QString time = storedTime(record.reimbursementTime);
    const qint64 entryMode = storedEntryMode(record.entryMode);
    const std::optional<qint64> amountUnits =
        amount::fromText(record.amount, QStringLiteral("开票金额"));

    insert_.reset();
    insert_.bind(1, record.number)
        .bind(2, record.code)
        .bind(3, time)
        .bind(4, entryMode)
        .bind(5, record.checkCode)
        .bind(6, record.invoiceDate)
        .bind(7, amountUnits)
        .bind(8, record.reimburser);
    return insert_.execute();
}

}  // namespace store

bool RegisterInvoice(const QString& entryMode, const QString& number, const QString& code,
                     const QString& checkCode, const QString& invoiceDate, const QString& amount) {
    std::optional<Database> db;
    try {
        db.emplace(Database::open(GetConnectionString()));
        if (store::isRegistered(*db, number, code)) {
            return false;
        }
    } catch (const AppError& error) {
        showLookupError(error.message(), nullptr);
        return false;
    }

    InvoiceRecord record;
    record.number = number;
    record.code = code;
    record.reimbursementTime = localefmt::dateTimeText(appclock::now());
    record.entryMode = entryMode;
    record.checkCode = checkCode;
    record.invoiceDate = invoiceDate;
    record.amount = amount;
    record.reimburser = store::currentReimburser();
    if (!store::appendInvoice(*db, record)) {
        return false;
    }
    WriteLog(ExeDir(), QStringLiteral("报销成功发票信息：") + code + u'-' + number);
    return true;
}

QString CountInvoices(QObject* owner) {
    try {
        Database db = Database::open(GetConnectionString());
        // The row count is kept by the table's triggers; counting a million rows each time
        // would cost tens of milliseconds per scan.
        Statement count = db.prepare(QStringLiteral("select 数量 from 发票报销_数量"));
        if (!count.step()) {
            throw AppError(QStringLiteral("发票报销_数量 is empty"));
        }
        return count.text(0);
    } catch (const AppError& error) {
        showLookupError(error.message(), owner);
        WriteLog(ExeDir(), QStringLiteral("获取扫描总数异常：") + error.message());
        return QStringLiteral("0");
    }
}
