#include "rules/CheckedRegistration.h"

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "invoice/Amount.h"
#include "rules/OfficeRules.h"

namespace rules {

namespace {

// The refusal's line in the trail and in the log; a trail that cannot be written does not undo
// the refusal, the log keeps it.
void keepRefusal(InvoiceStore& store, InvoiceRecord invoice, EntryMode mode,
                 const QList<Finding>& refusals) {
    invoice.ruleNotes = storedText(refusals);
    const QString which = invoice.code + u'-' + invoice.number;
    QStringList lines{
        QStringLiteral("不符合核销规则，未报销：%1：%2").arg(which, invoice.ruleNotes)};
    const ChangeOutcome kept = store.recordRefusal(invoice, mode);
    if (!kept.done()) {
        lines << QStringLiteral("拒绝登记未能写入操作记录：%1：%2")
                     .arg(which, kept.error.reason() + u'：' + kept.error.detail);
    }
    WriteLogLines(GetExeDir(), lines);
}

}  // namespace

Facts factsOf(const InvoiceRecord& invoice, EntryMode mode,
              const std::optional<QString>& buyerTaxNumber) {
    Facts facts;
    facts.invoiceDate = invoice.invoiceDate;
    if (mode != EntryMode::Manual) {
        try {
            facts.amount = amount::fromText(invoice.amount, QStringLiteral("开票金额"));
        } catch (const AppError&) {
            // No number: the store refuses it as it always has.
        }
    }
    facts.buyerTaxNumber = buyerTaxNumber;
    facts.today = appclock::now().date();
    facts.reimbursedOn = invoice.reimbursedAt.isValid() ? invoice.reimbursedAt.date() : facts.today;
    return facts;
}

Checked registerChecked(InvoiceStore& store, InvoiceRecord invoice, EntryMode mode,
                        const std::optional<QString>& buyerTaxNumber, const Confirm& confirm) {
    Checked checked;
    const InForce rules = inForce(store);
    if (!rules.settings) {
        checked.registration.error = rules.error;
        return checked;
    }
    Verdict verdict = judge(*rules.settings, factsOf(invoice, mode, buyerTaxNumber), TaxNumber());
    if (verdict.confirmation) {
        verdict.confirm(confirm && confirm(*verdict.confirmation));
    }
    if (verdict.refused()) {
        keepRefusal(store, invoice, mode, verdict.refusals);
        checked.kind = Checked::Kind::Refused;
        checked.refusal = refusalText(verdict.refusals);
        return checked;
    }
    invoice.ruleNotes = storedText(verdict.warnings);
    checked.registration = store.registerInvoice(invoice, mode);
    switch (checked.registration.result) {
        case Registration::Result::Registered:
            checked.kind = Checked::Kind::Registered;
            checked.warning = shownText(verdict.warnings);
            break;
        case Registration::Result::AlreadyRecorded:
            checked.kind = Checked::Kind::AlreadyRecorded;
            break;
        case Registration::Result::Failed:
            checked.kind = Checked::Kind::Failed;
            break;
    }
    return checked;
}

ImportScreen::ImportScreen(InvoiceStore& store) : store_(store) {
    const InForce rules = inForce(store);
    settings_ = rules.settings;
    if (!settings_) {
        unreadable_ = QStringLiteral("无法读取核销规则：") + rules.error.reason() + u'：' +
                      rules.error.detail;
    }
}

QString ImportScreen::operator()(InvoiceRecord& invoice) const {
    if (!settings_) {
        return unreadable_;
    }
    Verdict verdict =
        judge(*settings_, factsOf(invoice, EntryMode::Import, std::nullopt), TaxNumber());
    verdict.refuseUnconfirmed();
    if (verdict.refused()) {
        keepRefusal(store_, invoice, EntryMode::Import, verdict.refusals);
        return refusalText(verdict.refusals);
    }
    invoice.ruleNotes = storedText(verdict.warnings);
    return {};
}

}  // namespace rules
