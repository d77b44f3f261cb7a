#include "auditwindows/TrailDialog.h"

#include <QDateEdit>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "auditwindows/SaveAs.h"
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "base/LongTask.h"
#include "records/TrailPages.h"
#include "store/InvoiceStore.h"

namespace audit {

TrailDialog::TrailDialog(const trail::InvoiceKey& invoice, QWidget* owner)
    : QDialog(owner), invoice_(invoice) {
    setObjectName(QStringLiteral("TrailDialog"));
    setWindowTitle(QStringLiteral("记录历史 - 发票号码:%1").arg(invoice.number));
    build();
    search();
}

TrailDialog::TrailDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("TrailDialog"));
    setWindowTitle(QStringLiteral("操作记录"));
    build();
    search();
}

TrailDialog::~TrailDialog() {
    // The view lets go of the pages before they go.
    table->setModel(nullptr);
}

const QList<trail::Entry>& TrailDialog::entries() const {
    return pages_->entries();
}

void TrailDialog::build() {
    setModal(true);
    resize(900, 460);
    auto* layout = new QVBoxLayout(this);
    if (invoice_) {
        auto* which = new QLabel(
            QStringLiteral("发票代码：%1    发票号码：%2")
                .arg(invoice_->code.isEmpty() ? QStringLiteral("（数电票）") : invoice_->code,
                     invoice_->number),
            this);
        layout->addWidget(which);
    } else {
        auto* range = new QHBoxLayout;
        const QDate today = appclock::now().date();
        fromDate = new QDateEdit(today, this);
        toDate = new QDateEdit(today, this);
        for (QDateEdit* date : {fromDate, toDate}) {
            date->setCalendarPopup(true);
            date->setDisplayFormat(QString::fromLatin1(localefmt::kShortDate));
            date->setMinimumWidth(120);
        }
        searchButton = new QPushButton(QStringLiteral("查  询"), this);
        searchButton->setAutoDefault(false);
        range->addWidget(new QLabel(QStringLiteral("操作时间"), this));
        range->addWidget(fromDate);
        range->addWidget(new QLabel(QStringLiteral("至"), this));
        range->addWidget(toDate);
        range->addWidget(searchButton);
        range->addStretch();
        layout->addLayout(range);
        connect(searchButton, &QPushButton::clicked, this, &TrailDialog::search);
    }
    pages_ = new records::TrailPages(this);
    connect(pages_, &records::TrailPages::pageRead, this, &TrailDialog::listed);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("trailTable"));
    table->setModel(pages_);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);

    auto* bottom = new QHBoxLayout;
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("trailCount"));
    exportButton = new QPushButton(QStringLiteral("导出…"), this);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton* button : {exportButton, closeButton}) {
        button->setAutoDefault(false);
    }
    bottom->addWidget(countLabel);
    bottom->addStretch();
    bottom->addWidget(exportButton);
    bottom->addWidget(closeButton);
    layout->addLayout(bottom);
    connect(exportButton, &QPushButton::clicked, this, &TrailDialog::exportCsv);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

trail::Filter TrailDialog::filter() const {
    if (invoice_) {
        return trail::Filter::of(*invoice_);
    }
    return trail::Filter::between(fromDate->date(), toDate->date());
}

void TrailDialog::search() {
    if (!invoice_ && fromDate->date() > toDate->date()) {
        appprompts::get().message(this, QStringLiteral("提示"),
                                  QStringLiteral("开始日期不能晚于结束日期！"), MsgIcon::Warning,
                                  MsgButtons::Ok);
        return;
    }
    columnsFitted_ = false;
    countLabel->setText(QStringLiteral("正在读取…"));
    exportButton->setEnabled(false);
    pages_->show(filter());
}

void TrailDialog::listed() {
    // The server's login is there on a server registry only.
    table->setColumnHidden(records::TrailPages::kDatabaseUserColumn, !pages_->anyDatabaseUser());
    if (!columnsFitted_ && !pages_->entries().isEmpty()) {
        columnsFitted_ = true;
        table->resizeColumnsToContents();
        // A long line (an undo's reason) is cut here; its tool tip and the export hold it whole.
        if (table->columnWidth(records::TrailPages::kContentColumn) > 340) {
            table->setColumnWidth(records::TrailPages::kContentColumn, 340);
        }
    }
    const qsizetype listed = pages_->entries().size();
    if (pages_->failed()) {
        countLabel->clear();
        const trail::Lines& failure = pages_->failure();
        appprompts::get().message(this, windowTitle(),
                                  QStringLiteral("无法读取操作记录：") + failure.error.reason() +
                                      QStringLiteral("\n\n") + failure.error.detail,
                                  MsgIcon::Stop, MsgButtons::Ok);
    } else if (listed == 0) {
        countLabel->setText(invoice_ ? QStringLiteral("没有此发票的操作记录")
                                     : QStringLiteral("没有操作记录"));
    } else if (!pages_->complete()) {
        countLabel->setText(
            QStringLiteral("已列出 %1 条，向下滚动列出更多（导出包含全部）").arg(listed));
    } else {
        countLabel->setText(QStringLiteral("共 %1 条").arg(listed));
    }
    exportButton->setEnabled(!pages_->failed() && listed > 0);
}

void TrailDialog::exportCsv() {
    const QString stamp = appclock::now().toString(QStringLiteral("yyyyMMddHHmmss"));
    const QString proposed = invoice_ ? stamp + QStringLiteral("_记录历史_") + invoice_->number
                                      : stamp + QStringLiteral("_操作记录");
    const std::optional<SaveChoice> choice =
        askSavePath(this, QStringLiteral("导出操作记录"), proposed, {kCsvType});
    if (!choice) {
        return;
    }
    writeAndTell(this, choice->path, [&] { writeAll(choice->path); });
}

// Every line of the filter, a page at a time, on a thread of its own; a cancel removes the file.
void TrailDialog::writeAll(const QString& path) {
    const trail::Filter first = filter();
    LongTask task({}, [path, first](TaskControl& control) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(trail::csvHeadingLine()) < 0) {
            throw AppError(
                QStringLiteral("Cannot create file %1. %2").arg(path, file.errorString()));
        }
        const std::unique_ptr<InvoiceStore> store = openInvoiceStore(StoreUse::Reading);
        trail::Filter next = first;
        qint64 written = 0;
        for (;;) {
            control.checkCancelled();
            const trail::Lines lines = store->readTrail(next, kExportPage);
            if (!lines.ok) {
                throw AppError(lines.error.reason() + QStringLiteral("：") + lines.error.detail);
            }
            if (file.write(trail::csvLines(lines.entries)) < 0) {
                throw AppError(file.errorString());
            }
            written += lines.entries.size();
            control.setDone(written);
            if (!lines.truncated || lines.entries.isEmpty()) {
                break;
            }
            next = first.following(lines.entries.constLast().position());
        }
        if (!file.flush()) {
            throw AppError(file.errorString());
        }
    });
    ProgressRequest request;
    request.owner = this;
    request.caption = QStringLiteral("导出操作记录");
    request.label = QStringLiteral("正在导出：0 条");
    request.cancel = [&task] { task.cancel(); };
    std::unique_ptr<ProgressWindow> window = appprompts::get().showProgress(request);
    connect(&task, &LongTask::progressed, this, [&] {
        if (window) {
            const qint64 done = task.control().done();
            window->setProgress(done, QStringLiteral("正在导出：%1 条").arg(done));
        }
    });
    task.start();
    LongTask::Outcome outcome = LongTask::Outcome::Running;
    try {
        outcome = task.wait();
    } catch (...) {
        window.reset();
        QFile::remove(path);
        throw;
    }
    window.reset();
    if (outcome == LongTask::Outcome::Cancelled) {
        QFile::remove(path);
        throw AppError(QStringLiteral("已取消"));
    }
}

}  // namespace audit
