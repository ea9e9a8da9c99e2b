#include "tracking/clsUniformTableView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

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

void clsUniformTableView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QTableView::rowsInserted(parent, start, end);
    if (m_holding) {
        return;
    }
    if (m_shown.isValid() && m_shown.elapsed() < RepaintMilliseconds) {
        // Selection and scrolling go on meanwhile; the repaint shows where they ended.
        m_holding = true;
        setUpdatesEnabled(false);
        QTimer::singleShot(RepaintMilliseconds - m_shown.elapsed(), this, [this] {
            m_holding = false;
            setUpdatesEnabled(true);
            m_shown.start();
        });
        return;
    }
    m_shown.start();
}
