#include "station/clsUniformTableView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

// Moves bar the least so that the stretch of the viewport from start (viewport pixels,
// length long) comes into the page; a stretch longer than the page shows its start.
void bringIntoPage(QScrollBar* bar, int start, int length, int page) {
    if (start < 0 || length > page) {
        bar->setValue(bar->value() + start);
    } else if (start + length > page) {
        bar->setValue(bar->value() + start + length - page);
    }
}

} // namespace

clsUniformTableView::clsUniformTableView(QWidget* parent) : QTableView(parent) {
    // Scrolling by rows would place the view by adding up row heights again; columns scroll
    // by pixels as well, since scrollTo counts in pixels.
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    QHeaderView* rows = verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);

    m_repaintInterval.setSingleShot(true);
    m_repaintInterval.setTimerType(Qt::PreciseTimer);
    m_repaintInterval.setInterval(RepaintInterval);
    connect(&m_repaintInterval, &QTimer::timeout, this, &clsUniformTableView::EndRepaintInterval);
}

void clsUniformTableView::setSelectionModel(QItemSelectionModel* selectionModel) {
    QTableView::setSelectionModel(selectionModel);
    // The hidden row header would look up the current row's position on every change.
    disconnect(selectionModel, nullptr, verticalHeader(), nullptr);
}

QRect clsUniformTableView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        isColumnHidden(index.column())) {
        return {};
    }
    const int rowHeight = verticalHeader()->defaultSectionSize();
    const int grid = showGrid() ? 1 : 0;
    return QRect(columnViewportPosition(index.column()), index.row() * rowHeight - verticalOffset(),
                 columnWidth(index.column()) - grid, rowHeight - grid);
}

void clsUniformTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    executeDelayedItemsLayout(); // rows added since the last layout count in the scroll range
    const QRect cell = visualRect(index);
    if (hint != EnsureVisible || cell.isNull()) {
        QTableView::scrollTo(index, hint);
        return;
    }
    bringIntoPage(verticalScrollBar(), cell.top(), cell.height(), viewport()->height());
    bringIntoPage(horizontalScrollBar(), cell.left(), cell.width(), viewport()->width());
    update(index);
}

QRegion clsUniformTableView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        region += visualRect(range.topLeft()).united(visualRect(range.bottomRight()));
    }
    return region;
}

clsUniformTableView::LayoutBasis clsUniformTableView::CurrentBasis() const {
    return {viewport()->size(), horizontalHeader()->length(),
            horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sizeHint().height(),
            verticalScrollBar()->isVisible()};
}

// A list that grows while it scrolls already keeps its headers, margins and scroll bars;
// only the scroll range lengthens.
void clsUniformTableView::updateGeometries() {
    const int length = verticalHeader()->length();
    const LayoutBasis basis = CurrentBasis();
    if (basis.Scrolling && basis == m_laidOut && length >= m_laidOutLength) {
        // The scroll area hears of a new range only to show or hide the scroll bar, which
        // stays shown while the range grows; its answer would lay out the children again.
        const QSignalBlocker quiet(verticalScrollBar());
        verticalScrollBar()->setRange(0, length - basis.Viewport.height());
    } else {
        QTableView::updateGeometries();
        m_laidOut = CurrentBasis();
    }
    m_laidOutLength = length;
}

void clsUniformTableView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QTableView::rowsInserted(parent, start, end);
    HoldRepaints();
    ReleaseAccessibleCells(end - start + 1);
}

// The accessible table drops every cell object it holds when told its model was reset; the
// model itself and the view's selection stay as they are.
void clsUniformTableView::ReleaseAccessibleCells(int appendedRows) {
    m_rowsSinceRelease += appendedRows;
    if (m_rowsSinceRelease < AccessibleReleaseRows || !QAccessible::isActive()) {
        return;
    }
    m_rowsSinceRelease = 0;
    QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
}

// The selection and the scrolling that follow a new row fall within the same hold.
void clsUniformTableView::HoldRepaints() {
    if (!m_repaintInterval.isActive()) {
        m_repaintInterval.start();
    } else if (!m_holdingRepaints) {
        m_holdingRepaints = true;
        setUpdatesEnabled(false);
    }
}

void clsUniformTableView::EndRepaintInterval() {
    if (m_holdingRepaints) {
        m_holdingRepaints = false;
        setUpdatesEnabled(true); // paints everything held back, once
        m_repaintInterval.start();
    }
}
