#pragma once

#include <QObject>
#include <QString>
#include <functional>

class KeyboardHook;
class QComboBox;
class QWidget;

// The reimbursers of bxr.txt in the two pick lists (ComboBox1 on the scan panel, ComboBox2 on
// the manual panel), the current reimburser they set, and the adding of a name. Both lists hold
// the same names in the same order; their selections are independent.
class ReimburserList final : public QObject {
    Q_OBJECT

public:
    // Asks for a new name; empty when none was given. By default the add dialog, run modally.
    using AskName = std::function<QString(QWidget* owner)>;

    ReimburserList(QComboBox* scanList, QComboBox* manualList, QString filePath, KeyboardHook& hook,
                   QObject* parent = nullptr);

    void setAskName(AskName ask) { askName_ = std::move(ask); }

    // Fills both lists from the file, selects the last name and makes it current.
    void load();

    // Selects the current reimburser in ComboBox2 (1) or ComboBox1 (2) when the list has it.
    void selectCurrent(int which);

    // The name the next invoice is recorded under; empty until one is chosen.
    const QString& current() const { return current_; }
    void setCurrent(const QString& name) { current_ = name; }

    void ComboBox1Change();
    void ComboBox2Change();
    // Adds a name from the scan panel, with the keyboard unhooked while the dialog is open.
    void Label6Click();
    // Adds a name from the manual panel.
    void Label7Click();

private:
    void add(QComboBox* panelList, QComboBox* otherList);

    QComboBox* scanList_;
    QComboBox* manualList_;
    QString filePath_;
    KeyboardHook& hook_;
    AskName askName_;
    QString current_;
};
