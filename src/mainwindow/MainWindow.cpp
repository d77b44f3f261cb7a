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
#include "base/DatabaseSettings.h"
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

// A registry that cannot be used is asked again this often while the window waits for scans.
constexpr int kRegistryRetryMs = 20000;

}  // namespace

// A warning is written off all the same: amber, not the red of an invoice turned away.
QColor MainWindow::warningColour() {
    return QColor(190, 100, 0);
}

MainWindow::MainWindow(std::unique_ptr<KeyboardDeviceSource> devices,
                       std::unique_ptr<InvoiceStore> store, QWidget* parent)
    : QWidget(parent), deviceSource_(std::move(devices)) {
    if (!deviceSource_) {
        deviceSource_ = std::make_unique<ProcInputDevices>();
    }
    if (!store) {
        store = openInvoiceStore();
    }
    const bool server = currentDatabaseSettings().engine == DatabaseSettings::Engine::Postgresql;
    runner_ =
        new StoreRunner(std::move(store),
                        server ? StoreRunner::Mode::OwnThread : StoreRunner::Mode::OnCaller, this);
    buildLayout();
    messagePx_ = Label_msg->font().pixelSize();
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
    wire();
    // The office's rules are read (and logged) at the start; a registry out of reach is asked
    // again at the first registration. From a server they come once the window is up.
    if (server) {
        Label_num->setText(QStringLiteral("—"));
        Label_num1->setText(QStringLiteral("—"));
    }
    runner_->start();
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
    runner_->setConfirm([this](const rules::Finding& f) { return confirmAmount(f); });
    connect(runner_, &StoreRunner::registered, this, &MainWindow::showRegistration);
    connect(runner_, &StoreRunner::counted, this, &MainWindow::showCount);
    connect(runner_, &StoreRunner::rulesRead, this, [this](const rules::InForce& rules) {
        if (!rules.settings) {
            showRegistryState(rules.error);
        }
        ruleProblems_ = rules.problems;
        if (shown_) {
            tellRuleProblems();  // read after the window came up: told now
        }
    });
    registryRetry_ = new QTimer(this);
    registryRetry_->setInterval(kRegistryRetryMs);
    connect(registryRetry_, &QTimer::timeout, this, [this] {
        if (runner_->pending() == 0) {
            refreshCount();
        }
    });
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
    tellRuleProblems();
}

void MainWindow::tellRuleProblems() {
    if (!ruleProblems_.isEmpty()) {
        appprompts::get().message(
            this, QStringLiteral("提示"),
            QStringLiteral("核销规则设置有误，以下规则未生效：\n") + ruleProblems_.join(u'\n'),
            MsgIcon::Warning);
        ruleProblems_.clear();  // told once
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
    refreshCount();
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
    refreshCount();
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
    refreshCount();
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
        // The desk's open claim takes the files as it takes scans.
        const claims::ClaimDesk& desk = claimPanel_->desk();
        if (desk.isOpen() && desk.reimburser() == reimbursers_->current()) {
            window.setDeskClaim(desk.number());
        }
        window.addFiles(files);
        window.exec();
        fileWindow_ = nullptr;
        if (modeFlag_ == 1) {
            capture_->hook();
        }
        refreshCount();
        claimPanel_->reload();
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
        // The next scan starts from nothing whatever becomes of this one.
        emptyScan();
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
        if (runner_->mode() == StoreRunner::Mode::OwnThread) {
            setScanMessage(QStringLiteral("正在登记…"), false);
            setNote(Label_note_sm, QString(), colours::red());
        }
        runner_->registerInvoice(joiningOpenClaim(invoice), EntryMode::Scan);
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
            setNote(Label_note_sm, checked.registration.error.panelText(), colours::red());
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

InvoiceRecord MainWindow::joiningOpenClaim(const InvoiceRecord& invoice) {
    InvoiceRecord joining = invoice;
    // A registry known to be out of reach is not asked for a claim number: the registration
    // itself says why, within its own bound.
    if (registryUnreachable_) {
        return joining;
    }
    if (runner_->mode() == StoreRunner::Mode::OnCaller && !claimPanel_->desk().isOpen()) {
        // On the file the claim opens in the registration's own transaction (one sync for both,
        // and none for an invoice already there); a server's answers come later, so there the
        // desk opens it first.
        joining.opensClaim = true;
    } else {
        joining.claimNumber = claimPanel_->claimFor(invoice.reimburser);
    }
    return joining;
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
    // Outcomes that arrive while the box is open wait for it (showRegistration).
    failureBoxOpen_ = true;
    appprompts::get().message(this, QStringLiteral("出现异常"), error.messageText(),
                              MsgIcon::Warning);
    failureBoxOpen_ = false;
    while (!heldOutcomes_.isEmpty() && !failureBoxOpen_) {
        showRegistration(heldOutcomes_.takeFirst());
    }
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
    // A longer message (a reason of the registry) is drawn smaller rather than cut off.
    QFont font = Label_msg->font();
    font.setPixelSize(messagePx_);
    while (font.pixelSize() > 14 &&
           QFontMetrics(font).horizontalAdvance(text) > Label_msg->width()) {
        font.setPixelSize(font.pixelSize() - 2);
    }
    Label_msg->setFont(font);
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
        if (runner_->mode() == StoreRunner::Mode::OwnThread) {
            Label_msg1->setText(QStringLiteral("正在登记…"));
        }
        runner_->registerInvoice(joiningOpenClaim(invoice), EntryMode::Manual);
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
