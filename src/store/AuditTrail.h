#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "store/StoreError.h"

// The audit trail the store keeps beside the invoices (the table 发票报销_记录): one line for
// every registration, correction of 报销人, undo and import, with when, who, where and which
// version of the program. Lines are only ever appended, in the same transaction as the change
// they record; nothing in the program edits or deletes one.
namespace trail {

// What a line records: the text of 操作.
inline constexpr char16_t kRegistered[] = u"登记";
inline constexpr char16_t kCorrected[] = u"修改报销人";
inline constexpr char16_t kUndone[] = u"撤销报销";
inline constexpr char16_t kImported[] = u"导入";
inline constexpr char16_t kRefused[] = u"拒绝登记";  // the office's rules turned it away
// A reimbursement claim opened, closed (its count in 总数, its total in 开票金额) and its sheet
// written again.
inline constexpr char16_t kClaimOpened[] = u"新建报销单";
inline constexpr char16_t kClaimClosed[] = u"结束报销单";
inline constexpr char16_t kClaimSheet[] = u"重新生成报销单";
// Made on the server by the administrator's fpbxdb rules set: the rules changed, in 原因.
inline constexpr char16_t kRulesChanged[] = u"修改核销规则";
// Made on the server by an administrator's own statements, outside the program:
inline constexpr char16_t kModified[] = u"修改";  // columns other than 报销人 changed
inline constexpr char16_t kCleared[] = u"清空";   // the table emptied

// Who acts and where: the computer's user, its host name and the program's version.
struct Actor {
    QString user;
    QString host;
    QString version;
};
// This process's, worked out once.
const Actor& currentActor();

// An invoice by its key.
struct InvoiceKey {
    QString code;    // 发票代码
    QString number;  // 发票号码
};

// Where a line stands in the reading order (时间 of a range's lines, then 序号): a page of
// lines ends at its last line's place, and the next page begins after it.
struct Position {
    QDateTime at;
    qint64 serial = 0;
};

// One line of the trail.
struct Entry {
    qint64 serial = 0;  // 序号: the order of writing
    QDateTime at;       // 时间
    QString action;     // 操作, one of the texts above
    QString code;       // 发票代码 and 发票号码 of the invoice (none for an import)
    QString number;
    // The invoice's row as it was registered (登记) or removed (撤销报销).
    std::optional<qint64> amountUnits;  // 开票金额, ten-thousandths
    QString invoiceDate;                // 开票日期
    QString checkCode;                  // 校验码
    QDateTime reimbursedAt;             // 报销时间
    std::optional<qint64> entryMode;    // 报销方式
    QString reimburser;                 // 报销人: as stored, or the new one of a correction
    QString previousReimburser;         // 原报销人 of a correction
    QString reason;                     // 原因 of an undo
    QString ruleNotes;                  // 核销提示 of a registration or a refusal
    QString claimNumber;  // 报销单号: the claim of a registration, undo or claim line
    // An import: the file (or folder) and its totals.
    QString file;
    std::optional<qint64> total, succeeded, failed;
    Actor actor;
    QString databaseUser;  // the server's login that made the change (server registry only)

    Position position() const { return {at, serial}; }

    // The line in a few words for a list: "扫描 报销人 张三 金额 100.00", "张三 → 李四", …
    QString summary() const;
};

// Which lines to read: those of one invoice, or those written on the days from..to; with after,
// only those that come after that place.
struct Filter {
    std::optional<InvoiceKey> invoice;
    QDate from;
    QDate to;
    std::optional<Position> after;

    static Filter of(const InvoiceKey& key) { return {key, {}, {}, std::nullopt}; }
    static Filter between(const QDate& from, const QDate& to) {
        return {std::nullopt, from, to, std::nullopt};
    }
    Filter following(const Position& place) const {
        Filter next = *this;
        next.after = place;
        return next;
    }
};

// Lines in the order they were written (oldest first), at most limit of them.
struct Lines {
    QList<Entry> entries;
    bool truncated = false;  // there were more than limit
    StoreError error;
    bool ok = true;
};

// The summary line of an import.
struct ImportSummary {
    QString file;
    qint64 total = 0;
    qint64 succeeded = 0;
    qint64 failed = 0;
};

// The CSV of lines (GBK, CR LF), every field in a column of its own: what an auditor keeps.
QByteArray csv(const QList<Entry>& entries);
// The same in parts, for a file written a page at a time: the headings, then lines.
QByteArray csvHeadingLine();
QByteArray csvLines(const QList<Entry>& entries);
QStringList csvHeadings();
QStringList csvFields(const Entry& entry);

}  // namespace trail

// What became of a correction of 报销人 or an undo.
struct ChangeOutcome {
    enum class Result {
        Done,      // changed; its trail line is written
        NotFound,  // the invoice is not (or no longer) recorded: nothing changed
        Refused,   // the request itself is not acceptable (an undo without a reason)
        Failed,    // nothing changed; see error
    };
    Result result = Result::Failed;
    StoreError error;
    QString previousReimburser;  // a correction's old name
    bool done() const { return result == Result::Done; }
};

// An undo must say why: the refusal of one without a reason, nothing when it has one.
std::optional<ChangeOutcome> refusedUndo(const QString& reason);

// The write-off figures for a range of 报销时间: one row per group.
struct ReimbursementFigure {
    QString group;           // 报销人 (empty for none) or yyyy-MM
    qint64 invoices = 0;     // number of invoices
    qint64 amountUnits = 0;  // the sum of 开票金额, ten-thousandths, exact
};

struct ReimbursementFigures {
    QList<ReimbursementFigure> rows;
    StoreError error;
    bool ok = true;
    // The totals of all rows, exact.
    ReimbursementFigure total() const;
};

enum class FigureGrouping { ByReimburser, ByMonth };
