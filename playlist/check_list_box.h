#pragma once

#include <QListView>

namespace playlist {

class CheckList;

// The view of a CheckList: one row per item with its check box, several items selectable with
// the usual Shift and Ctrl extension. The list's selection states and the view's selection are
// kept equal both ways, so code that works on the list sees what the user selected. It can
// show an insertion mark: a line across the top edge of a row, drawn inverted so it shows on
// any background.
class TCheckListBox : public QListView {
    Q_OBJECT

public:
    explicit TCheckListBox(QWidget* parent = nullptr);

    void setCheckList(CheckList* list);
    CheckList* checkList() const { return list_; }

    // Height of one row, in pixels.
    int ItemHeight() const;
    // The focused row, or -1.
    int ItemIndex() const;
    void setItemIndex(int row);

    // Shows the insertion mark at the top edge of row index (index == count: below the last
    // row); -1 hides it.
    void setInsertionMark(int index);
    int insertionMark() const { return insertionMark_; }
    // Where the mark of index is drawn, in viewport coordinates.
    int insertionMarkY(int index) const;

signals:
    // The user toggled the check box of row with the mouse or the keyboard.
    void ClickCheck(int row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void copySelectionToList(const QItemSelection& selected, const QItemSelection& deselected);
    void copySelectionFromList(int first, int last);
    void updateMarkArea(int index);

    CheckList* list_ = nullptr;
    bool syncing_ = false;
    int insertionMark_ = -1;
};

} // namespace playlist
