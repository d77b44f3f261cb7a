#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The add-reimburser dialog: takes one name of at most 8 GBK bytes.
class AddReimburserDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AddReimburserDialog(QWidget* owner);

    // The name taken by 确定; empty after 取消.
    const QString& enteredName() const { return enteredName_; }
    // 1 when a name was taken, 0 when the dialog was cancelled or closed.
    int acceptedFlag() const { return accepted_; }

    // Runs the dialog modally; the accepted name, or empty.
    static QString ask(QWidget* owner);

    void Button1Click();
    void Button2Click();

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    QString enteredName_;
    int accepted_ = 0;
};
