#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

#include "fileimport/InvoiceFileImport.h"
#include "sound/OutcomeSounds.h"

class FileImportJob;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// The window of a batch of invoice files: every file listed as it is read, with its invoice and
// what became of it, the totals, the progress, 取消 while the batch runs and the list saved as a
// CSV file afterwards. Files added while a batch runs join it.
class FileImportWindow final : public QDialog {
    Q_OBJECT
public:
    FileImportWindow(QString reimburser, QString companyDir, OutcomeSounds sounds,
                     QWidget* parent = nullptr);
    ~FileImportWindow() override;

    // Queues the files (already collected) and starts reading them if nothing is being read.
    void addFiles(const QStringList& files);
    bool running() const { return job_ != nullptr; }
    const QList<fileimport::FileOutcome>& outcomes() const { return outcomes_; }
    const fileimport::Totals& totals() const { return totals_; }

    void cancel();
    void saveCsv();
    // Esc and 关闭: while files are read the batch stops after the file at hand, then the window
    // closes.
    void reject() override;

    QTableWidget* list;
    QLabel* progressText;
    QProgressBar* progress;
    QLabel* totalsLabel;
    QPushButton* cancelButton;
    QPushButton* saveButton;
    QPushButton* closeButton;
    // 新建报销单: each batch's invoices join a claim of their own, closed with its sheet when the
    // batch ends; remembered in config.ini for the next batches.
    QCheckBox* claimBox;

    // The claim open at the scan desk: without 新建报销单 the batches' invoices join it, as a
    // scan's would (it stays open). Set before the files are added.
    void setDeskClaim(const QString& number) { deskClaim_ = number; }

signals:
    // Every file of every batch has its outcome (or the batch was cancelled).
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startNext();
    void fileDone(int index, const fileimport::FileOutcome& outcome);
    void jobEnded();
    void showTotals();
    // Closes the batch's claim, if it has one, and offers its sheet.
    void finishClaim();

    QString reimburser_;
    QString companyDir_;
    QString claim_;      // the claim of the batch under way
    QString deskClaim_;  // the claim open at the scan desk, or empty
    OutcomeSounds sounds_;
    QStringList waiting_;                      // files not yet handed to a job
    int firstRowOfJob_ = 0;                    // the list's row of the running job's first file
    QList<fileimport::FileOutcome> outcomes_;  // one per row, filled in as files are read
    fileimport::Totals totals_;
    FileImportJob* job_ = nullptr;  // the running job, a child of the window
    bool cancelled_ = false;
    bool closeWhenStopped_ = false;
};
