#include "base/LongTask.h"

#include <QEventLoop>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

void TaskControl::checkCancelled() const {
    if (cancelled()) {
        throw TaskCancelled{};
    }
}

LongTask::LongTask(Slice prepare, Work work, QObject* parent)
    : QObject(parent), prepare_(std::move(prepare)), work_(std::move(work)) {
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &LongTask::prepareSlice);
    progress_.setInterval(kProgressInterval);
    connect(&progress_, &QTimer::timeout, this, &LongTask::progressed);
}

LongTask::~LongTask() {
    if (thread_ != nullptr) {
        control_->cancel();
        thread_->wait();
        delete thread_;
    }
}

void LongTask::start() {
    if (outcome_ != Outcome::NotStarted) {
        return;
    }
    outcome_ = Outcome::Running;
    if (control_->cancelled()) {
        end(Outcome::Cancelled);  // cancelled before it began
        return;
    }
    progress_.start();
    if (prepare_) {
        slices_.start();
    } else {
        startThread();
    }
}

void LongTask::prepareSlice() {
    if (control_->cancelled()) {
        end(Outcome::Cancelled);
        return;
    }
    bool ready = false;
    try {
        ready = prepare_(*control_);
    } catch (...) {
        error_ = std::current_exception();
        end(Outcome::Failed);
        return;
    }
    if (ready) {
        slices_.stop();
        startThread();
    }
}

void LongTask::startThread() {
    // The thread holds the control and the work by value: it may outlive a cancelled wait.
    std::shared_ptr<TaskControl> control = control_;
    thread_ = QThread::create([this, control, work = work_] {
#ifdef Q_OS_LINUX
        // The window's thread goes first when both want the processor (on Linux the nice value
        // is the thread's own).
        setpriority(PRIO_PROCESS, id_t(gettid()), kWorkNiceness);
#endif
        try {
            work(*control);
        } catch (const TaskCancelled&) {
        } catch (...) {
            error_ = std::current_exception();
        }
    });
    connect(thread_, &QThread::finished, this, &LongTask::threadFinished);
    thread_->start();
}

void LongTask::threadFinished() {
    if (outcome_ != Outcome::Running) {
        return;
    }
    end(control_->cancelled() ? Outcome::Cancelled : error_ ? Outcome::Failed : Outcome::Finished);
}

void LongTask::cancel() {
    if (QThread::currentThread() != thread()) {
        // From the work's own thread (or another): the work stops, and its end is a cancel.
        control_->cancel();
        return;
    }
    control_->cancel();
    if (outcome_ == Outcome::Running) {
        end(Outcome::Cancelled);
    }
}

void LongTask::end(Outcome outcome) {
    slices_.stop();
    progress_.stop();
    outcome_ = outcome;
    emit ended();
}

LongTask::Outcome LongTask::wait() {
    if (outcome_ == Outcome::Running) {
        QEventLoop loop;
        connect(this, &LongTask::ended, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (thread_ != nullptr) {
        // A cancelled work may still be on its last row: what it leaves behind is the caller's
        // to clear only once it has stopped.
        QEventLoop loop;
        connect(thread_, &QThread::finished, &loop, &QEventLoop::quit);
        if (thread_->isRunning()) {
            loop.exec();
        }
    }
    if (outcome_ == Outcome::Failed && error_) {
        std::rethrow_exception(error_);
    }
    return outcome_;
}
