#pragma once

#include <QDateTime>

// The one place the current date and time come from, so a test can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

namespace appclock {

// The current local date and time, to the whole second.
QDateTime now();

// Installs the clock to use; nullptr returns to the system clock. The clock must outlive its
// use.
void install(Clock* clock);

}  // namespace appclock
