#include "rules/RuleCheck.h"

#include "invoice/Amount.h"
#include "invoice/InvoiceIdentity.h"

namespace rules {

namespace {

const QString kRuleSeparator = QStringLiteral("；");
const QString kNameSeparator = QStringLiteral("：");

QString name(const char16_t* rule) {
    return QString::fromUtf16(rule);
}

QString shown(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

void add(Verdict& verdict, Handling handling, const char16_t* rule, const QString& text) {
    if (handling == Handling::Refuse) {
        verdict.refusals << Finding{name(rule), text};
    } else if (handling == Handling::Warn) {
        verdict.warnings << Finding{name(rule), text};
    }
}

void judgeDate(const Settings& s, const Facts& facts, Verdict& verdict) {
    const QDate invoiced = invoice::dateOf(facts.invoiceDate);
    if (!invoiced.isValid()) {
        // Nothing to compare: only a rule that needs the date turns the invoice away.
        const char16_t* needing = s.maxDays ? kMaxDays : s.earliestDate ? kEarliestDate : nullptr;
        if (needing) {
            // The text as read, short and without the separator of kept findings.
            QString read = facts.invoiceDate.left(20);
            read.replace(kRuleSeparator, QStringLiteral(";"));
            verdict.refusals << Finding{name(needing),
                                        QStringLiteral("开票日期“%1”无法识别").arg(read)};
        }
        return;
    }
    if (invoiced > facts.today) {
        verdict.refusals << Finding{
            name(kFutureDate),
            QStringLiteral("开票日期%1晚于本机日期%2").arg(shown(invoiced), shown(facts.today))};
        return;  // how old it is means nothing then
    }
    if (s.maxDays) {
        const qint64 days = invoiced.daysTo(facts.reimbursedOn);
        if (days > *s.maxDays) {
            verdict.refusals << Finding{name(kMaxDays),
                                        QStringLiteral("开票日期%1距报销日已%2天，超过最长天数%3天")
                                            .arg(shown(invoiced))
                                            .arg(days)
                                            .arg(*s.maxDays)};
        }
    }
    if (s.earliestDate && invoiced < *s.earliestDate) {
        verdict.refusals << Finding{name(kEarliestDate),
                                    QStringLiteral("开票日期%1早于最早开票日期%2")
                                        .arg(shown(invoiced), shown(*s.earliestDate))};
    }
}

void judgeAmount(const Settings& s, const Facts& facts, Verdict& verdict) {
    if (!facts.amount) {
        return;
    }
    const qint64 units = *facts.amount;
    if (units < 0) {
        add(verdict, s.negative, kNegative,
            QStringLiteral("红字发票（金额%1）").arg(amount::toMoneyText(units)));
    }
    if (s.amountLimit && units >= *s.amountLimit) {
        verdict.confirmation =
            Finding{name(kAmountLimit),
                    QStringLiteral("金额%1达到上限%2")
                        .arg(amount::toMoneyText(units), amount::toMoneyText(*s.amountLimit))};
    }
}

void judgeBuyer(const Settings& s, const Facts& facts, const QString& company, Verdict& verdict) {
    if (!facts.buyerTaxNumber || s.buyer == Handling::Off) {
        return;
    }
    const QString buyer = comparableTaxNumber(*facts.buyerTaxNumber);
    if (buyer.isEmpty()) {
        add(verdict, s.buyer, kBuyer, QStringLiteral("发票文件中没有购买方税号"));
    } else if (buyer != comparableTaxNumber(company)) {
        add(verdict, s.buyer, kBuyer,
            QStringLiteral("购买方税号%1与本单位税号%2不符").arg(buyer, company));
    }
}

}  // namespace

QStringList ruleNames() {
    QStringList names{name(kFutureDate)};
    names << keys();
    return names;
}

void Verdict::confirm(bool yes) {
    if (!confirmation) {
        return;
    }
    Finding finding = *confirmation;
    confirmation.reset();
    finding.text += yes ? QStringLiteral("，已确认") : QStringLiteral("，未确认");
    (yes ? warnings : refusals) << finding;
}

void Verdict::refuseUnconfirmed() {
    if (confirmation) {
        refusals << Finding{confirmation->rule,
                            confirmation->text + QStringLiteral("，导入时无法逐张确认")};
        confirmation.reset();
    }
}

Verdict judge(const Settings& settings, const Facts& facts, const QString& companyTaxNumber) {
    Verdict verdict;
    judgeDate(settings, facts, verdict);
    judgeAmount(settings, facts, verdict);
    judgeBuyer(settings, facts, companyTaxNumber, verdict);
    if (verdict.refused()) {
        verdict.confirmation.reset();  // nothing left to ask
    }
    return verdict;
}

QString comparableTaxNumber(const QString& text) {
    QString result;
    for (QChar c : text) {
        if (c.isSpace()) {
            continue;
        }
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) {
            c = QChar(c.unicode() - 0xFEE0);
        }
        result += c.toUpper();
    }
    return result;
}

QString storedText(const QList<Finding>& findings) {
    QStringList parts;
    for (const Finding& f : findings) {
        parts << f.rule + kNameSeparator + f.text;
    }
    return parts.join(kRuleSeparator);
}

QList<Finding> fromStoredText(const QString& text) {
    QList<Finding> findings;
    for (const QString& part : text.split(kRuleSeparator, Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(kNameSeparator);
        findings << (colon < 0 ? Finding{QString(), part}
                               : Finding{part.left(colon), part.mid(colon + 1)});
    }
    return findings;
}

QString shownText(const QList<Finding>& findings) {
    QStringList parts;
    for (const Finding& f : findings) {
        parts << f.text;
    }
    return parts.join(kRuleSeparator);
}

QString refusalText(const QList<Finding>& findings) {
    return QStringLiteral("不符合核销规则：") + shownText(findings);
}

QString confirmationQuestion(const Finding& confirmation) {
    return QStringLiteral("金额超过上限，确认报销？\n\n") + confirmation.text;
}

}  // namespace rules
