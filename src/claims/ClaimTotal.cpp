#include "claims/ClaimTotal.h"

#include "base/AppError.h"
#include "invoice/Amount.h"

namespace claims {

bool RunningTotal::add(std::optional<qint64> units) {
    const qint64 value = units.value_or(0);
    qint64 sum = 0;
    if (__builtin_add_overflow(units_, value, &sum)) {
        return false;
    }
    units_ = sum;
    ++count_;
    return true;
}

bool RunningTotal::add(const QString& amountText) {
    qint64 value = 0;
    try {
        value = amount::fromText(amountText, QStringLiteral("开票金额")).value_or(0);
    } catch (const AppError&) {
        value = 0;
    }
    return add(std::optional<qint64>(value));
}

}  // namespace claims
