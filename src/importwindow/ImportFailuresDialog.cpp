#include "importwindow/ImportFailuresDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/Clock.h"
#include "invoice/InvoiceColumns.h"
#include "prompts/Prompts.h"

ImportFailuresDialog::ImportFailuresDialog(QWidget* owner, QList<ImportFailure> failures)
    : QDialog(owner), failures_(std::move(failures)) {
    setWindowTitle(QStringLiteral("导入失败明细"));
    resize(640, 360);
    table = new QTableWidget(int(failures_.size()), 4, this);
    table->setHorizontalHeaderLabels({QStringLiteral("行号"), title(invoicecolumns::kCode),
                                      title(invoicecolumns::kNumber), QStringLiteral("原因")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < failures_.size(); ++r) {
        const ImportFailure& f = failures_[r];
        const QStringList cells{QString::number(f.row), f.code, f.number, f.reason};
        for (int c = 0; c < cells.size(); ++c) {
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
    }
    table->resizeColumnsToContents();

    saveButton = new QPushButton(QStringLiteral("保存为CSV…"), this);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &ImportFailuresDialog::saveButtonClick);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

void ImportFailuresDialog::saveButtonClick() {
    FileDialogRequest request;
    request.owner = this;
    request.caption = QStringLiteral("另存为");
    request.proposedName = QStringLiteral("导入失败明细_") +
                           appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) +
                           QStringLiteral(".csv");
    request.filters = {{QStringLiteral("CSV文件(*.csv)"), QStringLiteral("*.csv")}};
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen) {
        return;
    }
    QString path = chosen->path;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".csv");
    }
    QSaveFile file(path);
    const QByteArray bytes = importfailures::csv(failures_);
    const bool saved =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    appprompts::get().message(this, QStringLiteral("提示"),
                              saved ? QStringLiteral("保存成功！")
                                    : QStringLiteral("保存失败：%1").arg(file.errorString()),
                              saved ? MsgIcon::Information : MsgIcon::Warning);
}
