#pragma once

#include <QString>
#include <optional>

#include "store/InvoiceStore.h"

// The values a registration stores beside the record's texts, converted the same way on every
// engine: the time (the record's, or now, to the whole second) and the amount.
struct RegistrationValues {
    QString time;                       // yyyy-MM-dd HH:mm:ss
    std::optional<qint64> amountUnits;  // ten-thousandths; nothing for an empty amount

    // Throws AppError with the column's message for an amount that is no number, before
    // anything is written.
    static RegistrationValues of(const InvoiceRecord& invoice);
};

// A failed registration.
Registration failedRegistration(Registration::Stage stage, const StoreError& error);
