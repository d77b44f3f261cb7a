#include "base/WorkerCall.h"

#include <QEventLoop>
#include <exception>
#include <thread>

bool callOnWorker(const std::function<bool()>& work) {
    QEventLoop loop;
    bool result = false;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            result = work();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued: delivered once the loop runs, however soon the work ended.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
    return result;
}
