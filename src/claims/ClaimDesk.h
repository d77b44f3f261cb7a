#pragma once

#include <QDateTime>
#include <QString>

#include "claims/ClaimTotal.h"
#include "store/ClaimStore.h"

// The claim open at the scan desk: every invoice registered while it is open joins it, and its
// count and running total are what the clerk compares with the paper form. The desk opens one
// by itself at the first registration when none is open.
namespace claims {

class ClaimDesk {
public:
    explicit ClaimDesk(ClaimStore& store) : store_(store) {}

    bool isOpen() const { return !number_.isEmpty(); }
    const QString& number() const { return number_; }
    const QString& reimburser() const { return reimburser_; }
    const RunningTotal& total() const { return total_; }

    // Opens a new claim of the reimburser (an open one must be closed first: false then).
    bool open(const QString& reimburser, StoreError& error);
    // The claim the next registration of the reimburser joins, opened when none is open; empty
    // when none could be opened (the registration then joins no claim).
    QString forRegistration(const QString& reimburser, StoreError& error);
    // A claim opened with a registration (in its transaction) becomes the open one, empty; nothing
    // changes when one is open already.
    void adopt(const QString& number, const QString& reimburser);
    // An invoice of the amount registered into the open claim.
    void registered(const QString& amountText);
    // Takes up the claim this computer's user left open (the program ended with it open), with
    // its count and total; nothing changes when there is none or it cannot be read.
    void resume();
    // The open claim's count and total as the store has them now (an undone registration has
    // left it); unchanged when it cannot be read.
    void reload();
    // The reimburser changes: an open claim still empty goes with the new one. True when the
    // open claim has invoices and so must be closed (or kept) by the clerk.
    bool reimburserChanged(const QString& reimburser);
    // Closes the open claim in the store; the desk is empty after it. Nothing open: NotFound.
    ChangeOutcome close();

private:
    ClaimStore& store_;
    QString number_;
    QString reimburser_;
    RunningTotal total_;
};

}  // namespace claims
