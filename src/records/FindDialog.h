#pragma once

#include <QDialog>

#include "records/FindWalk.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class RecordsGrid;

// "查找字符": the records grid's own find dialog. Each press of "下一个&F" (or Enter) walks the
// grid from its current cell and makes the first matching cell current; it never wraps.
class FindDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(RecordsGrid* grid, QWidget* parent = nullptr);

    QComboBox* textBox() const { return text_; }
    QComboBox* scopeBox() const { return scope_; }  // column titles in display order, "<All>"
    QComboBox* matchBox() const { return match_; }
    QComboBox* directionBox() const { return direction_; }
    QCheckBox* ignoreCaseBox() const { return ignoreCase_; }
    QCheckBox* ignoreFormatBox() const { return ignoreFormat_; }
    QPushButton* findNextButton() const { return findNext_; }
    QPushButton* closeButton() const { return close_; }

    // One press; true when a match was found.
    bool findNext(bool ctrlHeld);

protected:
    void showEvent(QShowEvent* event) override;

private:
    RecordsGrid* grid_;
    QList<int> columns_;  // the grid's visible columns when the dialog opened, display order
    QComboBox* text_;
    QComboBox* scope_;
    QComboBox* match_;
    QComboBox* direction_;
    QCheckBox* ignoreCase_;
    QCheckBox* ignoreFormat_;
    QPushButton* findNext_;
    QPushButton* close_;
    bool continuing_ = false;  // the previous press found a match and nothing changed since
};
