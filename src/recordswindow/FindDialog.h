#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "records/FindWalk.h"

class LongTask;
class QCheckBox;
class QComboBox;
class QProgressBar;
class QPushButton;
class RecordsGrid;

// "查找字符": the records grid's own find dialog. Each press of "下一个&F" (or Enter) walks the
// grid from its current cell and makes the first matching cell current; it never wraps. The walk
// reads the result on a thread of its own: the window goes on answering, a walk that lasts shows
// its progress, and "关闭" or Esc stops it with the grid where it was.
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

    QProgressBar* progressBar() const { return progress_; }

    // One press; true when a match was found. Returns once the walk has ended, the event loop
    // running meanwhile.
    bool findNext(bool ctrlHeld);
    bool walking() const { return walking_; }

    // A walk shows its progress once it has lasted this long.
    static constexpr int kProgressDelayMs = 300;
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }

    void reject() override;  // also stops a walk

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setWalking(bool walking);
    void showProgress();
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
    QProgressBar* progress_;
    bool continuing_ = false;  // the previous press found a match and nothing changed since
    bool walking_ = false;
    int progressDelay_ = kProgressDelayMs;
    QTimer progressTimer_;
    LongTask* walk_ = nullptr;  // the walk of the press under way
    QPointer<QWidget> focusBeforeWalk_;
};
