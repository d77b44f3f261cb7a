#pragma once

#include <QStringList>
#include <QThread>

#include "fileimport/InvoiceFileImport.h"

// A batch of invoice files read and registered on a thread of its own, one file after the
// other; each outcome is reported as it comes. requestInterruption() stops it after the file at
// hand.
class FileImportJob final : public QThread {
    Q_OBJECT
public:
    FileImportJob(QStringList files, QString reimburser, QString companyDir,
                  QObject* parent = nullptr);

    const QStringList& files() const { return files_; }
    // The claim the batch's invoices join; set before start.
    void setClaimNumber(const QString& number) { claimNumber_ = number; }

signals:
    void fileDone(int index, const fileimport::FileOutcome& outcome);

protected:
    void run() override;

private:
    QStringList files_;
    QString reimburser_;
    QString companyDir_;
    QString claimNumber_;
};
