#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "store/Database.h"
#include "store/InvoiceStore.h"

// The import's registrations on its one connection. Rows go into a batch (one transaction)
// with statements prepared once; nothing counts as registered, and no log line is written for
// it, before commit() has put the batch into the database file. A commit per row would cost
// a WAL frame write and an occasional checkpoint each, five times the row's own work.
class ImportWriter {
public:
    explicit ImportWriter(const QString& connectionString);
    ~ImportWriter();
    ImportWriter(const ImportWriter&) = delete;
    ImportWriter& operator=(const ImportWriter&) = delete;

    // Whether the invoice (number, code) is recorded, pending rows of this batch included.
    // Throws AppError on a database failure.
    bool isRegistered(const QString& number, const QString& code);

    // Converts the record's texts as the store does (the first bad one throws AppError, and
    // nothing is added) and adds the row to the batch. False when the invoice is there.
    bool append(const InvoiceRecord& record);

    // A log line to write once the batch holding its row is committed.
    void logAfterCommit(const QString& message);

    // Rows added since the last commit.
    qint64 pendingRows() const { return pending_; }

    // Commits the batch and writes its log lines. On failure the batch is rolled back, its
    // log lines dropped, and the error's text returned.
    std::optional<QString> commit();

    // True when a failed statement made the engine roll the open batch back by itself.
    bool batchLost() const;
    void forgetLostBatch();

private:
    void begin();

    Database db_;
    store::InvoiceWriter writer_;
    bool inBatch_ = false;
    qint64 pending_ = 0;
    QStringList logLines_;
};
