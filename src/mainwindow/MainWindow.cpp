#include "mainwindow/MainWindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "fileimport/InvoiceFileImport.h"
#include "fileimportwindow/FileImportWindow.h"
#include "invoice/InvoiceFace.h"
#include "invoice/InvoiceIdentity.h"
#include "mainwindow/ClaimPanel.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/InvoiceFaceView.h"
#include "mainwindow/InvoiceFileDrop.h"
#include "mainwindow/ReimburserList.h"
#include "mainwindow/SystemColours.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/Prompts.h"
#include "recordswindow/RecordsWindow.h"
#include "rules/OfficeRules.h"
#include "scan/ManualEntry.h"
#include "scan/ScanPayload.h"
#include "scanner/InputDevices.h"
#include "scanner/KeyboardCapture.h"
#include "scanner/ProcInputDevices.h"
#include "scanner/ScanField.h"

namespace {

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// A warning is written off all the same: amber, not the red of an invoice turned away.
QColor warningColour() {
    return QColor(190, 100, 0);
}

QList<QPair<QString, QString>> faceOf(const InvoiceRecord& invoice, const QString& kind) {
    return invoice::faceItems({kind,
                               invoice.code,
                               invoice.number,
                               invoice.invoiceDate,
                               invoice.amount,
                               invoice.checkCode,
                               {},
                               {}});
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<KeyboardDeviceSource> devices,
                       std::unique_ptr<InvoiceStore> store, QWidget* parent)
    : QWidget(parent), deviceSource_(std::move(devices)), store_(std::move(store)) {
    if (!deviceSource_) {
        deviceSource_ = std::make_unique<ProcInputDevices>();
    }
    if (!store_) {
        store_ = openInvoiceStore();
    }
    buildLayout();
    Image_sm->hide();
    Image_sx1->hide();
    Label_fphm_sm->clear();
    capture_ = new KeyboardCapture(buffer_, DataEdit, this);
    claimPanel_->setCapture(capture_);

    const QString bxr = joinPath(CompanyDir(), QStringLiteral("bxr.txt"));
    if (!QFile::exists(bxr)) {
        CreateEmptyFile(bxr);
    }
    reimbursers_ = new ReimburserList(ComboBox1, ComboBox2, bxr, *capture_, this);
    reimbursers_->load();
    // The office's rules are read (and logged) at the start; a registry out of reach is asked
    // again at the first registration.
    ruleProblems_ = rules::inForce(*store_).problems;
    wire();
    openRecords_ = [](QWidget* owner) {
        RecordsWindow records(owner);
        records.exec();
    };
}

MainWindow::~MainWindow() = default;

void MainWindow::wire() {
    connect(Image_sm, &ClickableLabel::clicked, this, &MainWindow::Image_smClick);
    connect(Image_sx, &ClickableLabel::clicked, this, &MainWindow::Image_sxClick);
    connect(Label_result, &ClickableLabel::clicked, this, &MainWindow::Label_resultClick);
    connect(Label_files, &ClickableLabel::clicked, this, &MainWindow::Label_filesClick);
    filesMenu = new QMenu(this);
    filesMenu->addAction(QStringLiteral("选择文件…"), this, [this] { chooseInvoiceFiles(false); });
    filesMenu->addAction(QStringLiteral("选择文件夹…"), this, [this] { chooseInvoiceFiles(true); });
    // A drop is taken after the drag has ended, so that its source is not kept waiting.
    new InvoiceFileDrop(this, [this](const QStringList& paths) {
        QMetaObject::invokeMethod(
            this, [this, paths] { importFiles(paths); }, Qt::QueuedConnection);
    });
    connect(Image_jc, &ClickableLabel::clicked, this, &MainWindow::Image_jcClick);
    connect(Label6, &ClickableLabel::clicked, reimbursers_, &ReimburserList::Label6Click);
    connect(Label7, &ClickableLabel::clicked, reimbursers_, &ReimburserList::Label7Click);
    connect(DataEdit, &ScanField::textChanged, this, &MainWindow::DataEditChange);
    connect(Timer1, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    for (QComboBox* list : {ComboBox1, ComboBox2}) {
        connect(list, &QComboBox::textActivated, claimPanel_, &ClaimPanel::reimburserChanged);
    }
    connect(claimPanel_, &ClaimPanel::newClaimClicked, this,
            [this] { claimPanel_->newClaim(reimbursers_->current()); });
    Edit_fpdm->installEventFilter(this);
    Edit_fphm->installEventFilter(this);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void MainWindow::FormShow() {
    Image_smClick();
    if (!ruleProblems_.isEmpty()) {
        appprompts::get().message(
            this, QStringLiteral("提示"),
            QStringLiteral("核销规则设置有误，以下规则未生效：\n") + ruleProblems_.join(u'\n'),
            MsgIcon::Warning);
    }
}

void MainWindow::Image_smClick() {
    runGuarded([this] { enterScanMode(); });
}

void MainWindow::Image_sxClick() {
    runGuarded([this] { enterManualMode(); });
}

void MainWindow::enterScanMode() {
    Image_sx->show();
    Image_sm1->show();
    Image_sx1->hide();
    Image_sm->hide();
    Panel_center1->show();
    Panel_center2->hide();
    devices_ = EnumerateKeyboardDevices(*deviceSource_);
    if (const std::optional<bool> warn = CheckScannerPresence(devices_)) {
        Label_smq->setVisible(*warn);
    }
    capture_->hook();
    modeFlag_ = 1;
    WriteLog(GetExeDir(), QStringLiteral("扫描录入"));
    Label_num->setText(countText());
    reimbursers_->selectCurrent(2);
}

void MainWindow::enterManualMode() {
    Image_sx->hide();
    Image_sm1->hide();
    Image_sx1->show();
    Image_sm->show();
    Panel_center1->hide();
    Panel_center2->show();
    Date_kprq->setDate(appclock::now().date());
    capture_->unhook();
    devices_.clear();
    modeFlag_ = 0;
    WriteLog(GetExeDir(), QStringLiteral("手动录入"));
    Label_num1->setText(countText());
    reimbursers_->selectCurrent(1);
}

void MainWindow::Label_resultClick() {
    capture_->unhook();
    runGuarded([this] {
        if (openRecords_) {
            openRecords_(this);
        }
    });
    if (modeFlag_ == 1) {
        capture_->hook();
    }
    claimPanel_->reload();  // an undo there may have taken an invoice out of the open claim
    const QString count = countText();  // one query for both labels
    Label_num->setText(count);
    Label_num1->setText(count);
}

void MainWindow::Label_filesClick() {
    filesMenu->popup(Label_files->mapToGlobal(QPoint(0, 0)) -
                     QPoint(0, filesMenu->sizeHint().height()));
}

void MainWindow::chooseInvoiceFiles(bool folder) {
    FileDialogRequest request;
    request.owner = this;
    if (folder) {
        request.caption = QStringLiteral("选择发票文件所在的文件夹");
        request.pick = FileDialogRequest::Pick::Folder;
    } else {
        request.caption = QStringLiteral("选择发票文件");
        request.pick = FileDialogRequest::Pick::SeveralFiles;
        request.filters = {{QStringLiteral("电子发票(*.pdf *.ofd)"), QStringLiteral("*.pdf *.ofd")},
                           {QStringLiteral("所有文件(*.*)"), QStringLiteral("*")}};
    }
    const std::optional<FileDialogResult> chosen = appprompts::get().openFile(request);
    if (!chosen) {
        return;
    }
    importFiles(folder || chosen->paths.isEmpty() ? QStringList{chosen->path} : chosen->paths);
}

void MainWindow::importFiles(const QStringList& paths) {
    runGuarded([&] {
        const QStringList files = fileimport::collectFiles(paths);
        if (files.isEmpty()) {
            appprompts::get().message(
                this, QStringLiteral("提示"),
                QStringLiteral(
                    "所选位置没有PDF或OFD发票文件，请选择电子发票文件或其所在的文件夹。"),
                MsgIcon::Information);
            return;
        }
        if (fileWindow_) {
            fileWindow_->addFiles(files);
            fileWindow_->raise();
            return;
        }
        capture_->unhook();
        FileImportWindow window(reimbursers_->current(), CompanyDir(), sounds_, this);
        fileWindow_ = &window;
        window.addFiles(files);
        window.exec();
        fileWindow_ = nullptr;
        if (modeFlag_ == 1) {
            capture_->hook();
        }
        const QString count = countText();
        Label_num->setText(count);
        Label_num1->setText(count);
        showLastFile(window.outcomes());
    });
}

void MainWindow::showLastFile(const QList<fileimport::FileOutcome>& outcomes) {
    // The last invoice the batch read stays on the scan panel a moment, as a scan's would.
    using Kind = fileimport::FileOutcome::Kind;
    for (auto it = outcomes.crbegin(); it != outcomes.crend(); ++it) {
        if (it->face.isEmpty()) {
            continue;
        }
        setScanFaceShown(true);
        setScanNumberText(QStringLiteral("发票号码：") + it->number);
        Panel_face_sm->setItems(it->face);
        const QString message = it->kind == Kind::Registered ? QStringLiteral("报销成功!")
                                : it->kind == Kind::AlreadyRecorded ? QStringLiteral("已报销!")
                                : it->kind == Kind::Refused ? QStringLiteral("拒绝报销!")
                                                            : QStringLiteral("登记失败!");
        setScanMessage(message, it->kind != Kind::Registered);
        setNote(Label_note_sm, it->note,
                it->kind == Kind::Registered ? warningColour() : colours::red());
        armWaiting();
        return;
    }
}

void MainWindow::DataEditChange() {
    const QString text = DataEdit->toPlainText();
    SplitPayload(text, splitList_);
    const scan::Decision decision = scan::decide(splitList_, buffer_.IsScanComplete());
    splitList_.clear();
    switch (decision.action) {
        case scan::Action::Wait:
            return;
        case scan::Action::Drop:
            emptyScan();
            return;
        case scan::Action::NotInvoice:
            sounds_.notAnInvoice();
            setScanFaceShown(false);  // no invoice, no face
            setScanNumberText(QStringLiteral("您扫的不是发票信息！"));
            emptyScan();
            return;
        case scan::Action::Register:
            registerScan(text, decision.items);
            return;
    }
}

void MainWindow::registerScan(const QString& text, const scan::InvoiceItems& items) {
    runGuarded([&] {
        try {
            WriteLog(GetExeDir(), QStringLiteral("扫描结果：") + text);
            setScanFaceShown(false);
            setScanNumberText(QStringLiteral("发票号码：") + items.number);
            InvoiceRecord invoice;
            invoice.code = items.code;
            invoice.number = items.number;
            invoice.amount = items.amount;
            invoice.invoiceDate = items.date;
            invoice.checkCode = items.checkCode;
            invoice.kindCode = items.kind;
            invoice.reimburser = reimbursers_->current();
            const rules::Checked checked = registerOrThrow(invoice, EntryMode::Scan);
            showScanOutcome(checked, faceOf(invoice, items.kind));
        } catch (...) {
            // The next scan starts from nothing whatever became of this one.
            emptyScan();
            throw;
        }
        emptyScan();
        armWaiting();
    });
}

void MainWindow::showScanOutcome(const rules::Checked& checked,
                                 const QList<QPair<QString, QString>>& face) {
    setScanFaceShown(true);
    setScanNumberText(Label_fphm_sm->text());  // the line stands higher now
    Panel_face_sm->setItems(face);
    switch (checked.kind) {
        case rules::Checked::Kind::Registered:
            setScanMessage(QStringLiteral("报销成功!"), false);
            setNote(
                Label_note_sm,
                checked.warning.isEmpty() ? QString() : QStringLiteral("提示：") + checked.warning,
                warningColour());
            Label_num->setText(countText());
            break;
        case rules::Checked::Kind::AlreadyRecorded:
            setScanMessage(QStringLiteral("已报销!"), true);
            setNote(Label_note_sm,
                    invoice::firstReimbursed(checked.registration.earlierAt,
                                             checked.registration.earlierReimburser),
                    colours::red());
            break;
        case rules::Checked::Kind::Refused:
            setScanMessage(QStringLiteral("拒绝报销!"), true);
            setNote(Label_note_sm, checked.refusal, colours::red());
            break;
        case rules::Checked::Kind::Failed:
            // Never "already reimbursed": the invoice was not recorded.
            setScanMessage(QStringLiteral("登记失败!"), true);
            setScanNumberText(checked.registration.error.reason());
            setNote(Label_note_sm, QString(), colours::red());
            showStoreFailure(checked.registration.error);
            break;
    }
}

void MainWindow::armWaiting() {
    waiting_.arm();
    // A running timer keeps its period, as the outcome's time counts from the first tick.
    if (!Timer1->isActive()) {
        Timer1->start();
    }
}

rules::Checked MainWindow::registerOrThrow(const InvoiceRecord& invoice, EntryMode mode) {
    InvoiceRecord joining = invoice;  // into the open claim
    joining.claimNumber = claimPanel_->claimFor(invoice.reimburser);
    const rules::Checked checked =
        rules::registerChecked(*store_, joining, mode, std::nullopt,
                               [this](const rules::Finding& f) { return confirmAmount(f); });
    if (checked.kind == rules::Checked::Kind::Registered) {
        claimPanel_->registered(invoice.amount);
    }
    // Heard before any box the outcome brings; a refusal sounds as nothing recorded.
    sounds_.registration(checked.kind == rules::Checked::Kind::Refused
                             ? Registration::Result::Failed
                             : checked.registration.result);
    if (checked.kind == rules::Checked::Kind::Failed &&
        checked.registration.error.kind == StoreError::Kind::InvalidValue) {
        throw AppError(checked.registration.error.detail);
    }
    return checked;
}

bool MainWindow::confirmAmount(const rules::Finding& finding) {
    // The clerk answers with the keyboard too: the capture lets go while the box is open.
    const bool hooked = capture_->isHooked();
    if (hooked) {
        capture_->unhook();
    }
    const bool yes = appprompts::get().message(
                         this, QStringLiteral("提示"), rules::confirmationQuestion(finding),
                         MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Ok;
    if (hooked) {
        capture_->hook();
    }
    return yes;
}

void MainWindow::setNote(QLabel* label, const QString& text, const QColor& colour) {
    setTextColour(label, colour);
    // A long reason is drawn smaller before it is cut short; its whole text is in the tool tip.
    QFont font = label->font();
    font.setPixelSize(12);
    if (QFontMetrics(font).horizontalAdvance(text) > label->width()) {
        font.setPixelSize(11);
    }
    label->setFont(font);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void MainWindow::showStoreFailure(const StoreError& error) {
    appprompts::get().message(this, QStringLiteral("出现异常"), error.messageText(),
                              MsgIcon::Warning);
}

QString MainWindow::countText() {
    const InvoiceCount result = store_->countInvoices();
    if (result.count) {
        return QString::number(*result.count);
    }
    appprompts::get().message(this, QStringLiteral("出现异常"), result.error.detail,
                              MsgIcon::Information);
    WriteLog(GetExeDir(), QStringLiteral("获取扫描总数异常：") + result.error.detail);
    return QStringLiteral("0");
}

void MainWindow::emptyScan() {
    // The buffer first, so that the change of emptying the field finds no complete scan.
    buffer_.clear();
    DataEdit->clear();
}

void MainWindow::Timer1Timer() {
    if (!waiting_.tick()) {
        return;
    }
    setScanFaceShown(false);
    setScanNumberText(QString());
    setScanMessage(QStringLiteral("等待扫描"), false);
    Panel_face_sm->clear();
    Label_note_sm->clear();
    Timer1->stop();
}

void MainWindow::setScanNumberText(const QString& text) {
    // A fully digital invoice's number is longer than the line was drawn for: the line then
    // widens about its centre rather than cut the number off.
    QRect bounds = scanNumberBounds_;
    const int needed = Label_fphm_sm->fontMetrics().horizontalAdvance(text) + 4;
    if (needed > bounds.width()) {
        const int width = qMin(needed, Panel_center1->width());
        const int left = qBound(0, bounds.center().x() - width / 2, Panel_center1->width() - width);
        bounds = QRect(left, bounds.top(), width, bounds.height());
    }
    Label_fphm_sm->setGeometry(bounds);
    Label_fphm_sm->setText(text);
}

void MainWindow::setScanMessage(const QString& text, bool red) {
    setTextColour(Label_msg, red ? colours::red() : colours::darkShadow3D());
    Label_msg->setText(text);
}

void MainWindow::Image_jcClick() {
    runGuarded([this] {
        const QString code = Edit_fpdm->text();
        const QString number = Edit_fphm->text();
        const QString reimburser = ComboBox2->currentText();
        const QString problem = manual::check(code, number, reimburser);
        if (!problem.isEmpty()) {
            appprompts::get().message(this, QStringLiteral("提示"), problem, MsgIcon::None);
            return;
        }
        reimbursers_->setCurrent(reimburser);
        InvoiceRecord invoice;
        invoice.code = code;
        invoice.number = number;
        invoice.amount = QStringLiteral("0.00");
        invoice.invoiceDate = invoice::dateText(Date_kprq->date());
        invoice.reimburser = reimburser;
        const rules::Checked checked = registerOrThrow(invoice, EntryMode::Manual);
        // Typed by hand: no kind, and no amount or check code that the invoice said.
        InvoiceRecord typed = invoice;
        typed.amount.clear();
        Panel_face_sx->setItems(faceOf(typed, {}));
        setNote(Label_note_sx, QString(), colours::red());
        switch (checked.kind) {
            case rules::Checked::Kind::Registered:
                Label_msg1->setText(QStringLiteral("报销成功！"));
                if (!checked.warning.isEmpty()) {
                    setNote(Label_note_sx, QStringLiteral("提示：") + checked.warning,
                            warningColour());
                }
                Label_num1->setText(countText());
                break;
            case rules::Checked::Kind::AlreadyRecorded:
                Label_msg1->setText(QStringLiteral("已报销！"));
                setNote(Label_note_sx,
                        invoice::firstReimbursed(checked.registration.earlierAt,
                                                 checked.registration.earlierReimburser),
                        colours::red());
                break;
            case rules::Checked::Kind::Refused:
                // Not recorded: it stays typed, to be corrected or put aside.
                Label_msg1->setText(QStringLiteral("拒绝报销！"));
                setNote(Label_note_sx, checked.refusal, colours::red());
                return;
            case rules::Checked::Kind::Failed:
                // The invoice was not recorded: it stays typed for another try.
                Label_msg1->setText(QStringLiteral("登记失败！"));
                showStoreFailure(checked.registration.error);
                return;
        }
        Edit_fpdm->clear();
        Edit_fphm->clear();
    });
}

bool MainWindow::manualKeyPasses(const QKeyEvent& event) const {
    // Paste and cut would bring in text the filter never saw.
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut)) {
        return false;
    }
    for (const QChar c : event.text()) {
        if (!manual::isAllowedCharacter(c)) {
            return false;
        }
    }
    return true;
}

bool MainWindow::Edit_fpdmKeyPress(const QKeyEvent& event) {
    return manualKeyPasses(event);
}

bool MainWindow::Edit_fphmKeyPress(const QKeyEvent& event) {
    return manualKeyPasses(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (watched == Edit_fpdm) {
            return !Edit_fpdmKeyPress(key);
        }
        if (watched == Edit_fphm) {
            return !Edit_fphmKeyPress(key);
        }
    }
    return QWidget::eventFilter(watched, event);
}
