#include "records/RecordsGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "records/RecordColumns.h"

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
    resetColumns();
}

void RecordsGrid::resetColumns() {
    QHeaderView* header = horizontalHeader();
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

void RecordsGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::ControlModifier) {
        emit findRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
