#include "auditwindows/TrailDialog.h"

#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <limits>

#include "auditwindows/SaveAs.h"
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "store/InvoiceStore.h"

namespace audit {

namespace {

const QStringList& listedHeadings() {
    static const QStringList headings = {
        QStringLiteral("时间"),     QStringLiteral("操作"), QStringLiteral("发票代码"),
        QStringLiteral("发票号码"), QStringLiteral("内容"), QStringLiteral("用户"),
        QStringLiteral("计算机"),   QStringLiteral("版本"), QStringLiteral("数据库用户")};
    return headings;
}
constexpr int kDatabaseUserColumn = 8;

QStringList listedTexts(const trail::Entry& e) {
    return {localefmt::dateTimeText(e.at),
            e.action,
            e.code,
            e.number,
            e.summary(),
            e.actor.user,
            e.actor.host,
            e.actor.version,
            e.databaseUser};
}

}  // namespace

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
    table = new QTableWidget(0, int(listedHeadings().size()), this);
    table->setObjectName(QStringLiteral("trailTable"));
    table->setHorizontalHeaderLabels(listedHeadings());
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
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const trail::Lines lines = openInvoiceStore()->readTrail(filter(), kListed);
    QGuiApplication::restoreOverrideCursor();
    list(lines);
    if (!lines.ok) {
        appprompts::get().message(this, windowTitle(),
                                  QStringLiteral("无法读取操作记录：") + lines.error.reason() +
                                      QStringLiteral("\n\n") + lines.error.detail,
                                  MsgIcon::Stop, MsgButtons::Ok);
    }
}

void TrailDialog::list(const trail::Lines& lines) {
    entries_ = lines.entries;
    table->setRowCount(0);
    table->setRowCount(int(entries_.size()));
    bool anyDatabaseUser = false;
    for (int r = 0; r < entries_.size(); ++r) {
        const QStringList texts = listedTexts(entries_[r]);
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setToolTip(c == 4 ? texts[c] : QString());
            table->setItem(r, c, item);
        }
        anyDatabaseUser = anyDatabaseUser || !entries_[r].databaseUser.isEmpty();
    }
    // The server's login is there on a server registry only.
    table->setColumnHidden(kDatabaseUserColumn, !anyDatabaseUser);
    table->resizeColumnsToContents();
    // A long line (an undo's reason) is cut here; its tool tip and the export hold it whole.
    if (table->columnWidth(4) > 340) {
        table->setColumnWidth(4, 340);
    }
    if (!lines.ok) {
        countLabel->clear();
    } else if (entries_.isEmpty()) {
        countLabel->setText(invoice_ ? QStringLiteral("没有此发票的操作记录")
                                     : QStringLiteral("没有操作记录"));
    } else {
        countLabel->setText(lines.truncated
                                ? QStringLiteral("列出前 %1 条（导出包含全部）").arg(kListed)
                                : QStringLiteral("共 %1 条").arg(entries_.size()));
    }
    exportButton->setEnabled(lines.ok && !entries_.isEmpty());
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
    writeAndTell(this, choice->path, [&] {
        // Every line of the filter, not only those listed.
        const trail::Lines all =
            openInvoiceStore()->readTrail(filter(), std::numeric_limits<qsizetype>::max() / 2);
        if (!all.ok) {
            throw AppError(all.error.reason() + QStringLiteral("：") + all.error.detail);
        }
        writeBytes(choice->path, trail::csv(all.entries));
    });
}

}  // namespace audit
