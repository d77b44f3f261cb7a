#include "base/Clock.h"

#include <atomic>

namespace {

// Local time costs glibc a look at the time zone file on every call (a stat, often a read); a
// clock read per registered row made that a fifth of an import. The local time of a whole
// second is therefore worked out once per second and thread: the clock tells whole seconds.
class SystemClock final : public Clock {
public:
    QDateTime now() const override {
        const qint64 second = QDateTime::currentSecsSinceEpoch();
        thread_local qint64 cachedSecond = -1;
        thread_local QDateTime cachedLocal;
        if (second != cachedSecond) {
            cachedLocal = QDateTime::fromSecsSinceEpoch(second);
            cachedSecond = second;
        }
        return cachedLocal;
    }
};

SystemClock systemClock;
std::atomic<Clock*> installed{&systemClock};

}  // namespace

namespace appclock {

QDateTime now() {
    QDateTime value = installed.load()->now();
    const QTime t = value.time();
    if (t.msec() != 0) {  // setting the time works the zone out again
        value.setTime(QTime(t.hour(), t.minute(), t.second()));
    }
    return value;
}

void install(Clock* clock) {
    installed.store(clock != nullptr ? clock : &systemClock);
}

}  // namespace appclock
