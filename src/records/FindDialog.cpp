#include "records/FindDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include "records/RecordsGrid.h"
#include "records/RecordsModel.h"

namespace {

// The grid's visible columns as the walk sees them.
class GridTarget final : public findwalk::Target {
public:
    GridTarget(const QAbstractItemModel* model, const QList<int>& columns)
        : model_(model), columns_(columns) {}
    int rowCount() const override { return model_->rowCount(); }
    int columnCount() const override { return int(columns_.size()); }
    QString text(int row, int column, bool formatted) const override {
        return model_
            ->data(model_->index(row, columns_[column]),
                   formatted ? Qt::DisplayRole : records::RecordsModel::RawTextRole)
            .toString();
    }

private:
    const QAbstractItemModel* model_;
    const QList<int>& columns_;
};

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

FindDialog::FindDialog(RecordsGrid* grid, QWidget* parent)
    : QDialog(parent), grid_(grid), columns_(grid->visibleColumns()) {
    setWindowTitle(QStringLiteral("查找字符"));
    setModal(true);

    text_ = new QComboBox(this);
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);
    text_->addItems(findwalk::history());
    text_->setCurrentIndex(-1);
    text_->setEditText(QString());

    scope_ = new QComboBox(this);
    scope_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const QAbstractItemModel* model = grid->model();
    for (int logical : columns_) {
        scope_->addItem(model->headerData(logical, Qt::Horizontal).toString());
    }
    scope_->addItem(QStringLiteral("<All>"));
    const qsizetype current = columns_.indexOf(grid->currentIndex().column());
    scope_->setCurrentIndex(current >= 0 ? int(current) : 0);

    match_ = new QComboBox(this);
    match_->addItems({QStringLiteral("字符串的任意位置"), QStringLiteral("整个字符串"),
                      QStringLiteral("字符串的头位置")});
    match_->setCurrentIndex(-1);

    direction_ = new QComboBox(this);
    direction_->addItems({QStringLiteral("向上"), QStringLiteral("向下"), QStringLiteral("全部")});
    direction_->setCurrentIndex(-1);

    ignoreCase_ = new QCheckBox(QStringLiteral("忽略大小写&C"), this);
    ignoreFormat_ = new QCheckBox(QStringLiteral("忽略格式&o"), this);
    ignoreFormat_->setChecked(true);

    findNext_ = new QPushButton(QStringLiteral("下一个&F"), this);
    findNext_->setDefault(true);
    findNext_->setAutoDefault(true);
    close_ = new QPushButton(QStringLiteral("关闭"), this);
    close_->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(buddyLabel(QStringLiteral("查找内容&n"), text_, this), 0, 0);
    fields->addWidget(text_, 0, 1, 1, 3);
    fields->addWidget(buddyLabel(QStringLiteral("查找范围&i"), scope_, this), 1, 0);
    fields->addWidget(scope_, 1, 1);
    fields->addWidget(buddyLabel(QStringLiteral("大小写&h"), match_, this), 1, 2);
    fields->addWidget(match_, 1, 3);
    fields->addWidget(buddyLabel(QStringLiteral("查找&r"), direction_, this), 2, 0);
    fields->addWidget(direction_, 2, 1);
    fields->addWidget(ignoreCase_, 2, 2);
    fields->addWidget(ignoreFormat_, 2, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext_);
    buttons->addWidget(close_);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    const auto changed = [this] { continuing_ = false; };
    connect(text_, &QComboBox::editTextChanged, this, changed);
    connect(scope_, &QComboBox::currentIndexChanged, this, changed);
    connect(direction_, &QComboBox::currentIndexChanged, this, changed);
    connect(findNext_, &QPushButton::clicked, this,
            [this] { findNext(QApplication::keyboardModifiers().testFlag(Qt::ControlModifier)); });
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
}

void FindDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

bool FindDialog::findNext(bool ctrlHeld) {
    const QString text = text_->currentText();
    {
        // Putting the text into the list is no change of the search.
        const QSignalBlocker quiet(text_);
        if (text_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0) {
            text_->addItem(text);
        }
        text_->setEditText(text);
    }
    findwalk::remember(text);

    findwalk::Search search;
    search.text = text;
    if (scope_->currentIndex() >= 0 && scope_->currentIndex() < columns_.size()) {
        search.column = scope_->currentIndex();
    }
    search.match = match_->currentIndex() < 0 ? findwalk::Match::Anywhere
                                              : findwalk::Match(match_->currentIndex());
    search.ignoreCase = ignoreCase_->isChecked();
    search.ignoreFormat = ignoreFormat_->isChecked();
    const findwalk::Direction chosen = direction_->currentIndex() < 0
                                           ? findwalk::Direction::All
                                           : findwalk::Direction(direction_->currentIndex());
    const findwalk::Walk walk = findwalk::walkFor(chosen, ctrlHeld, continuing_);

    const QModelIndex current = grid_->currentIndex();
    findwalk::Cell from{
        current.isValid() ? current.row() : -1,
        current.isValid() ? int(std::max<qsizetype>(0, columns_.indexOf(current.column()))) : 0};
    const GridTarget target(grid_->model(), columns_);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<findwalk::Cell> found = findwalk::find(target, search, walk, from);
    QApplication::restoreOverrideCursor();

    continuing_ = found.has_value();
    if (found) {
        const QModelIndex index = grid_->model()->index(found->row, columns_[found->column]);
        grid_->setCurrentIndex(index);
        grid_->scrollTo(index);
    }
    return continuing_;
}
