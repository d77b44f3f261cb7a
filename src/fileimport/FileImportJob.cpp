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
        for (int i = 0; i < files_.size() && !isInterruptionRequested(); ++i) {
            emit fileDone(i, fileimport::importFile(files_[i], *store, reimburser_, companyDir_));
        }
    });
}
