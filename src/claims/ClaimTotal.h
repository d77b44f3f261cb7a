#pragma once

#include <QString>
#include <optional>

// A claim's count and total as invoices join it: 开票金额 added exactly, in the store's
// ten-thousandths, never through a binary float.
namespace claims {

class RunningTotal {
public:
    // Adds an invoice of the amount (none: counted, adds nothing). False, and nothing added, when
    // the total would leave the range of the amount type.
    bool add(std::optional<qint64> units);
    // The same for an amount as the registration's decimal text; a text that is no number adds
    // nothing (the store refuses such an invoice).
    bool add(const QString& amountText);

    qint64 count() const { return count_; }
    qint64 units() const { return units_; }

private:
    qint64 count_ = 0;
    qint64 units_ = 0;
};

}  // namespace claims
