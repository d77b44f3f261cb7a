#include "scan/ScanDecision.h"

#include "invoice/InvoiceIdentity.h"

namespace scan {

namespace {
constexpr qsizetype kInvoiceItems = 7;
}  // namespace

Decision decide(const QStringList& items, bool scanComplete) {
    Decision decision;
    if (!scanComplete) {
        return decision;
    }
    if (items.size() < kInvoiceItems) {
        decision.action = Action::NotInvoice;
        return decision;
    }
    decision.items = {items[2], items[3], items[4], items[5], items[6], items[1]};
    const InvoiceItems& i = decision.items;
    const bool incomplete =
        i.number.isEmpty() || (i.code.isEmpty() && !invoice::isFullyDigital(i.code, i.number));
    decision.action = incomplete ? Action::Drop : Action::Register;
    return decision;
}

bool ReturnToWaiting::tick() {
    if (!armed_) {
        return false;
    }
    if (++ticks_ < 4) {
        return false;
    }
    armed_ = false;
    ticks_ = 0;
    return true;
}

}  // namespace scan
