#include "mainwindow/ScanProcessing.h"

namespace scan {

namespace {
constexpr qsizetype kDigitalNumberLength = 20;
constexpr qsizetype kInvoiceItems = 7;
}  // namespace

bool isDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

Decision decide(const QStringList& items, bool scanComplete) {
    Decision decision;
    if (!scanComplete) {
        return decision;
    }
    if (items.size() < kInvoiceItems) {
        decision.action = Action::NotInvoice;
        return decision;
    }
    decision.items = {items[2], items[3], items[4], items[5], items[6]};
    const InvoiceItems& i = decision.items;
    const bool digital =
        i.code.isEmpty() && i.number.size() == kDigitalNumberLength && isDigits(i.number);
    decision.action =
        (i.number.isEmpty() || (i.code.isEmpty() && !digital)) ? Action::Drop : Action::Register;
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
