#include "fileimportwindow/FileImportWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/Clock.h"
#include "base/Config.h"
#include "base/DailyLog.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "claimsheet/KeptSheet.h"
#include "fileimport/FileImportJob.h"
#include "invoice/InvoiceColumns.h"
#include "invoice/InvoiceIdentity.h"
#include "prompts/Prompts.h"

namespace {

enum Column { kFile, kCode, kNumber, kAmount, kResult, kColumns };

const QString kNotRead = QStringLiteral("已取消，未导入");

QColor colourOf(fileimport::FileOutcome::Kind kind) {
    switch (kind) {
        case fileimport::FileOutcome::Kind::Registered:
            return QColor(0, 128, 0);
        case fileimport::FileOutcome::Kind::AlreadyRecorded:
        case fileimport::FileOutcome::Kind::Failed:
        case fileimport::FileOutcome::Kind::Refused:
            return QColor(Qt::red);
        case fileimport::FileOutcome::Kind::Unrecognised:
            break;
    }
    return QColor(160, 82, 0);
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

FileImportWindow::FileImportWindow(QString reimburser, QString companyDir, OutcomeSounds sounds,
                                   QWidget* parent)
    : QDialog(parent),
      reimburser_(std::move(reimburser)),
      companyDir_(std::move(companyDir)),
      sounds_(sounds) {
    setWindowTitle(QStringLiteral("导入发票文件"));
    resize(900, 480);

    auto* who = new QLabel(QStringLiteral("报销人：%1").arg(reimburser_), this);
    claimBox = new QCheckBox(QStringLiteral("新建报销单"), this);
    claimBox->setObjectName(QStringLiteral("claimBox"));
    claimBox->setToolTip(
        QStringLiteral("每批读取的发票归入一张新的报销单，读取结束时生成报销单（从下一批起生效）"));
    claimBox->setChecked(config::readFileBatchClaim(IniFile(config::iniPath())));
    connect(claimBox, &QCheckBox::toggled, this, [](bool on) {
        IniFile ini(config::iniPath());
        config::writeFileBatchClaim(ini, on);
    });
    list = new QTableWidget(0, kColumns, this);
    using invoicecolumns::title;
    list->setHorizontalHeaderLabels({QStringLiteral("文件名"), title(invoicecolumns::kCode),
                                     title(invoicecolumns::kNumber), title(invoicecolumns::kAmount),
                                     QStringLiteral("结果")});
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 8);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setColumnWidth(kFile, 220);
    list->setColumnWidth(kCode, 100);
    // A fully digital invoice's 20 digits whole, inside the cell's margins.
    list->setColumnWidth(
        kNumber,
        list->fontMetrics().horizontalAdvance(QString(invoice::kDigitalNumberLength, u'0')) + 16);
    list->setColumnWidth(kAmount, 70);
    list->horizontalHeader()->setStretchLastSection(true);

    progressText = new QLabel(this);
    progress = new QProgressBar(this);
    totalsLabel = new QLabel(this);
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    saveButton = new QPushButton(QStringLiteral("保存为CSV…"), this);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    saveButton->setEnabled(false);
    connect(cancelButton, &QPushButton::clicked, this, &FileImportWindow::cancel);
    connect(saveButton, &QPushButton::clicked, this, &FileImportWindow::saveCsv);
    connect(closeButton, &QPushButton::clicked, this, &FileImportWindow::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(totalsLabel, 1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(who, 1);
    top->addWidget(claimBox);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    layout->addWidget(progressText);
    layout->addWidget(progress);
    layout->addLayout(buttons);
}

FileImportWindow::~FileImportWindow() {
    if (job_) {
        job_->requestInterruption();
        job_->wait();
    }
}

void FileImportWindow::addFiles(const QStringList& files) {
    for (const QString& file : files) {
        const int row = list->rowCount();
        list->insertRow(row);
        list->setItem(row, kFile, cell(QFileInfo(file).fileName()));
        for (int column = kCode; column < kColumns; ++column) {
            list->setItem(row, column, cell(QString()));
        }
        fileimport::FileOutcome pending;
        pending.file = file;
        outcomes_ << pending;
    }
    waiting_ << files;
    totals_.files += int(files.size());
    cancelled_ = false;
    progress->setRange(0, totals_.files);
    showTotals();
    if (!job_) {
        startNext();
    }
}

void FileImportWindow::startNext() {
    if (waiting_.isEmpty()) {
        return;
    }
    firstRowOfJob_ = int(outcomes_.size() - waiting_.size());
    if (claim_.isEmpty() && claimBox->isChecked()) {
        claim_ = claimsheet::openBatchClaim(this, *openClaimStore(), reimburser_);
    }
    job_ = new FileImportJob(waiting_, reimburser_, companyDir_, this);
    job_->setClaimNumber(claim_.isEmpty() ? deskClaim_ : claim_);
    waiting_.clear();
    connect(job_, &FileImportJob::fileDone, this, &FileImportWindow::fileDone);
    connect(job_, &QThread::finished, this, &FileImportWindow::jobEnded);
    cancelButton->setEnabled(true);
    saveButton->setEnabled(false);
    WriteLog(GetExeDir(), QStringLiteral("导入发票文件：%1个，报销人：%2")
                              .arg(job_->files().size())
                              .arg(reimburser_));
    job_->start();
}

void FileImportWindow::fileDone(int index, const fileimport::FileOutcome& outcome) {
    const int row = firstRowOfJob_ + index;
    if (row < 0 || row >= outcomes_.size()) {
        return;
    }
    outcomes_[row] = outcome;
    totals_.add(outcome.kind);
    const QColor colour = colourOf(outcome.kind);
    const QStringList texts{QFileInfo(outcome.file).fileName(), outcome.code, outcome.number,
                            outcome.amount, outcome.result};
    // The invoice at a glance, for a look by the mouse.
    QStringList face;
    for (const auto& [title, value] : outcome.face) {
        face << title + QStringLiteral("：") + value;
    }
    for (int column = 0; column < kColumns; ++column) {
        QTableWidgetItem* item = list->item(row, column);
        item->setText(texts[column]);
        item->setForeground(colour);
        const QString own = column == kFile ? outcome.file : texts[column];
        item->setToolTip(face.isEmpty() ? own : own + u'\n' + face.join(u'\n'));
    }
    list->scrollToItem(list->item(row, kFile));
    progress->setValue(totals_.done());
    progressText->setText(QStringLiteral("已读取 %1/%2：%3")
                              .arg(totals_.done())
                              .arg(totals_.files)
                              .arg(QFileInfo(outcome.file).fileName()));
    showTotals();
    // An invoice turned away is heard at once; the clerk looks at the pile, not the screen.
    switch (outcome.kind) {
        case fileimport::FileOutcome::Kind::AlreadyRecorded:
            sounds_.registration(Registration::Result::AlreadyRecorded);
            break;
        case fileimport::FileOutcome::Kind::Failed:
        case fileimport::FileOutcome::Kind::Refused:
            sounds_.registration(Registration::Result::Failed);
            break;
        case fileimport::FileOutcome::Kind::Unrecognised:
            sounds_.notAnInvoice();
            break;
        case fileimport::FileOutcome::Kind::Registered:
            break;
    }
}

void FileImportWindow::jobEnded() {
    job_->deleteLater();
    job_ = nullptr;
    if (!cancelled_ && !waiting_.isEmpty()) {
        startNext();
        return;
    }
    if (cancelled_) {
        for (int row = 0; row < outcomes_.size(); ++row) {
            if (outcomes_[row].result.isEmpty()) {
                outcomes_[row].result = kNotRead;
                list->item(row, kResult)->setText(kNotRead);
            }
        }
        waiting_.clear();
    }
    cancelButton->setEnabled(false);
    saveButton->setEnabled(true);
    progressText->setText(cancelled_ ? QStringLiteral("已取消") : QStringLiteral("全部读取完毕"));
    showTotals();
    WriteLog(GetExeDir(), QStringLiteral("导入发票文件结束：") + totalsLabel->text());
    finishClaim();
    if (totals_.registered > 0 && totals_.registered == totals_.done()) {
        sounds_.registration(Registration::Result::Registered);
    }
    emit finished();
    if (closeWhenStopped_) {
        QDialog::reject();
    }
}

void FileImportWindow::finishClaim() {
    if (claim_.isEmpty()) {
        return;
    }
    const QString number = std::exchange(claim_, QString());
    claimsheet::closeBatchClaim(this, *openClaimStore(), number, companyDir_);
}

void FileImportWindow::showTotals() {
    totalsLabel->setText(fileimport::totalsText(totals_));
}

void FileImportWindow::cancel() {
    if (job_) {
        cancelled_ = true;
        cancelButton->setEnabled(false);
        progressText->setText(QStringLiteral("正在取消…"));
        job_->requestInterruption();
    }
}

void FileImportWindow::saveCsv() {
    FileDialogRequest request;
    request.owner = this;
    request.caption = QStringLiteral("保存为CSV");
    request.proposedName = QStringLiteral("发票文件导入_%1.csv")
                               .arg(appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")));
    request.filters = {{QStringLiteral("CSV文件(*.csv)"), QStringLiteral("*.csv")}};
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen) {
        return;
    }
    QFile file(chosen->path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(fileimport::csv(outcomes_)) < 0 || !file.flush()) {
        appprompts::get().message(
            this, QStringLiteral("提示"),
            QStringLiteral("无法保存文件：%1\n请换一个位置再试。").arg(chosen->path),
            MsgIcon::Warning);
    }
}

void FileImportWindow::reject() {
    if (job_) {
        closeWhenStopped_ = true;
        cancel();
        return;
    }
    QDialog::reject();
}

void FileImportWindow::closeEvent(QCloseEvent* event) {
    if (job_) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}
