#include "recordswindow/RecordsWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

#include "auditwindows/RecordActions.h"
#include "auditwindows/StatisticsDialog.h"
#include "auditwindows/TrailDialog.h"
#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "claimsheet/ClaimDialog.h"
#include "export/ExportCommand.h"
#include "fileimport/InvoiceFileImport.h"
#include "importwindow/ImportDialog.h"
#include "invoice/InvoiceIdentity.h"
#include "invoice/ReimburserName.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/Prompts.h"
#include "records/Correction.h"
#include "records/RecordsModel.h"
#include "records/StoreUpgrade.h"
#include "recordswindow/BackupCommand.h"
#include "recordswindow/FindDialog.h"
#include "recordswindow/RecordsExportGrid.h"
#include "recordswindow/RecordsGrid.h"

namespace {

QCheckBox* checkBox(const QString& caption, const QRect& geometry, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setGeometry(geometry);
    return box;
}

QLineEdit* edit(const QRect& geometry, QWidget* parent) {
    auto* line = new QLineEdit(parent);
    line->setGeometry(geometry);
    line->setEnabled(false);
    return line;
}

QDateEdit* datePicker(const QString& format, const QRect& geometry, QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(format);
    picker->setGeometry(geometry);
    picker->setEnabled(false);
    return picker;
}

QPushButton* button(const QString& caption, const QRect& geometry, QWidget* parent) {
    auto* push = new QPushButton(caption, parent);
    push->setGeometry(geometry);
    push->setAutoDefault(false);
    return push;
}

void label(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignCenter);
}

}  // namespace

RecordsWindow::RecordsWindow(QWidget* owner)
    : QDialog(owner), connection_(records::openRecordConnection(records::currentStore())) {
    setObjectName(QStringLiteral("ListForm"));
    setWindowTitle(QStringLiteral("发票报销记录"));
    setFixedSize(642, 422);
    setModal(true);
    records::bringStoreUpToDate(*connection_, owner);
    buildControls();

    model_ = std::make_unique<records::RecordsModel>(*connection_);
    DBGridEh1->setModel(model_.get());
    connect(model_.get(), &records::RecordsModel::searchStarted, this,
            &RecordsWindow::searchStarted);
    connect(model_.get(), &records::RecordsModel::resultShown, this, &RecordsWindow::resultShown);
    sortProgressDelay_.setSingleShot(true);
    connect(&sortProgressDelay_, &QTimer::timeout, this, &RecordsWindow::showSortProgress);
    exportGrid_ = std::make_unique<RecordsExportGrid>(DBGridEh1, model_.get());

    const QDate today = appclock::now().date();
    for (QDateEdit* picker : {Date_bxsj_start, Date_bxsj_end, Date_kprq_start, Date_kprq_end}) {
        picker->setDate(today);
    }
    runQuery(records::dayQuery(Date_bxsj_start->date(), connection_->dialect()));
}

RecordsWindow::~RecordsWindow() {
    // A sort under way ends while the window can still hear of it.
    model_->cancelSearch();
    // The view lets go of the model before the model and its connection go.
    DBGridEh1->setModel(nullptr);
}

void RecordsWindow::buildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("查询条件"), this);
    GroupBox1->setGeometry(8, 4, 626, 136);
    QWidget* g = GroupBox1;

    CheckBox_fpdm = checkBox(QStringLiteral("发票代码"), {12, 24, 80, 20}, g);
    Edit_fpdm = edit({94, 23, 136, 22}, g);
    Edit_fpdm->setMaxLength(invoice::kCodeMaxLength);
    CheckBox_fphm = checkBox(QStringLiteral("发票号码"), {12, 52, 80, 20}, g);
    Edit_fphm = edit({94, 51, 136, 22}, g);
    Edit_fphm->setMaxLength(invoice::kDigitalNumberLength);
    CheckBox_bxr = checkBox(QStringLiteral("报   销  人"), {12, 80, 80, 20}, g);
    Edit_bxr = edit({94, 79, 136, 22}, g);

    CheckBox_bxsj = checkBox(QStringLiteral("报销时间"), {250, 24, 80, 20}, g);
    const QString shortDate = QString::fromLatin1(localefmt::kShortDate);
    Date_bxsj_start = datePicker(shortDate, {332, 23, 120, 22}, g);
    label(QStringLiteral("至"), {452, 23, 24, 22}, g);
    Date_bxsj_end = datePicker(shortDate, {476, 23, 120, 22}, g);
    CheckBox_kprq = checkBox(QStringLiteral("开票日期"), {250, 52, 80, 20}, g);
    Date_kprq_start = datePicker(QString::fromLatin1(invoice::kDatePattern), {332, 51, 120, 22}, g);
    label(QStringLiteral("至"), {452, 51, 24, 22}, g);
    Date_kprq_end = datePicker(QString::fromLatin1(invoice::kDatePattern), {476, 51, 120, 22}, g);

    // The invoices the office's rules said something of: any, or those whose notes say this.
    CheckBox_hxts = checkBox(QStringLiteral("核销提示"), {12, 108, 80, 20}, g);
    CheckBox_hxts->setObjectName(QStringLiteral("CheckBox_hxts"));
    Edit_hxts = edit({94, 107, 136, 22}, g);
    Edit_hxts->setObjectName(QStringLiteral("Edit_hxts"));
    Edit_hxts->setPlaceholderText(QStringLiteral("空：全部有提示的"));
    // The invoices of a claim: its number, or its start (BX20231201: that day's claims).
    CheckBox_bxdh = checkBox(QStringLiteral("报销单号"), {250, 108, 80, 20}, g);
    CheckBox_bxdh->setObjectName(QStringLiteral("CheckBox_bxdh"));
    Edit_bxdh = edit({332, 107, 136, 22}, g);
    Edit_bxdh->setObjectName(QStringLiteral("Edit_bxdh"));
    Edit_bxdh->setPlaceholderText(QStringLiteral("空：全部报销单的"));

    searchButton = button(QStringLiteral("查  询"), {250, 78, 80, 25}, g);
    resetButton = button(QStringLiteral("重  置"), {336, 78, 80, 25}, g);
    exportButton = button(QStringLiteral("导  出"), {422, 78, 80, 25}, g);
    importButton = button(QStringLiteral("导  入"), {508, 78, 80, 25}, g);

    DBGridEh1 = new RecordsGrid(this);
    DBGridEh1->setGeometry(8, 146, 626, 250);
    Label1 = new QLabel(QStringLiteral("总共 0 条"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 400, 300, 18);
    trailButton = button(QStringLiteral("操作记录"), {370, 398, 80, 22}, this);
    statisticsButton = button(QStringLiteral("统  计"), {456, 398, 80, 22}, this);
    backupButton = new QPushButton(QStringLiteral("备份数据库"), this);
    backupButton->setGeometry(546, 398, 88, 22);
    DBGridEh1->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(CheckBox_fpdm, &QCheckBox::toggled, this, &RecordsWindow::CheckBox_fpdmClick);
    connect(CheckBox_fphm, &QCheckBox::toggled, this, &RecordsWindow::CheckBox_fphmClick);
    connect(CheckBox_bxr, &QCheckBox::toggled, this, &RecordsWindow::CheckBox_bxrClick);
    connect(CheckBox_bxsj, &QCheckBox::toggled, this, &RecordsWindow::CheckBox_bxsjClick);
    connect(CheckBox_kprq, &QCheckBox::toggled, this, &RecordsWindow::CheckBox_kprqClick);
    connect(CheckBox_hxts, &QCheckBox::toggled, Edit_hxts, &QLineEdit::setEnabled);
    connect(CheckBox_bxdh, &QCheckBox::toggled, Edit_bxdh, &QLineEdit::setEnabled);
    connect(searchButton, &QPushButton::clicked, this, &RecordsWindow::searchButtonClick);
    connect(resetButton, &QPushButton::clicked, this, &RecordsWindow::resetButtonClick);
    connect(exportButton, &QPushButton::clicked, this, &RecordsWindow::exportButtonClick);
    connect(importButton, &QPushButton::clicked, this, &RecordsWindow::importButtonClick);
    connect(DBGridEh1, &QAbstractItemView::clicked, this, &RecordsWindow::DBGridEh1CellClick);
    connect(DBGridEh1, &RecordsGrid::findRequested, this, &RecordsWindow::openFindDialog);
    connect(backupButton, &QPushButton::clicked, this, &RecordsWindow::backupButtonClick);
    connect(DBGridEh1, &QWidget::customContextMenuRequested, this, &RecordsWindow::showRowMenu);
    openFile_ = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    connect(statisticsButton, &QPushButton::clicked, this, &RecordsWindow::statisticsButtonClick);
    connect(trailButton, &QPushButton::clicked, this, &RecordsWindow::trailButtonClick);
    // 查看记录历史 and 撤销报销 in the rows' context menu.
    recordActions_ = new audit::RecordActions(DBGridEh1, this);
    connect(recordActions_, &audit::RecordActions::recordsChanged, this, &RecordsWindow::readAgain);
}

exportgrid::Grid& RecordsWindow::exportGrid() {
    return *exportGrid_;
}

records::SearchForm RecordsWindow::searchForm() const {
    records::SearchForm form;
    form.byCode = CheckBox_fpdm->isChecked();
    form.code = Edit_fpdm->text();
    form.byNumber = CheckBox_fphm->isChecked();
    form.number = Edit_fphm->text();
    form.byReimburser = CheckBox_bxr->isChecked();
    form.reimburser = Edit_bxr->text();
    form.byReimbursedDate = CheckBox_bxsj->isChecked();
    form.reimbursedFrom = Date_bxsj_start->date();
    form.reimbursedTo = Date_bxsj_end->date();
    form.byInvoiceDate = CheckBox_kprq->isChecked();
    form.invoicedFrom = Date_kprq_start->date();
    form.invoicedTo = Date_kprq_end->date();
    form.byRuleNotes = CheckBox_hxts->isChecked();
    form.ruleNotes = Edit_hxts->text().trimmed();
    form.byClaim = CheckBox_bxdh->isChecked();
    form.claim = Edit_bxdh->text().trimmed();
    return form;
}

void RecordsWindow::runQuery(const records::QuerySpec& spec) {
    model_->run(spec);  // resultShown() shows the rest
}

void RecordsWindow::searchStarted() {
    Label1->setText(QStringLiteral("正在排序…"));
    sortProgressDelay_.start(kSortProgressDelayMs);
}

void RecordsWindow::showSortProgress() {
    ProgressRequest request;
    request.owner = this;
    request.caption = windowTitle();
    request.label = QStringLiteral("正在排序，请稍候…");
    request.cancel = [this] { model_->cancelSearch(); };
    sortProgress_ = appprompts::get().showProgress(request);
}

void RecordsWindow::resultShown() {
    sortProgressDelay_.stop();
    sortProgress_.reset();
    DBGridEh1->fitWideColumns();
    showTotal();
    runGuarded([this] { model_->rethrowFailure(); });
}

void RecordsWindow::showTotal() {
    Label1->setText(QStringLiteral("总共 %1 条").arg(model_->source().rowCount()));
}

void RecordsWindow::hint(const QString& text, bool information) {
    appprompts::get().message(this, QStringLiteral("提示"), text,
                              information ? MsgIcon::Information : MsgIcon::None, MsgButtons::Ok);
}

void RecordsWindow::searchButtonClick() {
    const records::SearchForm form = searchForm();
    if (const std::optional<QString> missing = records::firstMissingCriterion(form)) {
        hint(*missing);
        return;
    }
    runGuarded([&] {
        runQuery(
            records::searchQuery(form, connection_->dialect(), connection_->reimburserNames()));
    });
}

void RecordsWindow::resetButtonClick() {
    for (QCheckBox* box : {CheckBox_fpdm, CheckBox_fphm, CheckBox_bxsj, CheckBox_bxr, CheckBox_kprq,
                           CheckBox_hxts, CheckBox_bxdh}) {
        box->setChecked(false);
    }
    Edit_bxdh->clear();
    Edit_fpdm->clear();
    Edit_fphm->clear();
    Edit_bxr->clear();
    Edit_hxts->clear();
}

void RecordsWindow::exportButtonClick() {
    runGuarded([&] { ExportGridToFile(exportGrid(), proposedExportName(), this); });
}

void RecordsWindow::importButtonClick() {
    {
        ImportDialog importForm(this);
        importForm.exec();
    }
    // Imported rows appear when they match the criteria as they stand.
    searchButtonClick();
}

void RecordsWindow::CheckBox_fpdmClick() {
    Edit_fpdm->setEnabled(CheckBox_fpdm->isChecked());
}

void RecordsWindow::CheckBox_fphmClick() {
    Edit_fphm->setEnabled(CheckBox_fphm->isChecked());
}

void RecordsWindow::CheckBox_bxrClick() {
    Edit_bxr->setEnabled(CheckBox_bxr->isChecked());
}

void RecordsWindow::CheckBox_bxsjClick() {
    Date_bxsj_start->setEnabled(CheckBox_bxsj->isChecked());
    Date_bxsj_end->setEnabled(CheckBox_bxsj->isChecked());
}

void RecordsWindow::CheckBox_kprqClick() {
    Date_kprq_start->setEnabled(CheckBox_kprq->isChecked());
    Date_kprq_end->setEnabled(CheckBox_kprq->isChecked());
}

void RecordsWindow::DBGridEh1CellClick(const QModelIndex& index) {
    if (!index.isValid() ||
        model_->headerData(index.column(), Qt::Horizontal).toString() != QStringLiteral("报销人")) {
        return;
    }
    const records::RecordRow& row = model_->row(index.row());
    const QString number = row.text[records::kNumber];
    const QString initial = correction::initialText(row.text[records::kReimburser]);
    const std::optional<QString> entered = appprompts::get().inputText(
        this, correction::caption(number), QStringLiteral("报销人:"), initial);
    switch (correction::judge(entered)) {
        case correction::Verdict::Ignore:
            return;
        case correction::Verdict::TooLong:
            hint(reimbursername::tooLongMessage());
            return;
        case correction::Verdict::Save:
            break;
    }
    const int rowIndex = index.row();
    if (runGuarded([&] { model_->correctReimburser(rowIndex, *entered); })) {
        hint(QStringLiteral("保存成功"), true);
    }
}

void RecordsWindow::openFindDialog() {
    FindDialog dialog(DBGridEh1, this);
    dialog.exec();
}

void RecordsWindow::statisticsButtonClick() {
    audit::StatisticsDialog dialog(this);
    dialog.exec();
}

void RecordsWindow::trailButtonClick() {
    audit::TrailDialog dialog(this);
    dialog.exec();
}

void RecordsWindow::readAgain(int row) {
    runGuarded([&] {
        const records::QuerySpec spec = model_->source().spec();  // a copy: run() resets it
        runQuery(spec);
        if (model_->rowCount() > 0) {
            const int column = std::max(0, DBGridEh1->currentIndex().column());
            DBGridEh1->setCurrentIndex(
                model_->index(std::min(row, model_->rowCount() - 1), column));
        }
    });
}

void RecordsWindow::backupButtonClick() {
    runGuarded([this] { records::backupDatabase(this); });
}

void RecordsWindow::showRowMenu(const QPoint& position) {
    const QModelIndex index = DBGridEh1->indexAt(position);
    if (!index.isValid()) {
        return;
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("打开发票原件"), this,
                   [this, row = index.row()] { openOriginal(row); });
    menu.addAction(QStringLiteral("查看报销单"), this,
                   [this, row = index.row()] { showClaim(row); });
    recordActions_->addTo(menu, index.row());
    menu.exec(DBGridEh1->viewport()->mapToGlobal(position));
}

void RecordsWindow::openOriginal(int row) {
    runGuarded([&] {
        if (row < 0 || row >= model_->rowCount()) {
            return;
        }
        const records::RecordRow& record = model_->row(row);
        const QString path = fileimport::findOriginal(CompanyDir(), record.text[records::kCode],
                                                      record.text[records::kNumber]);
        if (path.isEmpty()) {
            hint(QStringLiteral("这张发票没有保存的原件：只有从PDF或OFD文件导入的发票才保存原件。"),
                 true);
            return;
        }
        if (!openFile_(path)) {
            hint(
                QStringLiteral("无法打开发票原件：%1\n请确认电脑上装有PDF或OFD阅读器。").arg(path));
        }
    });
}

void RecordsWindow::showClaim(int row) {
    runGuarded([&] {
        if (row < 0 || row >= model_->rowCount()) {
            return;
        }
        const records::RecordRow& record = model_->row(row);
        std::unique_ptr<ClaimStore> claims = openClaimStore();
        const ClaimRead read =
            claims->readClaimOf({record.text[records::kCode], record.text[records::kNumber]});
        if (!read.ok) {
            hint(QStringLiteral("无法读取报销单：") + read.error.reason());
            return;
        }
        if (!read.claim) {
            hint(QStringLiteral("这张发票不属于任何报销单。"), true);
            return;
        }
        ClaimDialog dialog(*read.claim, std::move(claims), CompanyDir(), this);
        dialog.setOpenFile(openFile_);
        dialog.exec();
    });
}
