#pragma once

#include <QStringList>
#include <optional>

#include "rules/RuleSettings.h"
#include "store/StoreError.h"

class InvoiceStore;

// The office's rules in force for this run: config.ini's [核销规则], and with a registry on a
// server the registry's own, the stricter of the two rule by rule. They are read once, at the
// first need, and listed in the log; a registry that cannot be reached then is asked again at
// the next need, and until it answers nothing is registered.
namespace rules {

struct InForce {
    std::optional<Settings> settings;  // none: the registry's rules could not be read
    StoreError error;                  // why not
    QStringList problems;              // values that could not be read: their rules are off
};

// Safe from any thread. Read again for another exe directory, tax number or registry (tests
// make many).
InForce inForce(InvoiceStore& store);

}  // namespace rules
