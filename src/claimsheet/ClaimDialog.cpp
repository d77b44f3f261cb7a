#include "claimsheet/ClaimDialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "base/LocaleFormats.h"
#include "claimsheet/ClaimSheetWriter.h"
#include "prompts/Prompts.h"

ClaimDialog::ClaimDialog(const StoredClaim& claim, std::unique_ptr<ClaimStore> store,
                         QString companyDir, QWidget* parent)
    : QDialog(parent),
      claim_(claim),
      store_(std::move(store)),
      companyDir_(std::move(companyDir)),
      openFile_([](const QString& path) {
          return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
      }) {
    setObjectName(QStringLiteral("ClaimDialog"));
    setWindowTitle(QStringLiteral("报销单 ") + claim.number);
    resize(640, 420);
    const claims::SheetContent sheet = claims::sheetContent(claim, QString(), QString());
    Label_head = new QLabel(this);
    Label_head->setObjectName(QStringLiteral("Label_head"));
    Label_head->setText(QStringLiteral("报销单号：%1    报销人：%2\n开单时间：%3    结单时间：%4")
                            .arg(claim.number, claim.reimburser,
                                 localefmt::dateTimeText(claim.openedAt),
                                 claim.closedAt.isValid() ? localefmt::dateTimeText(claim.closedAt)
                                                          : QStringLiteral("（未结束）")));
    Grid_invoices = new QTableWidget(int(sheet.rows.size()), int(sheet.headings.size()), this);
    Grid_invoices->setObjectName(QStringLiteral("Grid_invoices"));
    Grid_invoices->setHorizontalHeaderLabels(sheet.headings);
    Grid_invoices->verticalHeader()->hide();
    Grid_invoices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < sheet.rows.size(); ++r) {
        for (int c = 0; c < sheet.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(sheet.rows[r][c]);
            if (c == sheet.rows[r].size() - 1) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            Grid_invoices->setItem(r, c, item);
        }
    }
    Grid_invoices->resizeColumnsToContents();
    Grid_invoices->horizontalHeader()->setStretchLastSection(true);
    Label_total = new QLabel(this);
    Label_total->setObjectName(QStringLiteral("Label_total"));
    Label_total->setText(sheet.count + QStringLiteral("    合计：") + sheet.totalFigures +
                         QStringLiteral("\n合计（大写）：") + sheet.totalCapitals);

    Button_open = new QPushButton(QStringLiteral("打开报销单"), this);
    Button_again = new QPushButton(QStringLiteral("重新生成"), this);
    Button_print = new QPushButton(QStringLiteral("打印…"), this);
    Button_save = new QPushButton(QStringLiteral("另存为…"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    // A claim still open has no sheet yet: it is written when the claim is closed.
    for (QPushButton* b : {Button_open, Button_again, Button_print, Button_save}) {
        b->setEnabled(claim.closedAt.isValid());
    }
    connect(Button_open, &QPushButton::clicked, this, &ClaimDialog::openSheet);
    connect(Button_again, &QPushButton::clicked, this, &ClaimDialog::writeAgain);
    connect(Button_print, &QPushButton::clicked, this, &ClaimDialog::print);
    connect(Button_save, &QPushButton::clicked, this, &ClaimDialog::saveCopy);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button_open, Button_again, Button_print, Button_save}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label_head);
    layout->addWidget(Grid_invoices);
    layout->addWidget(Label_total);
    layout->addLayout(buttons);
}

ClaimDialog::~ClaimDialog() = default;

claimsheet::Kept ClaimDialog::kept() {
    claimsheet::Kept sheet = claimsheet::read(*store_, claim_.number, companyDir_);
    if (sheet.ok() && !QFileInfo::exists(sheet.path)) {
        sheet.error = claimsheet::writePdf(sheet.content, sheet.path);
    }
    return sheet;
}

void ClaimDialog::show(const claimsheet::Kept& kept) {
    if (!kept.ok()) {
        appprompts::get().message(this, QStringLiteral("报销单"),
                                  QStringLiteral("报销单未能生成：") + kept.error,
                                  MsgIcon::Warning);
    }
}

void ClaimDialog::openSheet() {
    const claimsheet::Kept sheet = kept();
    show(sheet);
    if (sheet.ok() && !openFile_(sheet.path)) {
        appprompts::get().message(
            this, QStringLiteral("报销单"),
            QStringLiteral("无法打开报销单：%1\n请确认电脑上装有PDF阅读器。").arg(sheet.path),
            MsgIcon::Warning);
    }
}

bool ClaimDialog::writeAgain() {
    const claimsheet::Kept sheet = claimsheet::keep(*store_, claim_.number, companyDir_);
    if (!sheet.ok()) {
        show(sheet);
        return false;
    }
    const ChangeOutcome recorded = store_->recordSheet(claim_.number);
    if (!recorded.done()) {
        appprompts::get().message(
            this, QStringLiteral("报销单"),
            QStringLiteral("报销单已重新生成，但未能记入操作记录：") + recorded.error.reason(),
            MsgIcon::Warning);
        return false;
    }
    claimsheet::offer(this, sheet);
    return true;
}

void ClaimDialog::print() {
    const claimsheet::Kept sheet = kept();
    show(sheet);
    if (sheet.ok()) {
        appprompts::get().print(this, QStringLiteral("打印报销单"), [&](QPagedPaintDevice& device) {
            claimsheet::paint(sheet.content, device);
        });
    }
}

void ClaimDialog::saveCopy() {
    const claimsheet::Kept sheet = kept();
    show(sheet);
    if (sheet.ok()) {
        claimsheet::saveCopy(this, sheet);
    }
}
