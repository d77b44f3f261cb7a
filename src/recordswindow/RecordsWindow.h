#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

#include "records/RecordQuery.h"
#include "records/RecordStore.h"

class ProgressWindow;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class RecordsExportGrid;
class RecordsGrid;
namespace exportgrid {
class Grid;
}
namespace audit {
class RecordActions;
}
namespace records {
class RecordsModel;
}

// 发票报销记录: the records window. It holds one connection to the invoice database while it
// exists; it opens on today's invoices, newest first, and searches by the checked criteria.
// A click on a 报销人 cell corrects that invoice's reimburser.
class RecordsWindow : public QDialog {
    Q_OBJECT
public:
    // Throws AppError when the database cannot be opened or the opening query fails; the
    // window is then never shown.
    explicit RecordsWindow(QWidget* owner);
    ~RecordsWindow() override;

    exportgrid::Grid& exportGrid();
    records::RecordsModel* model() const { return model_.get(); }

    // The criteria as the controls hold them.
    records::SearchForm searchForm() const;

    QGroupBox* GroupBox1;
    QCheckBox* CheckBox_fpdm;
    QLineEdit* Edit_fpdm;
    QCheckBox* CheckBox_fphm;
    QLineEdit* Edit_fphm;
    QCheckBox* CheckBox_bxr;
    QLineEdit* Edit_bxr;
    QCheckBox* CheckBox_bxsj;
    QDateEdit* Date_bxsj_start;
    QDateEdit* Date_bxsj_end;
    QCheckBox* CheckBox_kprq;
    QDateEdit* Date_kprq_start;
    QDateEdit* Date_kprq_end;
    QCheckBox* CheckBox_hxts;  // 核销提示
    QCheckBox* CheckBox_bxdh;  // 报销单号
    QLineEdit* Edit_bxdh;
    QLineEdit* Edit_hxts;
    QPushButton* searchButton;
    QPushButton* resetButton;
    QPushButton* exportButton;
    QPushButton* importButton;
    QPushButton* backupButton;
    QPushButton* statisticsButton;  // 统计
    QPushButton* trailButton;       // 操作记录
    RecordsGrid* DBGridEh1;
    QLabel* Label1;

public slots:
    // Errors of the database reach the top-level error display; the window goes on.
    void searchButtonClick();
    void resetButtonClick();
    void exportButtonClick();
    void importButtonClick();
    void CheckBox_fpdmClick();
    void CheckBox_fphmClick();
    void CheckBox_bxrClick();
    void CheckBox_bxsjClick();
    void CheckBox_kprqClick();
    void DBGridEh1CellClick(const QModelIndex& index);
    void openFindDialog();
    void statisticsButtonClick();
    void trailButtonClick();
    void backupButtonClick();
    // Opens the kept original file of the row's invoice with the desktop's viewer.
    void openOriginal(int row);
    // 查看报销单: the claim the row's invoice joined, in its dialog.
    void showClaim(int row);

public:
    // How a file is opened with the desktop's viewer (tests look instead); true when it opened.
    void setFileOpener(std::function<bool(const QString& path)> opener) {
        openFile_ = std::move(opener);
    }

private:
    void buildControls();
    void runQuery(const records::QuerySpec& spec);
    // A sort in the background: said at once, shown with a cancel after a second.
    void searchStarted();
    void showSortProgress();
    void resultShown();
    void showTotal();
    void hint(const QString& text, bool information = false);
    void showRowMenu(const QPoint& position);
    // After an undo: the same search again, at about the same row.
    void readAgain(int row);

    std::unique_ptr<records::RecordConnection> connection_;  // the file, or the server's registry
    std::unique_ptr<records::RecordsModel> model_;
    std::unique_ptr<RecordsExportGrid> exportGrid_;
    std::function<bool(const QString& path)> openFile_;
    audit::RecordActions* recordActions_ = nullptr;
    QTimer sortProgressDelay_;
    std::unique_ptr<ProgressWindow> sortProgress_;

public:
    static constexpr int kSortProgressDelayMs = 1000;
};
