#include "recordswindow/RecordsGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include "prompts/ErrorDisplay.h"
#include "records/RecordColumns.h"
#include "records/RecordsModel.h"

namespace {

// The narrow column left of the rows with a triangle at the current record.
class RowIndicator final : public QHeaderView {
public:
    explicit RowIndicator(QTableView* view) : QHeaderView(Qt::Vertical, view), view_(view) {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setFixedWidth(12);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        // The style may leave a clip behind for the (empty) label.
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (view_->currentIndex().row() != logicalIndex) {
            return;
        }
        const int h = std::min(rect.height() - 6, 8);
        const QPointF centre = QRectF(rect).center();
        QPainterPath triangle;
        triangle.moveTo(centre.x() - h / 4.0, centre.y() - h / 2.0);
        triangle.lineTo(centre.x() + h / 4.0 + 1, centre.y());
        triangle.lineTo(centre.x() - h / 4.0, centre.y() + h / 2.0);
        triangle.closeSubpath();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(triangle, palette().color(QPalette::WindowText));
        painter->restore();
    }

private:
    QTableView* view_;
};

}  // namespace

RecordsGrid::RecordsGrid(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("DBGridEh1"));
    setFont(gridFont());
    setVerticalHeader(new RowIndicator(this));
    verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont()).height() + 6);
    horizontalHeader()->setFont(gridFont());
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);  // a cell too narrow clips its text
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicator(records::kReimbursedAt, Qt::DescendingOrder);
    horizontalHeader()->setSortIndicatorShown(true);
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            &RecordsGrid::sortChanged);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical) {
        if (sizingColumns_) {
            return;
        }
        if (logical == records::kReimbursedAt) {
            reimbursedAtSized_ = true;
        } else if (logical == records::kNumber) {
            numberSized_ = true;
        }
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &RecordsGrid::fitLater);
}

QFont RecordsGrid::gridFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    // Where the design's font is missing, faces of its metrics keep a 12-digit code inside the
    // designed 88 pixels.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans Condensed")});
    font.setPixelSize(11);
    return font;
}

void RecordsGrid::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    if (model == nullptr) {
        return;
    }
    // The indicator follows the current record.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, verticalHeader()->viewport(),
            [this] { verticalHeader()->viewport()->update(); });
    connect(model, &QAbstractItemModel::modelReset, this, &RecordsGrid::fitLater);
    if (auto* records = qobject_cast<records::RecordsModel*>(model)) {
        // A result opens on its first record, in the column the clerk was in.
        connect(records, &QAbstractItemModel::modelAboutToBeReset, this,
                [this] { openColumn_ = std::max(0, currentIndex().column()); });
        connect(records, &records::RecordsModel::resultShown, this, [this, records] {
            if (records->rowCount() > 0) {
                setCurrentIndex(records->index(0, openColumn_));
            }
        });
    }
    // The titles do not show the selection. Left with the grid's own, the header would ask for
    // every title painted whether all rows of its column are selected, row by row: with the
    // million rows an export selects, a paint took a fifth of a second.
    horizontalHeader()->setSelectionModel(new QItemSelectionModel(model, horizontalHeader()));
    resetColumns();
}

void RecordsGrid::resetColumns() {
    QHeaderView* header = horizontalHeader();
    const QScopedValueRollback<bool> sizing(sizingColumns_, true);
    reimbursedAtSized_ = false;
    numberSized_ = false;
    const int digit = QFontMetrics(gridFont()).horizontalAdvance(u'0');
    for (int logical = 0; logical < records::kColumnCount && logical < header->count(); ++logical) {
        const int visual = header->visualIndex(logical);
        if (visual != logical) {
            header->moveSection(visual, logical);
        }
        const int width = records::columns()[std::size_t(logical)].width;
        header->resizeSection(logical, width > 0 ? width : records::defaultColumnWidth(digit));
    }
}

QList<int> RecordsGrid::visibleColumns() const {
    QList<int> visible;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) {
            visible << logical;
        }
    }
    return visible;
}

void RecordsGrid::sortChanged(int logical, Qt::SortOrder order) {
    auto* records = qobject_cast<records::RecordsModel*>(model());
    const records::SortOrder sort{logical, order == Qt::DescendingOrder};
    if (records == nullptr || records->sortOrder() == sort) {
        return;
    }
    // Errors of the database reach the top-level error display; the grid is then empty. A sort
    // the engine takes long over goes on in the background (the window says so).
    runGuarded([&] { records->sortBy(sort); });
}

void RecordsGrid::fitLater() {
    QTimer::singleShot(0, this, &RecordsGrid::fitWideColumns);
}

void RecordsGrid::fitWideColumns() {
    const QAbstractItemModel* data = model();
    if (data == nullptr || data->rowCount() == 0) {
        return;
    }
    const int first = std::max(0, rowAt(0));
    const int inView = viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize());
    const int last = std::min(data->rowCount() - 1, first + inView + 1);
    const QFontMetrics metrics(font());
    // The cell draws its text inside a margin on either side, and the grid line takes a pixel.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    QHeaderView* header = horizontalHeader();
    for (const auto& [column, sized] : {std::pair{records::kNumber, numberSized_},
                                        std::pair{records::kReimbursedAt, reimbursedAtSized_}}) {
        if (sized) {
            continue;
        }
        int widest = 0;
        for (int row = first; row <= last; ++row) {
            const QString text = data->index(row, column).data().toString();
            widest = std::max(widest, metrics.horizontalAdvance(text));
        }
        const int needed = widest + 2 * margin + (showGrid() ? 1 : 0);
        if (needed > header->sectionSize(column)) {
            const QScopedValueRollback<bool> sizing(sizingColumns_, true);
            header->resizeSection(column, needed);
        }
    }
}

void RecordsGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitLater();
}

void RecordsGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::ControlModifier) {
        emit findRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
