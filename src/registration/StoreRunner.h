#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>
#include <optional>

#include "rules/CheckedRegistration.h"
#include "rules/OfficeRules.h"
#include "store/InvoiceStore.h"

// The clerk's store, worked either on the asking thread (the file: each operation takes
// milliseconds, and a scan's outcome is there when the call returns) or on a thread of its own
// (a server, whose every wait is bounded by seconds but never spent on the window's thread).
// Either way each request is answered by a signal on the asking thread, in the order asked:
// a registration is made once, never lost and never overtaken by a later one.
class StoreRunner final : public QObject {
    Q_OBJECT
public:
    enum class Mode { OnCaller, OwnThread };

    // A registration as asked and as it ended.
    struct Outcome {
        InvoiceRecord invoice;
        EntryMode mode = EntryMode::Scan;
        rules::Checked checked;
    };

    StoreRunner(std::unique_ptr<InvoiceStore> store, Mode mode, QObject* parent = nullptr);
    // Requests already asked for still run (each is bounded); then the thread ends.
    ~StoreRunner() override;

    Mode mode() const { return mode_; }
    // Requests asked for and not yet answered.
    int pending() const { return pending_; }

    // Asked, on the asking thread, when the amount reaches the office's limit: true writes the
    // invoice off. Without it such an invoice is refused.
    void setConfirm(rules::Confirm confirm) { confirm_ = std::move(confirm); }

    // The office's rules in force (read once, then from memory): answered by rulesRead. On a
    // thread of its own the number of invoices comes with them, answered by counted (with the
    // rules' error when they could not be read: a registry out of reach is waited for once, not
    // twice); on the caller a count is quick and left to count().
    void start();
    // The number of invoices: answered by counted. Asked while a count is on its way, it is
    // answered by that one.
    void count();
    // Through the office's rules into the store: answered by registered, then counted when the
    // invoice was registered.
    void registerInvoice(const InvoiceRecord& invoice, EntryMode mode);

signals:
    void rulesRead(const rules::InForce& rules);
    void counted(const InvoiceCount& count);
    void registered(const StoreRunner::Outcome& outcome);

private:
    // Why the server could not be used, when an attempt found it away.
    using Away = std::optional<StoreError>;
    // Runs work with the store on the store's thread, then done with its result here. A request
    // asked while an attempt was finding the server away (it did not answer, or could not be
    // reached) is answered with that attempt's error at once: work gets it instead of asking the
    // server again, so that requests queued behind a silent server do not each wait their bound.
    // awayOf says whether a result found the server away.
    template <typename Result>
    void run(std::function<Result(InvoiceStore&, const Away& away)> work,
             std::function<void(const Result&)> done, std::function<Away(const Result&)> awayOf);
    bool confirmHere(const rules::Finding& finding);

    Mode mode_;
    std::shared_ptr<InvoiceStore> store_;
    QThread thread_;
    QObject* worker_ = nullptr;  // lives on thread_
    rules::Confirm confirm_;
    int pending_ = 0;
    int counting_ = 0;  // counts asked for on the store's thread and not yet answered
    // The last attempt that found the server away: when it ended (steady clock, ms) and why.
    // Touched on the store's thread only.
    struct LastAway {
        qint64 endedAt = -1;
        StoreError error;
    };
    std::shared_ptr<LastAway> lastAway_ = std::make_shared<LastAway>();
    std::shared_ptr<std::atomic<bool>> stopping_ = std::make_shared<std::atomic<bool>>(false);
};

Q_DECLARE_METATYPE(StoreRunner::Outcome)
