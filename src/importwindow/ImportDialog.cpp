#include "importwindow/ImportDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include "base/Clock.h"
#include "base/Paths.h"
#include "claimsheet/KeptSheet.h"
#include "import/ImportWorker.h"
#include "importwindow/ImportFailuresDialog.h"
#include "prompts/Prompts.h"

namespace {

// The templates shipped beside the executable, in the order of the save dialog's types.
struct TemplateType {
    FileFilter filter;
    const char16_t* file;
};

const TemplateType kTemplates[] = {
    {{QStringLiteral("Excel工作簿(*.xls)"), QStringLiteral("*.xls")}, u"模板.xls"},
    {{QStringLiteral("Excel 2007工作簿(*.xlsx)"), QStringLiteral("*.xlsx")}, u"模板.xlsx"},
};

QList<FileFilter> templateFilters() {
    QList<FileFilter> filters;
    for (const TemplateType& type : kTemplates) {
        filters << type.filter;
    }
    return filters;
}

// What 浏览 offers: both kinds of workbook, then each alone.
QList<FileFilter> workbookFilters() {
    return {{QStringLiteral("Excel工作簿(*.xls *.xlsx)"), QStringLiteral("*.xls *.xlsx")},
            kTemplates[0].filter,
            kTemplates[1].filter};
}

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

}  // namespace

ImportDialog::ImportDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("导入Excel数据"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(383, 182);

    Label2 = label(this, QStringLiteral("请选择需要导入的Excel表"), QRect(24, 20, 220, 20));
    Label1 = label(this, QStringLiteral("下载模板"), QRect(300, 20, 60, 20));
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont link = Label1->font();
    link.setUnderline(true);
    Label1->setFont(link);
    QPalette linkPalette = Label1->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Highlight));
    Label1->setPalette(linkPalette);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);

    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(24, 50, 260, 24);
    Button1 = new QPushButton(QStringLiteral("浏览"), this);
    Button1->setGeometry(294, 49, 66, 26);

    loadLabel = label(this, QStringLiteral("正在导入，请耐心等待。。。"), QRect(24, 88, 240, 20));
    QPalette red = loadLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    loadLabel->setPalette(red);
    loadLabel->hide();

    Label_1 = label(this, QStringLiteral("共"), QRect(24, 114, 16, 20));
    Label_count = label(this, QStringLiteral("0"), QRect(42, 114, 60, 20));
    Label_count->setAlignment(Qt::AlignCenter);
    Label_2 = label(this, QStringLiteral("条"), QRect(104, 114, 16, 20));

    CheckBox_claim = new QCheckBox(QStringLiteral("新建报销单"), this);
    CheckBox_claim->setObjectName(QStringLiteral("CheckBox_claim"));
    CheckBox_claim->setGeometry(250, 114, 110, 20);
    CheckBox_claim->setToolTip(
        QStringLiteral("本次导入的发票归入一张新的报销单，导入结束时生成报销单"));

    Button2 = new QPushButton(QStringLiteral("导入"), this);
    Button2->setGeometry(154, 142, 75, 26);
    Button2->setAutoDefault(false);
    Button1->setAutoDefault(false);

    connect(Button1, &QPushButton::clicked, this, &ImportDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &ImportDialog::Button2Click);
}

ImportDialog::~ImportDialog() {
    if (worker_ && worker_->isRunning()) {
        // Going away under a running import (the program ends): stop it after its current row,
        // serving its calls to this thread until it has ended.
        detached_ = true;
        worker_->requestInterruption();
        while (!worker_->wait(10)) {
            QCoreApplication::processEvents();
        }
    }
}

bool ImportDialog::RunImport() {
    return ::RunImport(*this);
}

bool ImportDialog::isImporting() const {
    return worker_ && !worker_->isFinished();
}

void ImportDialog::Label1Click() {
    FileDialogRequest request;
    request.owner = this;
    request.caption = QStringLiteral("另存为");
    request.proposedName =
        appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral("_模板.xls");
    request.filters = templateFilters();
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen) {
        return;
    }
    const int type = qBound(1, chosen->filterIndex, int(std::size(kTemplates))) - 1;
    const QString source = joinPath(GetExeDir(), QString::fromUtf16(kTemplates[type].file));
    // Only the folder is used: the copy keeps the template's own name.
    const qsizetype cut = chosen->path.lastIndexOf(u'/');
    const QString folder = cut > 0 ? chosen->path.left(cut) : QStringLiteral("/");
    const int rc = CopyFileTo(source, folder + u'/');
    appprompts::get().message(
        this, QStringLiteral("提示"),
        rc == 0 ? QStringLiteral("模板下载完成！") : QStringLiteral("模板下载失败！"),
        MsgIcon::Information);
}

void ImportDialog::Button1Click() {
    FileDialogRequest request;
    request.owner = this;
    request.caption = QStringLiteral("打开");
    request.filters = workbookFilters();
    const std::optional<FileDialogResult> chosen = appprompts::get().openFile(request);
    if (chosen) {
        Edit1->setText(chosen->path);
    }
}

void ImportDialog::Button2Click() {
    if (isImporting()) {
        return;
    }
    if (worker_) {
        worker_->wait();  // finished: only its end is left
    }
    closingOnDone_ = false;
    if (CheckBox_claim->isChecked()) {
        claim_ = claimsheet::openBatchClaim(this, *openClaimStore(), QString());
        if (claim_.isEmpty()) {
            return;
        }
    }
    worker_ = std::make_unique<ImportWorker>(this, [this] { return RunImport(); });
    connect(worker_.get(), &QThread::finished, this, &ImportDialog::finishClaim);
    worker_->start();
}

bool ImportDialog::mayClose() const {
    return closingOnDone_ || !isImporting();
}

void ImportDialog::reject() {
    if (mayClose()) {
        QDialog::reject();
    }
}

void ImportDialog::closeEvent(QCloseEvent* event) {
    if (mayClose()) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

bool ImportDialog::event(QEvent* event) {
    if (event->type() == kImportDoneEvent) {
        finishClaim();
        closingOnDone_ = true;
        done(QDialog::Accepted);
        return true;
    }
    return QDialog::event(event);
}

bool ImportDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        Label1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ImportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the main window, the outermost window above the owner.
    QWidget* main = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    while (main != nullptr && main->parentWidget() != nullptr) {
        main = main->parentWidget()->window();
    }
    if (main != nullptr) {
        move(main->frameGeometry().center() - rect().center());
    }
}

template <typename Work>
void ImportDialog::onUiThread(Work&& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, &work] {
            if (!detached_) {
                work();
            }
        },
        Qt::BlockingQueuedConnection);
}

QString ImportDialog::pathText() {
    QString text;
    onUiThread([&] { text = Edit1->text(); });
    return text;
}

void ImportDialog::setLoading(bool visible) {
    onUiThread([&] { loadLabel->setVisible(visible); });
}

void ImportDialog::showProcessed(qint64 count) {
    onUiThread([&] { Label_count->setText(QString::number(count)); });
}

void ImportDialog::tell(const QString& text) {
    // The prompts show their boxes on the UI thread themselves.
    appprompts::get().message(detached_ ? nullptr : this, QStringLiteral("提示"), text,
                              MsgIcon::Information);
}

void ImportDialog::tellSummary(const QString& text, const QList<ImportFailure>& failures) {
    if (failures.isEmpty()) {
        tell(text);
        return;
    }
    const MsgAnswer answer = appprompts::get().message(
        detached_ ? nullptr : this, QStringLiteral("提示"), text, MsgIcon::Information,
        MsgButtons::OkDetails, importfailures::kDetailsCaption);
    if (answer == MsgAnswer::Details) {
        onUiThread([&] {
            ImportFailuresDialog details(this, failures);
            details.exec();
        });
    }
}

void ImportDialog::finishClaim() {
    if (claim_.isEmpty() || detached_) {
        return;
    }
    const QString number = std::exchange(claim_, QString());
    claimsheet::closeBatchClaim(this, *openClaimStore(), number, CompanyDir());
}

void ImportDialog::showException(const QString& detail) {
    appprompts::get().message(nullptr, QStringLiteral("出现异常"), detail, MsgIcon::Information);
}
