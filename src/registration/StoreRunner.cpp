#include "registration/StoreRunner.h"

#include <QPointer>
#include <QScopeGuard>
#include <chrono>
#include <future>

#include "base/AppError.h"

namespace {

// An error thrown by the store (none is expected: it reports) as the store's own error, so that
// an answer comes whatever happened.
StoreError thrownError() {
    StoreError error;
    try {
        throw;
    } catch (const AppError& e) {
        error.detail = e.message();
    } catch (const std::exception& e) {
        error.detail = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error.detail = QStringLiteral("未知错误");
    }
    return error;
}

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The failures that say the server is away rather than that a statement was refused.
std::optional<StoreError> awayError(const StoreError& error) {
    if (error.kind == StoreError::Kind::Unreachable || error.kind == StoreError::Kind::NoAnswer) {
        return error;
    }
    return std::nullopt;
}

}  // namespace

StoreRunner::StoreRunner(std::unique_ptr<InvoiceStore> store, Mode mode, QObject* parent)
    : QObject(parent), mode_(mode), store_(std::move(store)) {
    if (mode_ == Mode::OwnThread) {
        worker_ = new QObject;
        worker_->moveToThread(&thread_);
        connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
        thread_.start();
    }
}

StoreRunner::~StoreRunner() {
    if (mode_ == Mode::OwnThread) {
        // Queued behind the requests already asked for: each of them still runs.
        stopping_->store(true);
        QMetaObject::invokeMethod(
            worker_, [thread = &thread_] { thread->quit(); }, Qt::QueuedConnection);
        thread_.wait();
    }
}

template <typename Result>
void StoreRunner::run(std::function<Result(InvoiceStore&, const Away& away)> work,
                      std::function<void(const Result&)> done,
                      std::function<Away(const Result&)> awayOf) {
    ++pending_;
    if (mode_ == Mode::OnCaller) {
        std::optional<Result> result;
        {
            const auto answered = qScopeGuard([this] { --pending_; });
            result.emplace(work(*store_, std::nullopt));
        }
        done(*result);
        return;
    }
    QPointer<StoreRunner> self(this);
    QMetaObject::invokeMethod(
        worker_,
        [self, store = store_, lastAway = lastAway_, askedAt = steadyMs(), work = std::move(work),
         done = std::move(done), awayOf = std::move(awayOf)] {
            const Away away =
                askedAt < lastAway->endedAt ? Away(lastAway->error) : Away(std::nullopt);
            auto result = std::make_shared<Result>(work(*store, away));
            if (!away) {
                if (const Away found = awayOf(*result)) {
                    *lastAway = {steadyMs(), *found};
                }
            }
            // Answered on the asking thread, in order; nothing when the runner has gone.
            QMetaObject::invokeMethod(
                self.data(),
                [self, result, done] {
                    if (self) {
                        --self->pending_;
                        done(*result);
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool StoreRunner::confirmHere(const rules::Finding& finding) {
    if (mode_ == Mode::OnCaller) {
        return confirm_ && confirm_(finding);
    }
    // Asked on the window's thread; the store's thread waits for the answer, or gives up with a
    // refusal when the window closes first.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    QMetaObject::invokeMethod(
        this, [this, answer, finding] { answer->set_value(confirm_ && confirm_(finding)); },
        Qt::QueuedConnection);
    while (answered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (stopping_->load()) {
            return false;
        }
    }
    return answered.get();
}

void StoreRunner::start() {
    struct Started {
        rules::InForce rules;
        InvoiceCount count;
    };
    // On the caller a count is quick and asked for where it is shown: only the rules here.
    const bool withCount = mode_ == Mode::OwnThread;
    counting_ += withCount ? 1 : 0;
    run<Started>(
        [withCount](InvoiceStore& store, const Away& away) {
            Started started;
            if (away) {
                started.rules.error = started.count.error = *away;
                return started;
            }
            try {
                started.rules = rules::inForce(store);
                if (started.rules.settings) {
                    store.prepareForRegistrations();
                }
                if (withCount && started.rules.settings) {
                    started.count = store.countInvoices();
                } else {
                    started.count.error = started.rules.error;
                }
            } catch (...) {
                started.count.error = started.rules.error = thrownError();
            }
            return started;
        },
        [this, withCount](const Started& started) {
            emit rulesRead(started.rules);
            if (withCount) {
                --counting_;
                emit counted(started.count);
            }
        },
        [](const Started& started) {
            return started.rules.settings ? Away() : awayError(started.rules.error);
        });
}

void StoreRunner::count() {
    if (counting_ > 0) {
        return;
    }
    ++counting_;
    run<InvoiceCount>(
        [](InvoiceStore& store, const Away& away) {
            if (away) {
                return InvoiceCount{std::nullopt, *away};
            }
            try {
                return store.countInvoices();
            } catch (...) {
                return InvoiceCount{std::nullopt, thrownError()};
            }
        },
        [this](const InvoiceCount& count) {
            --counting_;
            emit counted(count);
        },
        [](const InvoiceCount& count) { return count.count ? Away() : awayError(count.error); });
}

void StoreRunner::registerInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    struct Done {
        Outcome outcome;
        std::optional<InvoiceCount> count;
    };
    // The count goes along with a registration: one trip to the store's thread, not two.
    const bool countHere = mode_ == Mode::OnCaller;
    run<Done>(
        [this, invoice, mode, countHere](InvoiceStore& store, const Away& away) {
            Done done;
            done.outcome.invoice = invoice;
            done.outcome.mode = mode;
            if (away) {
                // Not registered: the server was found away after this was asked.
                done.outcome.checked.registration.error = *away;
                return done;
            }
            try {
                done.outcome.checked = rules::registerChecked(
                    store, invoice, mode, std::nullopt,
                    [this](const rules::Finding& f) { return confirmHere(f); });
            } catch (...) {
                done.outcome.checked = rules::Checked();
                done.outcome.checked.registration.error = thrownError();
            }
            if (!countHere && done.outcome.checked.kind == rules::Checked::Kind::Registered) {
                done.count = store.countInvoices();
            }
            return done;
        },
        [this, countHere](const Done& done) {
            emit registered(done.outcome);
            if (done.count) {
                emit counted(*done.count);
            } else if (countHere && done.outcome.checked.kind == rules::Checked::Kind::Registered) {
                count();
            }
        },
        [](const Done& done) {
            return done.outcome.checked.kind == rules::Checked::Kind::Failed
                       ? awayError(done.outcome.checked.registration.error)
                       : Away();
        });
}
