#include "fileimport/FileImportJob.h"

#include <QFileInfo>

#include "base/DailyLog.h"
#include "base/Paths.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/Prompts.h"

FileImportJob::FileImportJob(QStringList files, QString reimburser, QString companyDir,
                             QObject* parent)
    : QThread(parent),
      files_(std::move(files)),
      reimburser_(std::move(reimburser)),
      companyDir_(std::move(companyDir)) {
    qRegisterMetaType<fileimport::FileOutcome>();
}

void FileImportJob::run() {
    runGuarded([this] {
        const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
        trail::ImportSummary summary;
        summary.file = files_.size() == 1 ? files_.constFirst()
                                          : QStringLiteral("%1 个发票文件").arg(files_.size());
        readerclient::InvoiceFileReader reader;
        for (int i = 0; i < files_.size() && !isInterruptionRequested(); ++i) {
            // The clerk is asked over the batch's window, on its thread.
            const auto confirm = [&](const rules::Finding& finding) {
                return appprompts::get().message(
                           parent(), QStringLiteral("提示"),
                           QFileInfo(files_[i]).fileName() + QStringLiteral("\n") +
                               rules::confirmationQuestion(finding),
                           MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Ok;
            };
            const fileimport::FileOutcome outcome = fileimport::importFile(
                files_[i], *store, reimburser_, companyDir_, reader, confirm, claimNumber_);
            if (isInterruptionRequested() &&
                outcome.kind == fileimport::FileOutcome::Kind::Unrecognised) {
                break;  // its reading was cut short: the file is left unread, not refused
            }
            ++summary.total;
            ++(outcome.kind == fileimport::FileOutcome::Kind::Registered ? summary.succeeded
                                                                         : summary.failed);
            emit fileDone(i, outcome);
        }
        // The batch's summary line in the trail, beside each registration's own.
        if (summary.total > 0) {
            const ChangeOutcome recorded = store->recordImport(summary);
            if (!recorded.done()) {
                WriteLog(GetExeDir(), QStringLiteral("导入记录未能写入：%1：%2")
                                          .arg(summary.file, recorded.error.detail));
            }
        }
    });
}
