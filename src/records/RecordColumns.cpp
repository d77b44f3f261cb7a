#include "records/RecordColumns.h"

#include "shell/LocaleFormats.h"
#include "store/Amount.h"

namespace records {

using exportgrid::Alignment;
using exportgrid::FieldType;

const std::array<ColumnInfo, kColumnCount>& columns() {
    static const std::array<ColumnInfo, kColumnCount> all = {{
        {QStringLiteral("发票代码"), Alignment::Center, Alignment::Center, 88, FieldType::Text},
        {QStringLiteral("发票号码"), Alignment::Center, Alignment::Center, 80, FieldType::Text},
        {QStringLiteral("开票金额"), Alignment::Right, Alignment::Right, 90, FieldType::Decimal},
        {QStringLiteral("开票日期"), Alignment::Center, Alignment::Center, 71, FieldType::Text},
        {QStringLiteral("报销时间"), Alignment::Center, Alignment::Left, 101, FieldType::DateTime},
        {QStringLiteral("报销人"), Alignment::Left, Alignment::Left, 0, FieldType::Text},
        {QStringLiteral("录入方式"), Alignment::Center, Alignment::Center, 80, FieldType::Text},
    }};
    return all;
}

int defaultColumnWidth(int digitWidth) {
    return 11 * digitWidth + 4;
}

QString amountText(qint64 units) {
    return amount::toShortestText(units);
}

QString reimbursedAtText(QByteArrayView stored) {
    const std::optional<localefmt::WallClock> value = localefmt::readStorageText(stored);
    if (!value) {
        // A time stored in some other form is shown as it stands rather than hidden.
        return QString::fromUtf8(stored);
    }
    char display[localefmt::kMaxDisplayLength];
    return QString::fromLatin1(display, localefmt::writeDisplay(*value, display));
}

}  // namespace records
