#include "records/RecordColumns.h"

#include "base/LocaleFormats.h"
#include "invoice/Amount.h"

namespace records {

using exportgrid::Alignment;
using exportgrid::FieldType;

const std::array<ColumnInfo, kColumnCount>& columns() {
    static const std::array<ColumnInfo, kColumnCount> all = {{
        {title(kCode), Alignment::Center, Alignment::Center, 88, FieldType::Text},
        {title(kNumber), Alignment::Center, Alignment::Center, 80, FieldType::Text},
        {title(kAmount), Alignment::Right, Alignment::Right, 90, FieldType::Decimal},
        {title(kInvoiceDate), Alignment::Center, Alignment::Center, 71, FieldType::Text},
        {title(kReimbursedAt), Alignment::Center, Alignment::Left, 101, FieldType::DateTime},
        {title(kReimburser), Alignment::Left, Alignment::Left, 0, FieldType::Text},
        {title(kEntryMode), Alignment::Center, Alignment::Center, 80, FieldType::Text},
        {title(kClaimNumber), Alignment::Center, Alignment::Center, 110, FieldType::Text},
    }};
    return all;
}

int defaultColumnWidth(int digitWidth) {
    return 11 * digitWidth + 4;
}

namespace {

void setLatin1(QString& text, const char* data, qsizetype size) {
    text.resize(size);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        out[i] = QLatin1Char(data[i]);
    }
}

}  // namespace

void setAmountText(QString& text, qint64 units) {
    char out[amount::kMaxTextLength];
    setLatin1(text, out, amount::writeShortest(units, out));
}

void setReimbursedAtText(QString& text, QByteArrayView stored) {
    const std::optional<localefmt::WallClock> value = localefmt::readStorageText(stored);
    if (!value) {
        // A time stored in some other form is shown as it stands rather than hidden.
        setStoredText(text, stored);
        return;
    }
    char display[localefmt::kMaxDisplayLength];
    setLatin1(text, display, localefmt::writeDisplay(*value, display));
}

void setStoredText(QString& text, QByteArrayView utf8) {
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            text = QString::fromUtf8(utf8);
            return;
        }
    }
    setLatin1(text, utf8.data(), utf8.size());
}

}  // namespace records
