#include "recordswindow/FindDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>

#include "base/LongTask.h"
#include "records/RecordsModel.h"
#include "records/StoreFind.h"
#include "recordswindow/RecordsGrid.h"

namespace {

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

    progress_ = new QProgressBar(this);
    progress_->setFormat(QStringLiteral("%v / %m"));
    // Its place is kept while it is hidden, so that the dialog keeps its size.
    QSizePolicy keepPlace = progress_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    progress_->setSizePolicy(keepPlace);
    progress_->hide();
    progressTimer_.setSingleShot(true);
    connect(&progressTimer_, &QTimer::timeout, this, &FindDialog::showProgress);

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
    fields->addWidget(progress_, 3, 0, 1, 4);
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
    auto* model = qobject_cast<records::RecordsModel*>(grid_->model());
    if (walking_ || model == nullptr) {
        return false;
    }
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

    auto request = std::make_shared<records::FindRequest>();
    request->store = model->source().connection().address();
    request->columns = columns_;
    findwalk::Search& search = request->search;
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
    request->walk = findwalk::walkFor(chosen, ctrlHeld, continuing_);
    const QModelIndex current = grid_->currentIndex();
    request->current = findwalk::Cell{
        current.isValid() ? current.row() : -1,
        current.isValid() ? int(std::max<qsizetype>(0, columns_.indexOf(current.column()))) : 0};

    records::RecordSource& source = model->source();
    auto found = std::make_shared<std::optional<findwalk::Cell>>();
    LongTask walk(
        // The walk needs every key of the result; those still unread are read here, in slices.
        [&source, request](TaskControl&) {
            if (!source.fetchKeysFor(20)) {
                return false;
            }
            request->spec = source.spec();
            request->keys = source.keys();
            return true;
        },
        [request, found](TaskControl& control) {
            *found = records::findInStore(*request, control);
        });
    connect(&walk, &LongTask::progressed, this, [this, &walk] {
        progress_->setRange(0, int(std::min<qint64>(walk.control().total(), INT_MAX)));
        progress_->setValue(int(std::min<qint64>(walk.control().done(), INT_MAX)));
    });
    walk_ = &walk;
    setWalking(true);
    const auto finished = qScopeGuard([this] {
        walk_ = nullptr;
        setWalking(false);
    });
    walk.start();
    const bool completed = walk.wait() == LongTask::Outcome::Finished;

    continuing_ = completed && found->has_value();
    if (continuing_) {
        const QModelIndex index = model->index((*found)->row, columns_[(*found)->column]);
        grid_->setCurrentIndex(index);
        grid_->scrollTo(index);
    }
    return continuing_;
}

void FindDialog::setWalking(bool walking) {
    walking_ = walking;
    if (walking) {
        focusBeforeWalk_ = focusWidget();
    }
    for (QWidget* input : std::initializer_list<QWidget*>{text_, scope_, match_, direction_,
                                                          ignoreCase_, ignoreFormat_, findNext_}) {
        input->setEnabled(!walking);
    }
    if (walking) {
        if (progressDelay_ <= 0) {
            showProgress();
        } else {
            progressTimer_.start(progressDelay_);
        }
    } else {
        progressTimer_.stop();
        progress_->hide();
        progress_->reset();
        if (focusBeforeWalk_ != nullptr) {
            focusBeforeWalk_->setFocus();
        }
    }
}

void FindDialog::showProgress() {
    if (walking_) {
        progress_->setRange(0, 0);  // moving until the walk has counted its rows
        progress_->show();
    }
}

void FindDialog::reject() {
    if (walk_ != nullptr) {
        walk_->cancel();
    }
    QDialog::reject();
}
