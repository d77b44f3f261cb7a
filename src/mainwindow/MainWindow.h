#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "fileimport/InvoiceFileImport.h"
#include "registration/StoreRunner.h"
#include "rules/CheckedRegistration.h"
#include "scan/ScanDecision.h"
#include "scanner/InputDevices.h"
#include "scanner/ScanBuffer.h"
#include "sound/OutcomeSounds.h"
#include "store/InvoiceStore.h"

class ClaimPanel;
class ClickableLabel;
class FileImportWindow;
class InvoiceFaceView;
class KeyboardCapture;
class QComboBox;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class ReimburserList;
class ScanField;

// The main window with its two modes: scan mode (Panel_center1, keyboard hooked, scans
// registered as they arrive) and manual mode (Panel_center2, an invoice typed by hand).
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    // Opens the records window modally with the main window as owner; RecordsWindow by default.
    using OpenRecords = std::function<void(QWidget* owner)>;

    // Builds the window and loads the reimburser list from the company directory's bxr.txt,
    // creating the file empty when it is missing. The keyboard devices come from devices (the
    // kernel's list when null), the invoices go to store (the company's store when null). The
    // first show enters scan mode. A registry on a server is worked on a thread of its own: the
    // window never waits for it, and shows its outcomes and count as they come.
    explicit MainWindow(std::unique_ptr<KeyboardDeviceSource> devices = nullptr,
                        std::unique_ptr<InvoiceStore> store = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setOpenRecords(OpenRecords open) { openRecords_ = std::move(open); }
    // Outcomes are heard through player (silent when null); it must outlive the window.
    void setSoundPlayer(SoundPlayer* player) { sounds_ = OutcomeSounds(player); }

    void FormShow();
    void Image_smClick();
    void Image_sxClick();
    void Label_resultClick();
    // "导入发票文件": offers to choose files or a folder.
    void Label_filesClick();
    // Reads and registers the invoice files in paths (files, or folders with PDF and OFD files
    // in them) under the current reimburser, in the file import window; paths given while that
    // window is open join its batch.
    void importFiles(const QStringList& paths);
    FileImportWindow* fileImportWindow() const { return fileWindow_; }
    void DataEditChange();
    void Timer1Timer();
    void Image_jcClick();
    // Key filters of the two manual edits: true lets the key through.
    bool Edit_fpdmKeyPress(const QKeyEvent& event);
    bool Edit_fphmKeyPress(const QKeyEvent& event);

    int modeFlag() const { return modeFlag_; }
    const QStringList& deviceList() const { return devices_; }
    ScanBuffer& scanBuffer() { return buffer_; }
    KeyboardCapture& capture() { return *capture_; }
    ReimburserList& reimbursers() { return *reimbursers_; }
    StoreRunner& storeRunner() { return *runner_; }
    ClaimPanel& claimPanel() { return *claimPanel_; }

    QWidget* Panel_top;
    QLabel* Image_logo;
    ClickableLabel* Image_sm;
    QLabel* Image_sm1;
    ClickableLabel* Image_sx;
    QLabel* Image_sx1;
    QWidget* Panel_bottom;
    ClickableLabel* Label_result;
    ClickableLabel* Label_files;
    QMenu* filesMenu;
    QWidget* Panel_center1;
    QLabel* Label1;
    QLabel* Label_num;
    QLabel* Label2;
    QLabel* Label_smq;
    QLabel* Label_fphm_sm;
    QLabel* Label_msg;
    QLabel* Label_note_sm;           // the rules' refusal or warning, or the earlier registration
    InvoiceFaceView* Panel_face_sm;  // the invoice at a glance, below the outcome
    QLabel* Label5;
    QComboBox* ComboBox1;
    ClickableLabel* Label6;
    ScanField* DataEdit;
    QWidget* Panel_center2;
    QLabel* Label4;
    QLabel* Label_num1;
    QLabel* Label3;
    QLabel* Label_fpdm;
    QLineEdit* Edit_fpdm;
    QLabel* Label_fphm;
    QLineEdit* Edit_fphm;
    QLabel* Label_bxr;
    QComboBox* ComboBox2;
    ClickableLabel* Label7;
    QLabel* Label_bxrq;
    QDateEdit* Date_kprq;
    ClickableLabel* Image_jc;
    QLabel* Label_msg1;
    QLabel* Label_note_sx;  // as on the scan panel
    InvoiceFaceView* Panel_face_sx;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void wire();
    void enterScanMode();
    // The box of the office's rules that are set wrongly, once.
    void tellRuleProblems();
    void enterManualMode();
    void registerScan(const QString& text, const scan::InvoiceItems& items);
    // The invoice as it joins the open claim (one is opened for its reimburser when none is).
    InvoiceRecord joiningOpenClaim(const InvoiceRecord& invoice);
    // The outcome of a registration, as the store answers it. A value the store cannot take (an
    // amount that is no number) is thrown to the error display, as it always has been.
    void showRegistration(const StoreRunner::Outcome& outcome);
    void showManualOutcome(const StoreRunner::Outcome& outcome);
    bool confirmAmount(const rules::Finding& finding);
    // The outcome of a scan (or the last invoice file) on the scan panel: the message, and below
    // it what the rules or the store said and the invoice's face.
    void showScanOutcome(const rules::Checked& checked, const QList<QPair<QString, QString>>& face);
    void showLastFile(const QList<fileimport::FileOutcome>& outcomes);
    void armWaiting();
    // The panel's lines move up to make room for the face while an outcome is shown.
    void setScanFaceShown(bool shown);
    static void setNote(QLabel* label, const QString& text, const QColor& colour);
    static QColor warningColour();
    // The box of a registration the store could not make: what happened, what to do, and the
    // engine's own words.
    void showStoreFailure(const StoreError& error);
    // Asks the store for the count; showCount shows it on both panels. A failed count reads "0"
    // and is shown and logged on the file; on a server it reads "—" and the scan panel says why
    // (showRegistryState), until the registry answers.
    void refreshCount();
    void showCount(const InvoiceCount& count);
    void showRegistryState(const std::optional<StoreError>& error);
    void chooseInvoiceFiles(bool folder);
    void emptyScan();
    void setScanNumberText(const QString& text);
    void setScanMessage(const QString& text, bool red);
    bool manualKeyPasses(const QKeyEvent& event) const;

    std::unique_ptr<KeyboardDeviceSource> deviceSource_;
    StoreRunner* runner_ = nullptr;
    bool failureBoxOpen_ = false;               // a store failure's box is open
    QList<StoreRunner::Outcome> heldOutcomes_;  // answers that came while it was open
    bool claimsResumed_ = false;        // the claim left open by the last run was looked for
    bool registryUnreachable_ = false;  // the last answer from the registry was an error
    bool registryAway_ = false;         // the scan panel says why the registry cannot be used
    QTimer* registryRetry_ = nullptr;   // asks an absent registry again now and then
    ScanBuffer buffer_;
    QStringList devices_;
    QStringList splitList_;
    scan::ReturnToWaiting waiting_;
    int modeFlag_ = 0;
    bool shown_ = false;
    KeyboardCapture* capture_ = nullptr;
    ReimburserList* reimbursers_ = nullptr;
    ClaimPanel* claimPanel_ = nullptr;  // the open claim, on the bottom panel
    OpenRecords openRecords_;
    FileImportWindow* fileWindow_ = nullptr;  // while the file import window is open
    OutcomeSounds sounds_;
    QRect scanNumberBounds_;    // where the invoice number line stands now
    int messagePx_ = 0;         // the outcome message's size as designed
    QStringList ruleProblems_;  // rules set wrongly, told once the window is shown
};
