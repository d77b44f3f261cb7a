#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>

// How a long task reports how far it has come and learns that it is to stop. Safe from any
// thread.
class TaskControl {
public:
    void setTotal(qint64 total) { total_.store(total, std::memory_order_relaxed); }
    void setDone(qint64 done) { done_.store(done, std::memory_order_relaxed); }
    qint64 total() const { return total_.load(std::memory_order_relaxed); }
    qint64 done() const { return done_.load(std::memory_order_relaxed); }

    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    // Throws TaskCancelled once a cancel has been asked for.
    void checkCancelled() const;

    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }

private:
    std::atomic<qint64> total_{0};
    std::atomic<qint64> done_{0};
    std::atomic<bool> cancelled_{false};
};

// Thrown through a task's work when it stops on a cancel.
struct TaskCancelled {};

// Work that would keep the window from answering: first short slices on the UI thread (what only
// the UI thread may touch, such as the rest of a result that its connection is reading), then the
// rest on a thread of its own, while the event loop goes on. Once cancel() has been called the
// task ends as cancelled, whatever its thread still delivers.
class LongTask final : public QObject {
    Q_OBJECT
public:
    enum class Outcome { NotStarted, Running, Finished, Cancelled, Failed };
    // One slice of a few milliseconds on the UI thread; true when nothing is left to prepare.
    using Slice = std::function<bool(TaskControl&)>;
    using Work = std::function<void(TaskControl&)>;

    LongTask(Slice prepare, Work work, QObject* parent = nullptr);
    ~LongTask() override;  // cancels a running task and waits for its thread

    void start();
    // On the UI thread the task ends as cancelled at once (before start(): as soon as it starts);
    // from any other thread it ends so as soon as its work has stopped.
    void cancel();

    Outcome outcome() const { return outcome_; }
    bool running() const { return outcome_ == Outcome::Running; }
    TaskControl& control() { return *control_; }

    // Lets the event loop run until the task has ended and its thread has stopped, and returns
    // how it ended; the error of a failed task is thrown here.
    Outcome wait();

    // Milliseconds between two progressed() signals.
    static constexpr int kProgressInterval = 100;
    // How much the work's thread yields to the others.
    static constexpr int kWorkNiceness = 5;

signals:
    void progressed();
    void ended();

private:
    void prepareSlice();
    void startThread();
    void threadFinished();
    void end(Outcome outcome);

    Slice prepare_;
    Work work_;
    std::shared_ptr<TaskControl> control_ = std::make_shared<TaskControl>();
    Outcome outcome_ = Outcome::NotStarted;
    QTimer slices_;
    QTimer progress_;
    QThread* thread_ = nullptr;
    std::exception_ptr error_;  // written by the thread, read once it has finished
};
