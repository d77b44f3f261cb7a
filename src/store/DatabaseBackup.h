#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <functional>
#include <optional>

#include "store/StoreError.h"

// Consistent single-file copies of the company's database, made by the engine's online backup
// while the program goes on working: a copy holds every invoice committed when it began.
namespace databasebackup {

// Told between the steps of a copy how many pages are copied of how many; false stops the copy.
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies the database file source into the new file target. The copy is written aside and
// put in place whole: a failed or stopped copy leaves nothing behind. Nothing on success; a
// stopped copy sets *stopped.
std::optional<StoreError> copyDatabase(const QString& source, const QString& target,
                                       const CopyProgress& progress = {}, bool* stopped = nullptr);

// A copy into folder named <税号>_fpbx_YYYYMMDDHHMMSS.mdb; the path of the copy, or the error.
struct Copy {
    QString path;
    std::optional<StoreError> error;
    bool stopped = false;  // the progress said stop: there is no copy and no error
};
Copy copyInto(const QString& source, const QString& folder, const QString& taxNumber,
              const QDateTime& now, const CopyProgress& progress = {});

// The daily copy in <company directory>/backup: made when the day has none yet, and copies
// older than the days kept removed. What was made and removed, or why not.
struct DailyCopy {
    QString made;
    QStringList removed;
    std::optional<StoreError> error;
};
DailyCopy keepDailyCopy(const QString& companyDir, const QString& taxNumber, const QDateTime& now);

// Keeps the daily copy while the program runs: once at the start and then every hour, each time
// on a thread of its own so that nothing waits for it. What it did goes to the log.
class DailyKeeper final : public QObject {
public:
    DailyKeeper(QString companyDir, QString taxNumber, QObject* parent = nullptr);
    ~DailyKeeper() override;

    // The first copy after the given time (the program starts first), then every hour.
    void start(int firstAfterMs);
    bool isCopying() const;
    void waitForCopy();

    static constexpr int kCheckEveryMs = 60 * 60 * 1000;

private:
    void copyInBackground();

    QString companyDir_;
    QString taxNumber_;
    QTimer* timer_ = nullptr;
    QThread* job_ = nullptr;
};

}  // namespace databasebackup
