#pragma once

#include <QDialog>
#include <QList>

#include "import/ImportFailures.h"

class QPushButton;
class QTableWidget;

// 导入失败明细: the rows of an import that were not registered, with why, and their saving as a
// .csv file.
class ImportFailuresDialog final : public QDialog {
    Q_OBJECT
public:
    ImportFailuresDialog(QWidget* owner, QList<ImportFailure> failures);

    QTableWidget* table = nullptr;
    QPushButton* saveButton = nullptr;   // 保存为CSV…
    QPushButton* closeButton = nullptr;  // 关闭

public slots:
    void saveButtonClick();

private:
    QList<ImportFailure> failures_;
};
