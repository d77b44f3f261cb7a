#include "claims/ClaimDesk.h"

namespace claims {

bool ClaimDesk::open(const QString& reimburser, StoreError& error) {
    if (isOpen()) {
        return false;
    }
    const OpenedClaim opened = store_.openClaim(reimburser);
    if (!opened.ok) {
        error = opened.error;
        return false;
    }
    number_ = opened.number;
    reimburser_ = reimburser;
    total_ = RunningTotal();
    return true;
}

QString ClaimDesk::forRegistration(const QString& reimburser, StoreError& error) {
    if (!isOpen()) {
        open(reimburser, error);
    }
    return number_;
}

void ClaimDesk::adopt(const QString& number, const QString& reimburser) {
    if (isOpen() || number.isEmpty()) {
        return;
    }
    number_ = number;
    reimburser_ = reimburser;
    total_ = RunningTotal();
}

void ClaimDesk::registered(const QString& amountText) {
    if (isOpen()) {
        total_.add(amountText);
    }
}

namespace {

RunningTotal totalOf(const StoredClaim& claim) {
    RunningTotal total;
    for (const ClaimInvoice& invoice : claim.invoices) {
        total.add(invoice.amountUnits);
    }
    return total;
}

}  // namespace

void ClaimDesk::resume() {
    if (isOpen()) {
        return;
    }
    const ClaimRead read = store_.lastOpenClaim();
    if (!read.ok || !read.claim) {
        return;
    }
    number_ = read.claim->number;
    reimburser_ = read.claim->reimburser;
    total_ = totalOf(*read.claim);
}

void ClaimDesk::reload() {
    if (!isOpen()) {
        return;
    }
    const ClaimRead read = store_.readClaim(number_);
    if (!read.ok || !read.claim) {
        return;
    }
    total_ = totalOf(*read.claim);
}

bool ClaimDesk::reimburserChanged(const QString& reimburser) {
    if (!isOpen() || reimburser == reimburser_) {
        return false;
    }
    if (total_.count() > 0) {
        return true;
    }
    if (store_.setReimburser(number_, reimburser).done()) {
        reimburser_ = reimburser;
    }
    return false;
}

ChangeOutcome ClaimDesk::close() {
    if (!isOpen()) {
        ChangeOutcome none;
        none.result = ChangeOutcome::Result::NotFound;
        return none;
    }
    const ChangeOutcome closed = store_.closeClaim(number_);
    if (closed.done() || closed.result == ChangeOutcome::Result::NotFound) {
        number_.clear();
        reimburser_.clear();
        total_ = RunningTotal();
    }
    return closed;
}

}  // namespace claims
