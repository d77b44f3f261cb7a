#include "store/RegistrationValues.h"

#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "invoice/Amount.h"

RegistrationValues RegistrationValues::of(const InvoiceRecord& invoice) {
    RegistrationValues values;
    const QDateTime when = invoice.reimbursedAt.isValid() ? invoice.reimbursedAt : appclock::now();
    values.time = localefmt::storageText(when);
    values.amountUnits = amount::fromText(invoice.amount, QStringLiteral("开票金额"));
    return values;
}

Registration failedRegistration(Registration::Stage stage, const StoreError& error) {
    Registration r;
    r.result = Registration::Result::Failed;
    r.failedAt = stage;
    r.error = error;
    return r;
}
