#include "mainwindow/ReimburserList.h"

#include <QComboBox>
#include <QStyledItemDelegate>

#include "mainwindow/AddReimburserDialog.h"
#include "prompts/ErrorDisplay.h"
#include "reimbursers/ReimburserFile.h"
#include "scanner/KeyboardHook.h"

namespace {

class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 15};
    }
};

int findExact(const QComboBox* list, const QString& name) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i) == name) {
            return i;
        }
    }
    return -1;
}

// A list without a selection would select its first item on its own.
void addKeepingSelection(QComboBox* list, const QString& name) {
    const int selected = list->currentIndex();
    list->addItem(name);
    list->setCurrentIndex(selected);
}

}  // namespace

ReimburserList::ReimburserList(QComboBox* scanList, QComboBox* manualList, QString filePath,
                               KeyboardHook& hook, QObject* parent)
    : QObject(parent),
      scanList_(scanList),
      manualList_(manualList),
      filePath_(std::move(filePath)),
      hook_(hook),
      askName_(&AddReimburserDialog::ask) {
    for (QComboBox* list : {scanList_, manualList_}) {
        list->setEditable(false);
        list->setItemDelegate(new FixedHeightDelegate(list));
    }
    // activated: the user's choice only, not a selection made by the program.
    connect(scanList_, &QComboBox::activated, this, &ReimburserList::ComboBox1Change);
    connect(manualList_, &QComboBox::activated, this, &ReimburserList::ComboBox2Change);
}

void ReimburserList::load() {
    for (const QString& name : reimburserfile::load(filePath_)) {
        addKeepingSelection(scanList_, name);
        addKeepingSelection(manualList_, name);
    }
    scanList_->setCurrentIndex(scanList_->count() - 1);
    manualList_->setCurrentIndex(manualList_->count() - 1);
    setCurrent(scanList_->currentText());
}

void ReimburserList::selectCurrent(int which) {
    QComboBox* list = which == 1 ? manualList_ : scanList_;
    const int index = findExact(list, current_);
    if (index >= 0) {
        list->setCurrentIndex(index);
    }
}

void ReimburserList::ComboBox1Change() {
    setCurrent(scanList_->currentText());
}

void ReimburserList::ComboBox2Change() {
    setCurrent(manualList_->currentText());
}

void ReimburserList::Label6Click() {
    hook_.unhook();
    runGuarded([this] { add(scanList_, manualList_); });
    hook_.hook();
}

void ReimburserList::Label7Click() {
    runGuarded([this] { add(manualList_, scanList_); });
}

void ReimburserList::add(QComboBox* panelList, QComboBox* otherList) {
    const QString name = askName_ ? askName_(panelList->window()) : QString();
    if (name.isEmpty()) {
        return;
    }
    const int existing = findExact(panelList, name);
    if (existing >= 0) {
        // The list shows the name the next invoices are recorded under.
        panelList->setCurrentIndex(existing);
        setCurrent(name);
        return;
    }
    // Written first: a name that could not be saved is not offered either.
    reimburserfile::append(filePath_, name);
    setCurrent(name);
    panelList->addItem(name);
    panelList->setCurrentIndex(panelList->count() - 1);
    addKeepingSelection(otherList, name);
}
