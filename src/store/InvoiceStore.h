#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>
#include <optional>

#include "invoice/EntryMode.h"
#include "store/AuditTrail.h"
#include "store/StoreError.h"

// One invoice as it is handed to the store for registration.
struct InvoiceRecord {
    QString code;            // 发票代码 (empty on a fully digital invoice)
    QString number;          // 发票号码
    QString amount;          // 开票金额, a decimal text; empty gives null
    QString invoiceDate;     // 开票日期, yyyymmdd
    QString checkCode;       // 校验码
    QString reimburser;      // 报销人
    QDateTime reimbursedAt;  // 报销时间; invalid means the time of registration
    // 核销提示: what the office's rules said of it ("规则：说明；…"), kept with the row and in its
    // trail line; empty when they said nothing.
    QString ruleNotes;
    // 报销单号: the open claim the invoice joins (empty: none), and 发票种类, the kind its QR code
    // names, kept for the claim's sheet.
    QString claimNumber;
    QString kindCode;
    // No claim is open: a new one of the reimburser opens with this invoice, in its registration's
    // own transaction, and only when the invoice is registered (registerInvoice; a batch takes
    // its claimNumber as given).
    bool opensClaim = false;
};

// The office's rules as a registry keeps them itself (a server's table 核销规则): key and value.
struct RegistryRules {
    bool kept = false;  // false: the registry keeps no rules (the file; config.ini has them)
    QList<QPair<QString, QString>> values;
    bool ok = true;
    StoreError error;
};

// The trail's lines with rule notes (登记 with warnings, 拒绝登记) of a range, counted per month,
// 操作 and 核销提示: what the rule statistics are made of.
struct RuleNoteCount {
    QString month;  // yyyy-MM
    QString action;
    QString notes;
    qint64 lines = 0;
};
struct RuleNoteCounts {
    QList<RuleNoteCount> rows;
    bool ok = true;
    StoreError error;
};

// What became of one registration.
struct Registration {
    enum class Result {
        Registered,       // appended; its log line is written
        AlreadyRecorded,  // the invoice was there: nothing changed
        Failed,           // nothing was stored; see error
    };
    // Where a failure struck: looking the invoice up, or converting and appending it.
    enum class Stage { Lookup, Append };

    Result result = Result::Failed;
    Stage failedAt = Stage::Lookup;
    StoreError error;

    // The earlier registration of an invoice already recorded, when the store knows it.
    QDateTime earlierAt;
    QString earlierReimburser;

    // The claim opened with the invoice (opensClaim); empty when none was. claimError says why
    // none could be opened: the invoice is then registered in no claim.
    QString openedClaim;
    QDateTime claimOpenedAt;
    std::optional<StoreError> claimError;

    bool registered() const { return result == Result::Registered; }
};

struct InvoiceCount {
    std::optional<qint64> count;  // nothing when the count failed
    StoreError error;
};

// The company's invoice registry. Each instance is used on one thread at a time; open one per
// window or worker with openInvoiceStore(). The store never shows anything: it reports.
class InvoiceStore {
public:
    virtual ~InvoiceStore() = default;

    // Looks the invoice up and appends it if absent, with the given entry mode, under the
    // record's reimburser, at the record's time or now. Writes the registration's log line.
    // Every registration appends its trail line in the same transaction.
    virtual Registration registerInvoice(const InvoiceRecord& invoice, EntryMode mode) = 0;

    // The same for many invoices in one go: those that can be stored are stored together, each
    // has its own outcome, in order, and the log lines follow once they are stored.
    virtual QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices,
                                                 EntryMode mode) = 0;

    // Readies the store for the first registration of the run, before any scan comes (on the
    // file: the log's first sync, which also makes its entry in the folder durable). Writes
    // nothing. False when it could not; the first registration then does it.
    virtual bool prepareForRegistrations() { return true; }

    // The number of recorded invoices, whatever their entry mode.
    virtual InvoiceCount countInvoices() = 0;

    // Sets 报销人 of a recorded invoice; the trail line (old and new name) goes with it. A name
    // equal to the stored one changes nothing and writes no line.
    virtual ChangeOutcome correctReimburser(const trail::InvoiceKey& invoice,
                                            const QString& name) = 0;

    // Removes a registration so that the invoice can be reimbursed again; the whole removed
    // row and the reason (required: Refused without one) go into the trail in the same
    // transaction.
    virtual ChangeOutcome undoRegistration(const trail::InvoiceKey& invoice,
                                           const QString& reason) = 0;

    // The line of a registration the office's rules refused (拒绝登记): nothing else is stored;
    // the line keeps the invoice and why (its ruleNotes).
    virtual ChangeOutcome recordRefusal(const InvoiceRecord& invoice, EntryMode mode) = 0;

    // The rules the registry sets for every PC that uses it.
    virtual RegistryRules registryRules() = 0;

    // The rule notes of the trail lines written on the days from..to: one query.
    virtual RuleNoteCounts ruleNotes(const QDate& from, const QDate& to) = 0;

    // Appends the summary line of an import (its registrations have lines of their own).
    virtual ChangeOutcome recordImport(const trail::ImportSummary& summary) = 0;

    // Reads trail lines, oldest first, at most limit of them.
    virtual trail::Lines readTrail(const trail::Filter& filter, qsizetype limit) = 0;

    // The number of invoices and the exact sum of 开票金额 of the invoices reimbursed on the
    // days from..to, per reimburser or per month: one query.
    virtual ReimbursementFigures figures(const QDate& from, const QDate& to,
                                         FigureGrouping grouping) = 0;
};

// What a store is opened for: a clerk's registrations, each kept the moment it is made and each
// given up within seconds when a server does not answer; a window's reads (the trail, the
// figures), which a server may take longer over; or a bulk import, whose batches may trade a
// little durability for speed and take as long as they need.
enum class StoreUse { Interactive, Reading, Bulk };

// The store of the company named by config.ini's tax number.
std::unique_ptr<InvoiceStore> openInvoiceStore(StoreUse use = StoreUse::Interactive);
