#include "base/Clock.h"

#include <atomic>

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

SystemClock systemClock;
std::atomic<Clock*> installed{&systemClock};

}  // namespace

namespace appclock {

QDateTime now() {
    QDateTime value = installed.load()->now();
    const QTime t = value.time();
    value.setTime(QTime(t.hour(), t.minute(), t.second()));
    return value;
}

void install(Clock* clock) {
    installed.store(clock != nullptr ? clock : &systemClock);
}

}  // namespace appclock
