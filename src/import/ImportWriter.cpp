#include "import/ImportWriter.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

#include "shell/AppError.h"
#include "shell/Clock.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "shell/TextCodec.h"
#include "store/Amount.h"
#include "store/InvoiceStore.h"

namespace {

Database openForImport(const QString& connectionString) {
    // Committed batches survive the program's end; only a power cut may lose the last ones.
    Database db = Database::open(connectionString, Database::Durability::Normal);
    // A checkpoint syncs the database file, which here takes up to a second: none while the
    // rows go in. The next commit of another connection, or the last close, checkpoints.
    db.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    return db;
}

}  // namespace

ImportWriter::ImportWriter(const QString& connectionString)
    : db_(openForImport(connectionString)),
      lookup_(db_.prepare(
          QStringLiteral("select * from  发票报销  where 发票号码=?1 and 发票代码=?2"))),
      insert_(db_.prepare(QStringLiteral(
          "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, "
          "开票金额, 报销人) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"))) {}

ImportWriter::~ImportWriter() {
    if (inBatch_ && sqlite3_get_autocommit(db_.handle()) == 0) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void ImportWriter::begin() {
    if (!inBatch_) {
        db_.exec(QStringLiteral("BEGIN IMMEDIATE"));
        inBatch_ = true;
    }
}

bool ImportWriter::isRegistered(const QString& number, const QString& code) {
    begin();
    lookup_.reset();
    lookup_.bind(1, number).bind(2, code);
    const bool found = lookup_.step();
    lookup_.reset();
    return found;
}

bool ImportWriter::append(const InvoiceRecord& record) {
    // The conversions of store::appendInvoice, in its column order.
    const std::optional<QDateTime> time = localefmt::parseDateTime(record.reimbursementTime);
    if (!time) {
        throw AppError(
            QStringLiteral("'%1' is not a valid date and time").arg(record.reimbursementTime));
    }
    bool ok = false;
    const qint64 entryMode = record.entryMode.trimmed().toLongLong(&ok);
    if (!ok) {
        throw AppError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                           .arg(record.entryMode, QStringLiteral("报销方式")));
    }
    const std::optional<qint64> units = amount::fromText(record.amount, QStringLiteral("开票金额"));

    begin();
    insert_.reset();
    insert_.bind(1, record.number)
        .bind(2, record.code)
        .bind(3, localefmt::storageText(*time))
        .bind(4, entryMode)
        .bind(5, record.checkCode)
        .bind(6, record.invoiceDate)
        .bind(7, units)
        .bind(8, record.reimburser);
    if (!insert_.execute()) {
        return false;
    }
    ++pending_;
    return true;
}

void ImportWriter::logAfterCommit(const QString& message) {
    logLines_ << message;
}

std::optional<QString> ImportWriter::commit() {
    if (!inBatch_) {
        return std::nullopt;
    }
    inBatch_ = false;
    pending_ = 0;
    try {
        db_.exec(QStringLiteral("COMMIT"));
    } catch (const AppError& error) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        logLines_.clear();
        return error.message();
    }
    appendLogLines(ExeDir(), logLines_);
    logLines_.clear();
    return std::nullopt;
}

bool ImportWriter::batchLost() const {
    return inBatch_ && sqlite3_get_autocommit(db_.handle()) != 0;
}

void ImportWriter::forgetLostBatch() {
    inBatch_ = false;
    pending_ = 0;
    logLines_.clear();
}

void appendLogLines(const QString& directory, const QStringList& messages) {
    if (messages.isEmpty()) {
        return;
    }
    const QDateTime now = appclock::now();
    const QString stamp =
        now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ");
    QString text;
    for (const QString& message : messages) {
        text += stamp + message + u'\n';
    }
    const QString logDir = joinPath(directory, QStringLiteral("log"));
    if (!QDir().mkpath(logDir)) {
        return;
    }
    // Unbuffered and appending: the lines reach the file in one write, which another thread's
    // log line cannot split.
    QFile file(joinPath(logDir, now.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        return;
    }
    file.write(textcodec::toGbkTextMode(text));
}
