#pragma once

#include <QTableView>
#include <QTimer>

// A table view for long lists whose rows are all one line high, never hidden and never
// spanned. It finds a row's place by arithmetic: the plain table view adds up the heights
// of every row before it selects or scrolls to one, so that each appended row would cost
// time in proportion to the length of the list. Rows appended to a list that already
// scrolls only lengthen its scroll range: the full layout of headers, margins and scroll
// bars runs when anything else has changed.
//
// Rows that stream in (fifty fixes a second from a fast receiver, thousands from a fetch)
// are painted at most once per RepaintInterval: the first change paints at once, later
// ones within the interval are painted together at its end.
//
// Under a screen reader every appended row is announced as it is selected, and the
// announcement leaves an accessible object for the row's cell that lives as long as the
// list; each inserted row then renumbers all of them, so that a row would cost time in
// proportion to the rows announced before it. The view lets all those cells go once
// AccessibleReleaseRows rows were appended since the last time: a reader asks again for a
// cell it still wants, and is given a new object for it.
class clsUniformTableView : public QTableView {
    Q_OBJECT

public:
    static constexpr int RepaintInterval = 100;   // milliseconds
    static constexpr int AccessibleReleaseRows = 512;

    explicit clsUniformTableView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

protected:
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void updateGeometries() override;

private:
    // What the full layout depends on besides the number of rows.
    struct LayoutBasis {
        QSize Viewport;
        int ColumnsLength = 0; // pixels
        int HeaderHeight = 0;  // pixels
        bool Scrolling = false;

        bool operator==(const LayoutBasis&) const = default;
    };
    LayoutBasis CurrentBasis() const;
    void HoldRepaints();
    void EndRepaintInterval();
    void ReleaseAccessibleCells(int appendedRows);

    LayoutBasis m_laidOut;
    int m_laidOutLength = 0; // pixels, all rows
    QTimer m_repaintInterval;
    bool m_holdingRepaints = false;
    int m_rowsSinceRelease = 0; // appended since the accessible cells were last let go
};
