#include "import/ImportWriter.h"

#include <sqlite3.h>

#include "shell/AppError.h"
#include "shell/Commonfun.h"
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
    : db_(openForImport(connectionString)), writer_(db_) {}

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
    return writer_.isRegistered(number, code);
}

bool ImportWriter::append(const InvoiceRecord& record) {
    begin();
    if (!writer_.append(record)) {
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
    WriteLogLines(ExeDir(), logLines_);
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
