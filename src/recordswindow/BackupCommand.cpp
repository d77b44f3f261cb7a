#include "recordswindow/BackupCommand.h"

#include <QWidget>

#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/DatabaseSettings.h"
#include "base/LongTask.h"
#include "base/Paths.h"
#include "prompts/Prompts.h"
#include "store/DatabaseBackup.h"

namespace records {

namespace {

void tell(QWidget* owner, const QString& text, MsgIcon icon) {
    appprompts::get().message(owner, QStringLiteral("备份数据库"), text, icon);
}

}  // namespace

void backupDatabase(QWidget* owner) {
    if (currentDatabaseSettings().engine != DatabaseSettings::Engine::Sqlite) {
        tell(owner,
             QStringLiteral("发票登记库在数据库服务器上，不在本机。请由管理员在服务器上备份"
                            "（例如 pg_dump）。"),
             MsgIcon::Information);
        return;
    }
    FileDialogRequest request;
    request.owner = owner;
    request.caption = QStringLiteral("选择备份文件保存的文件夹");
    request.pick = FileDialogRequest::Pick::Folder;
    const std::optional<FileDialogResult> folder = appprompts::get().openFile(request);
    if (!folder || folder->path.isEmpty()) {
        return;
    }

    const QString source = joinPath(CompanyDir(), QStringLiteral("fpbx.mdb"));
    const QDateTime now = appclock::now();
    databasebackup::Copy copy;
    LongTask task({}, [&](TaskControl& control) {
        copy = databasebackup::copyInto(source, folder->path, TaxNumber(), now,
                                        [&control](qint64 done, qint64 total) {
                                            control.setTotal(total);
                                            control.setDone(done);
                                            return !control.cancelled();
                                        });
    });
    ProgressRequest progress;
    progress.owner = owner;
    progress.caption = QStringLiteral("备份数据库");
    progress.label = QStringLiteral("正在备份数据库…");
    progress.total = 100;  // per cent of the pages
    progress.cancel = [&task] { task.cancel(); };
    std::unique_ptr<ProgressWindow> window = appprompts::get().showProgress(progress);
    QObject::connect(&task, &LongTask::progressed, [&] {
        const qint64 total = task.control().total();
        if (window && total > 0) {
            window->setProgress(
                task.control().done() * 100 / total,
                QStringLiteral("正在备份数据库… %1%").arg(task.control().done() * 100 / total));
        }
    });
    task.start();
    const LongTask::Outcome outcome = task.wait();
    window.reset();
    if (outcome == LongTask::Outcome::Cancelled || copy.stopped) {
        WriteLog(GetExeDir(), QStringLiteral("备份数据库已取消"));
        return;
    }
    if (copy.error) {
        WriteLog(GetExeDir(), QStringLiteral("备份数据库失败：") + copy.error->detail);
        tell(owner, QStringLiteral("备份失败，未生成备份文件。\n") + copy.error->messageText(),
             MsgIcon::Warning);
        return;
    }
    WriteLog(GetExeDir(), QStringLiteral("备份数据库：") + copy.path);
    tell(owner, QStringLiteral("数据库已备份到：\n%1").arg(copy.path), MsgIcon::Information);
}

}  // namespace records
