#include "records/RecordColumns.h"

#include "shell/LocaleFormats.h"
#include "store/Amount.h"

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
    }};
    return all;
}

int defaultColumnWidth(int digitWidth) {
    return 11 * digitWidth + 4;
}

QString amountText(qint64 units) {
    return amount::toShortestText(units);
}

QString reimbursedAtText(const QString& stored) {
    const std::optional<QDateTime> value = localefmt::fromStorageText(stored);
    // A time stored in some other form is shown as it stands rather than hidden.
    return value ? localefmt::dateTimeDisplay(*value) : stored;
}

}  // namespace records
