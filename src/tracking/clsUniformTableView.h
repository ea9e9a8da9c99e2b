#pragma once

#include <QElapsedTimer>
#include <QTableView>

// A table view for long lists whose rows are all one line high, never hidden and never
// spanned. It finds a row's place by arithmetic: the plain table view adds up the heights
// of every row before it selects or scrolls to one, so that each appended row would cost
// time in proportion to the length of the list.
class clsUniformTableView : public QTableView {
    Q_OBJECT

public:
    explicit clsUniformTableView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

protected:
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    // Rows that come quicker than this are shown together: the list repaints at most once
    // in this time however fast a receiver sends.
    static constexpr int RepaintMilliseconds = 100;

    QElapsedTimer m_shown;
    bool m_holding = false;
};
