#pragma once

#include <QDialog>
#include <functional>

#include "claimsheet/KeptSheet.h"
#include "store/ClaimStore.h"

class QLabel;
class QPushButton;
class QTableWidget;

// 查看报销单: a claim with its invoices and total, its kept sheet opened, written again
// (重新生成, into the trail), printed or saved elsewhere.
class ClaimDialog final : public QDialog {
    Q_OBJECT

public:
    // Opens a file with the desktop's program; true when it could.
    using OpenFile = std::function<bool(const QString& path)>;

    ClaimDialog(const StoredClaim& claim, std::unique_ptr<ClaimStore> store, QString companyDir,
                QWidget* parent = nullptr);
    ~ClaimDialog() override;

    void setOpenFile(OpenFile open) { openFile_ = std::move(open); }

    void openSheet();   // 打开报销单: the kept sheet, written first when it is missing
    bool writeAgain();  // 重新生成
    void print();       // 打印…
    void saveCopy();    // 另存为…

    QTableWidget* Grid_invoices;
    QLabel* Label_head;
    QLabel* Label_total;
    QPushButton* Button_open;
    QPushButton* Button_again;
    QPushButton* Button_print;
    QPushButton* Button_save;

private:
    // The kept sheet, written when it is not there yet.
    claimsheet::Kept kept();
    void show(const claimsheet::Kept& kept);

    StoredClaim claim_;
    std::unique_ptr<ClaimStore> store_;
    QString companyDir_;
    OpenFile openFile_;
};
