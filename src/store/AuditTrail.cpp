#include "store/AuditTrail.h"

#include <pwd.h>
#include <unistd.h>

#include <QSysInfo>

#include "base/AppInfo.h"
#include "base/CsvText.h"
#include "base/LocaleFormats.h"
#include "base/TextCodec.h"
#include "invoice/Amount.h"
#include "invoice/EntryMode.h"

namespace trail {

namespace {

QString userName() {
    // The account the process runs as, not what the environment claims.
    if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_name) {
        return QString::fromLocal8Bit(account->pw_name);
    }
    const QString fromEnvironment = qEnvironmentVariable("USER");
    return fromEnvironment.isEmpty() ? QString::number(getuid()) : fromEnvironment;
}

QString timeText(const QDateTime& at) {
    return at.isValid() ? localefmt::storageText(at) : QString();
}

QString numberText(const std::optional<qint64>& value) {
    return value ? QString::number(*value) : QString();
}

}  // namespace

const Actor& currentActor() {
    static const Actor actor{userName(), QSysInfo::machineHostName(), appinfo::programVersion()};
    return actor;
}

QString Entry::summary() const {
    const QString amountText =
        amountUnits ? amount::toMoneyText(*amountUnits) : QStringLiteral("（无）");
    const QString who = reimburser.isEmpty() ? QStringLiteral("（无）") : reimburser;
    if (action == QStringView(kRegistered)) {
        const QString mode = entryMode ? entrymode::displayText(*entryMode) : QString();
        QString line = QStringLiteral("%1 报销人 %2 金额 %3").arg(mode, who, amountText);
        if (!claimNumber.isEmpty()) {
            line += QStringLiteral(" 报销单 ") + claimNumber;
        }
        return (ruleNotes.isEmpty() ? line : line + QStringLiteral(" 核销提示：") + ruleNotes)
            .trimmed();
    }
    if (action == QStringView(kRefused)) {
        return QStringLiteral("报销人 %1 金额 %2 不符合核销规则：%3")
            .arg(who, amountText, ruleNotes);
    }
    if (action == QStringView(kCorrected)) {
        const QString old =
            previousReimburser.isEmpty() ? QStringLiteral("（无）") : previousReimburser;
        return QStringLiteral("报销人 %1 → %2").arg(old, who);
    }
    if (action == QStringView(kUndone)) {
        return QStringLiteral("原因：%1（原报销人 %2，报销时间 %3，金额 %4）")
            .arg(reason, who, localefmt::dateTimeText(reimbursedAt), amountText);
    }
    if (action == QStringView(kClaimClosed)) {
        return QStringLiteral("%1 报销人 %2 共 %3 张 合计 %4")
            .arg(claimNumber, who)
            .arg(total.value_or(0))
            .arg(amountText);
    }
    if (action == QStringView(kClaimOpened) || action == QStringView(kClaimSheet)) {
        return QStringLiteral("%1 报销人 %2").arg(claimNumber, who);
    }
    if (action == QStringView(kRulesChanged)) {
        return reason;
    }
    if (action == QStringView(kImported) || action == QStringView(kCleared)) {
        QString text = file;
        if (total) {
            text += QStringLiteral(" 总共 %1 条，成功 %2 条，失败 %3 条")
                        .arg(*total)
                        .arg(succeeded.value_or(0))
                        .arg(failed.value_or(0));
        }
        return text.trimmed();
    }
    return {};
}

QStringList csvHeadings() {
    return {QStringLiteral("序号"),     QStringLiteral("时间"),     QStringLiteral("操作"),
            QStringLiteral("发票代码"), QStringLiteral("发票号码"), QStringLiteral("开票金额"),
            QStringLiteral("开票日期"), QStringLiteral("校验码"),   QStringLiteral("报销时间"),
            QStringLiteral("录入方式"), QStringLiteral("报销人"),   QStringLiteral("原报销人"),
            QStringLiteral("原因"),     QStringLiteral("文件"),     QStringLiteral("总数"),
            QStringLiteral("成功"),     QStringLiteral("失败"),     QStringLiteral("用户"),
            QStringLiteral("计算机"),   QStringLiteral("版本"),     QStringLiteral("数据库用户"),
            QStringLiteral("核销提示"), QStringLiteral("报销单号")};
}

QStringList csvFields(const Entry& e) {
    return {QString::number(e.serial),
            timeText(e.at),
            e.action,
            e.code,
            e.number,
            e.amountUnits ? amount::toShortestText(*e.amountUnits) : QString(),
            e.invoiceDate,
            e.checkCode,
            timeText(e.reimbursedAt),
            e.entryMode ? entrymode::displayText(*e.entryMode) : QString(),
            e.reimburser,
            e.previousReimburser,
            e.reason,
            e.file,
            numberText(e.total),
            numberText(e.succeeded),
            numberText(e.failed),
            e.actor.user,
            e.actor.host,
            e.actor.version,
            e.databaseUser,
            e.ruleNotes,
            e.claimNumber};
}

QByteArray csv(const QList<Entry>& entries) {
    return csvHeadingLine() + csvLines(entries);
}

QByteArray csvHeadingLine() {
    return textcodec::toGbk(csvtext::line(csvHeadings()));
}

QByteArray csvLines(const QList<Entry>& entries) {
    QString text;
    for (const Entry& entry : entries) {
        text += csvtext::line(csvFields(entry));
    }
    return textcodec::toGbk(text);
}

}  // namespace trail

ReimbursementFigure ReimbursementFigures::total() const {
    ReimbursementFigure sum;
    sum.group = QStringLiteral("合计");
    for (const ReimbursementFigure& row : rows) {
        sum.invoices += row.invoices;
        sum.amountUnits += row.amountUnits;
    }
    return sum;
}

std::optional<ChangeOutcome> refusedUndo(const QString& reason) {
    if (!reason.trimmed().isEmpty()) {
        return std::nullopt;
    }
    ChangeOutcome refused;
    refused.result = ChangeOutcome::Result::Refused;
    refused.error.detail = QStringLiteral("撤销报销须写明原因");
    return refused;
}
