#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "rules/RuleCheck.h"
#include "store/InvoiceStore.h"

// An invoice put through the office's rules in force and then, unless they refuse it, into the
// store: the one way a scan, a manual entry, an invoice file and an imported row are written off.
namespace rules {

struct Checked {
    enum class Kind { Registered, AlreadyRecorded, Refused, Failed };
    Kind kind = Kind::Failed;
    Registration registration;  // the store's outcome, when it was asked
    QString refusal;            // "不符合核销规则：…" when refused
    QString warning;            // what the rules said of a registered invoice ("…；…")
};

// Asked when the amount reaches 金额上限: true writes the invoice off.
using Confirm = std::function<bool(const Finding& finding)>;

// What the rules judge of the invoice: its date and amount as they will be stored (none for a
// manual entry's 0.00), a file's buyer, the day of its 报销时间 and today.
Facts factsOf(const InvoiceRecord& invoice, EntryMode mode,
              const std::optional<QString>& buyerTaxNumber);

// Judges and registers. A refusal stores nothing but its line in the trail (拒绝登记) and its log
// line; warnings go with the registration (核销提示). Rules that cannot be read (a registry out
// of reach) leave the invoice unregistered: Failed with the store's error.
Checked registerChecked(InvoiceStore& store, InvoiceRecord invoice, EntryMode mode,
                        const std::optional<QString>& buyerTaxNumber, const Confirm& confirm);

// The rows of an import, where no one can be asked (a confirmation is a refusal), judged by the
// rules in force when the import began.
class ImportScreen {
public:
    explicit ImportScreen(InvoiceStore& store);
    // The refusal, or why the rules could not be read; empty when the row may be registered.
    // Its warnings are put into invoice.ruleNotes.
    QString operator()(InvoiceRecord& invoice) const;

private:
    InvoiceStore& store_;
    std::optional<Settings> settings_;
    QString unreadable_;
};

}  // namespace rules
