#include "mainwindow/AddReimburserDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "prompts/Prompts.h"
#include "reimbursers/ReimburserFile.h"

AddReimburserDialog::AddReimburserDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("添加报销人"));
    setFixedSize(249, 138);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    Label1 = new QLabel(QStringLiteral("报销人："), this);
    Label1->setGeometry(30, 35, 56, 20);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(88, 34, 130, 21);
    Button1 = new QPushButton(QStringLiteral("确定"), this);
    Button1->setGeometry(40, 88, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("取消"), this);
    Button2->setGeometry(134, 88, 75, 25);
    Button2->setAutoDefault(false);

    connect(Button1, &QPushButton::clicked, this, &AddReimburserDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &AddReimburserDialog::Button2Click);
}

void AddReimburserDialog::Button1Click() {
    const QString name = Edit1->text();
    const QString problem = reimburserfile::nameProblem(name);
    if (!problem.isEmpty()) {
        appprompts::get().message(this, QStringLiteral("提示"), problem, MsgIcon::None);
        return;
    }
    enteredName_ = name;
    accepted_ = 1;
    accept();
}

void AddReimburserDialog::Button2Click() {
    enteredName_.clear();
    reject();
}

QString AddReimburserDialog::ask(QWidget* owner) {
    AddReimburserDialog form(owner);
    form.exec();
    return form.acceptedFlag() == 1 ? form.enteredName() : QString();
}
