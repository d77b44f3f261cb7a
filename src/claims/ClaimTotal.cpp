#include "claims/ClaimTotal.h"

#include "base/AppError.h"
#include "invoice/Amount.h"

namespace claims {

bool RunningTotal::add(std::optional<qint64> units) {
    qint64 sum = units_;
    if (units && __builtin_add_overflow(units_, *units, &sum)) {
        return false;
    }
    units_ = sum;
    ++count_;
    return true;
}

bool RunningTotal::add(const QString& amountText) {
    std::optional<qint64> units;
    try {
        units = amount::fromText(amountText, QStringLiteral("开票金额"));
    } catch (const AppError&) {
    }
    return add(units);
}

}  // namespace claims
