#include "fileimport/FileImportJob.h"

#include "shell/ErrorDisplay.h"

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
        readerclient::InvoiceFileReader reader;
        for (int i = 0; i < files_.size() && !isInterruptionRequested(); ++i) {
            const fileimport::FileOutcome outcome =
                fileimport::importFile(files_[i], *store, reimburser_, companyDir_, reader);
            if (isInterruptionRequested() &&
                outcome.kind == fileimport::FileOutcome::Kind::Unrecognised) {
                break;  // its reading was cut short: the file is left unread, not refused
            }
            emit fileDone(i, outcome);
        }
    });
}
