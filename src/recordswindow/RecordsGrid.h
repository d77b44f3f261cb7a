#pragma once

#include <QTableView>

// The records grid DBGridEh1: whole-row selection, a row indicator, movable and resizable
// columns, no editing. Ctrl+F asks for the find dialog. A click on a column title sorts the rows
// by that column (the store sorts; a second click turns the order round); the grid opens on
// 报销时间 newest first.
class RecordsGrid final : public QTableView {
    Q_OBJECT
public:
    explicit RecordsGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // The grid's font: "MS Sans Serif", 11 pixels (8 points at 96 dpi), titles alike.
    static QFont gridFont();

    // Columns at their designed widths, in their designed order.
    void resetColumns();

    // The visible columns' model indexes in display order.
    QList<int> visibleColumns() const;

    // Widens 发票号码 and 报销时间 (never below their designed widths) to the longest of their
    // texts on the rows in view, so that a 20-digit number or a long time shows whole, unless
    // the user has sized the column. Runs again as other rows come into view.
    void fitWideColumns();

signals:
    void findRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitLater();
    void sortChanged(int logical, Qt::SortOrder order);

    bool sizingColumns_ = false;      // the grid itself is setting widths
    int openColumn_ = 0;              // where a new result opens
    bool numberSized_ = false;        // the user has sized 发票号码
    bool reimbursedAtSized_ = false;  // the user has sized 报销时间
};
