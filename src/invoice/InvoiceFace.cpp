#include "invoice/InvoiceFace.h"

#include <QDate>

#include "base/AppError.h"
#include "base/LocaleFormats.h"
#include "invoice/Amount.h"
#include "invoice/InvoiceIdentity.h"
#include "invoice/InvoiceKind.h"

namespace invoice {

namespace {

constexpr int kCheckCodeTail = 6;

QString shownDate(const QString& yyyymmdd) {
    const QDate date = dateOf(yyyymmdd);
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : yyyymmdd;
}

QString shownAmount(const QString& text) {
    try {
        if (const std::optional<qint64> units = amount::fromText(text, {})) {
            return amount::toMoneyText(units.value());
        }
    } catch (const AppError&) {
        // Shown as read: the clerk sees what the code says.
    }
    return text;
}

}  // namespace

QList<QPair<QString, QString>> faceItems(const FaceFields& f) {
    QList<QPair<QString, QString>> items;
    const auto add = [&](const char16_t* title, const QString& value) {
        if (!value.isEmpty()) {
            items.append({QString::fromUtf16(title), value});
        }
    };
    add(u"发票种类", f.kindCode.isEmpty() ? QString() : kindName(f.kindCode));
    add(u"发票代码", f.code.isEmpty() ? QStringLiteral("数电票") : f.code);
    add(u"发票号码", f.number);
    add(u"开票日期", shownDate(f.date));
    add(u"开票金额", shownAmount(f.amount));
    add(u"校验码后六位", f.checkCode.right(kCheckCodeTail));
    add(u"购买方", f.buyer);
    add(u"销售方", f.seller);
    return items;
}

QString firstReimbursed(const QDateTime& at, const QString& reimburser) {
    return QStringLiteral("首次报销：%1，报销人：%2")
        .arg(at.isValid() ? localefmt::dateTimeText(at) : QStringLiteral("时间不详"),
             reimburser.isEmpty() ? QStringLiteral("（未填写）") : reimburser);
}

}  // namespace invoice
