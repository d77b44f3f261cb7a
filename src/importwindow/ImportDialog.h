#pragma once

#include <QDialog>
#include <atomic>
#include <memory>

#include "import/SheetImport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ImportWorker;

// 导入Excel数据: the template download, the choice of the workbook and the import, which runs
// on a worker thread and reports here. One import at a time; while it runs the dialog cannot
// be closed, and it closes itself on the worker's message 3030 after a successful import.
class ImportDialog final : public QDialog, private ImportView {
    Q_OBJECT
public:
    explicit ImportDialog(QWidget* owner);
    ~ImportDialog() override;

    // The worker's body: the start checks, then the sheet import. Worker thread only.
    bool RunImport();
    bool isImporting() const;

    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;  // 下载模板, a link
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;  // 浏览
    QPushButton* Button2 = nullptr;  // 导入
    QLabel* loadLabel = nullptr;
    QLabel* Label_1 = nullptr;
    QLabel* Label_count = nullptr;
    QLabel* Label_2 = nullptr;
    // 新建报销单: the rows of the next import join a claim of their own, closed with its sheet
    // when the import ends.
    QCheckBox* CheckBox_claim = nullptr;

public slots:
    void Label1Click();
    void Button1Click();
    void Button2Click();
    void reject() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString pathText() override;
    void setLoading(bool visible) override;
    void showProcessed(qint64 count) override;
    void tell(const QString& text) override;
    void tellSummary(const QString& text, const QList<ImportFailure>& failures) override;
    void showException(const QString& detail) override;
    QString claimNumber() override { return claim_; }
    // Closes the import's claim, if it has one, and offers its sheet. UI thread.
    void finishClaim();

    template <typename Work>
    void onUiThread(Work&& work);
    bool mayClose() const;

    std::unique_ptr<ImportWorker> worker_;
    bool closingOnDone_ = false;
    QString claim_;  // the running import's claim; set before its worker starts
    // Set when the dialog goes away under a running worker: its controls are no longer touched.
    std::atomic<bool> detached_{false};
};
