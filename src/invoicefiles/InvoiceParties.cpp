#include "invoicefiles/InvoiceParties.h"

#include <QRegularExpression>

namespace invoicefiles {

namespace {

constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

enum class Role { Unknown, Buyer, Seller };

// The role word nearest before position in the line.
Role roleBefore(const QString& line, qsizetype position) {
    static const QRegularExpression buyer(QStringLiteral(R"(购\s*买\s*方|买\s*方)"), kUnicode);
    static const QRegularExpression seller(QStringLiteral(R"(销\s*售\s*方|卖\s*方)"), kUnicode);
    const QString before = line.left(position);
    const qsizetype b = before.lastIndexOf(buyer);
    const qsizetype s = before.lastIndexOf(seller);
    if (b < 0 && s < 0) {
        return Role::Unknown;
    }
    return b > s ? Role::Buyer : Role::Seller;
}

// Fills the buyer's or the seller's slot: the one named, or the first still empty.
void place(Role role, const QString& value, QString& buyer, QString& seller) {
    if (value.isEmpty()) {
        return;
    }
    QString& slot = role == Role::Buyer    ? buyer
                    : role == Role::Seller ? seller
                    : buyer.isEmpty()      ? buyer
                                           : seller;
    if (slot.isEmpty()) {
        slot = value;
    }
}

}  // namespace

Parties partiesFromLines(const std::vector<QString>& lines) {
    // A label, its characters perhaps spread with blanks, a colon, and the value up to a blank.
    static const QRegularExpression field(
        QStringLiteral(R"((名\s*称|纳\s*税\s*人\s*识\s*别\s*号)\s*[:：]\s*([^\s:：]+))"), kUnicode);
    Parties parties;
    for (const QString& line : lines) {
        auto matches = field.globalMatch(line);
        while (matches.hasNext()) {
            const QRegularExpressionMatch m = matches.next();
            const Role role = roleBefore(line, m.capturedStart());
            if (m.captured(1).startsWith(u'名')) {
                place(role, m.captured(2), parties.buyerName, parties.sellerName);
            } else {
                place(role, m.captured(2), parties.buyerTaxNumber, parties.sellerTaxNumber);
            }
        }
    }
    return parties;
}

}  // namespace invoicefiles
