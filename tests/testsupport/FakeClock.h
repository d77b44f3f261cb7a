#pragma once

#include <QDateTime>
#include <QMutex>

#include "base/Clock.h"

// A clock that stands still until told to move; installs itself while it lives.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start) : now_(std::move(start)) { appclock::install(this); }
    ~FakeClock() override { appclock::install(nullptr); }

    QDateTime now() const override {
        QMutexLocker lock(&mutex_);
        return now_;
    }
    void set(const QDateTime& value) {
        QMutexLocker lock(&mutex_);
        now_ = value;
    }
    void advanceSeconds(qint64 seconds) {
        QMutexLocker lock(&mutex_);
        now_ = now_.addSecs(seconds);
    }

private:
    mutable QMutex mutex_;
    QDateTime now_;
};
