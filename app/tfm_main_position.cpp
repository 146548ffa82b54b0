// The position displays: the status-bar times, the current-file trackbar and the playlist rows
// that follow the all-files trackbar's reports; the drags on both trackbars; the polling
// interval.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

#include <ranges>

namespace app {

namespace {

// Status-bar panels that show times.
enum TTimePanel : int {
    tpTotal = 0,        // length of the timeline
    tpPosition = 1,     // all-files position
    tpDragPosition = 2, // all-files position a drag points at
    tpItemLength = 3,   // length of the current item
    tpItemPosition = 4, // position inside the current item
    tpDragItemPosition = 5,
};

// "Pause" in the On End choice: the output pauses this long before the end.
constexpr int kOnEndPause = 0;
constexpr std::int64_t kEndPauseLead_ms = 1000;

} // namespace

transport::TItemAt TfmMain::FindItemAt(std::uint32_t position_ms) const {
    return transport::FindItemAt(
        std::views::iota(0, mainList_.count()), position_ms,
        [this](int row) -> const render::TFileInfo& { return *mainList_.fileInfo(row); });
}

void TfmMain::DVTrackBarTimer(transport::TDVTrackBar* /*sender*/, std::uint32_t CurrentPos,
                              std::uint32_t StopPos) {
    // Signed: a timeline shorter than the lead pauses at once rather than never.
    if (ui->cbOnEnd->currentIndex() == kOnEndPause && mainList_.count() > 0 &&
        std::int64_t{CurrentPos} >= std::int64_t{StopPos} - kEndPauseLead_ms) {
        buPauseClick();
    }
    auto& status = *ui->StatusBar;
    const transport::TItemAt item = FindItemAt(CurrentPos);
    if (item.Index < 0) {
        status.setPanelText(tpTotal, transport::TimeText(StopPos));
        status.setPanelText(tpPosition, transport::TimeText(CurrentPos));
        status.setPanelText(tpItemLength, transport::TimeText(0));
        status.setPanelText(tpItemPosition, transport::TimeText(0));
        return;
    }
    auto& curFile = *ui->tbCurFile;
    const transport::TPositionDisplay display =
        transport::PositionDisplay(CurrentPos, StopPos, item, curFile.maximum());
    status.setPanelText(tpTotal, display.TotalText);
    status.setPanelText(tpPosition, display.PositionText);
    status.setPanelText(tpItemLength, display.ItemLengthText);
    status.setPanelText(tpItemPosition, display.ItemPositionText);
    // The user's own drag of the current-file thumb is left alone.
    if (!curFile.Tracking() && display.CurFileThumb) {
        curFile.setValue(*display.CurFileThumb);
    }
    SelectCurrentItem(item.Index);
}

void TfmMain::DVTrackBarChanging(transport::TDVTrackBar* /*sender*/, std::uint32_t CurrentPos,
                                 std::uint32_t /*StopPos*/) {
    const transport::TItemAt item = FindItemAt(CurrentPos);
    if (item.Index < 0) {
        return;
    }
    const transport::TDragDisplay drag = transport::AllFilesDragDisplay(CurrentPos, item);
    auto& status = *ui->StatusBar;
    status.setPanelText(tpDragPosition, drag.PositionText);
    status.setPanelText(tpDragItemPosition, drag.ItemPositionText);
    MarkSeekTarget(item.Index);
}

void TfmMain::DVTrackBarEndOfChange(transport::TDVTrackBar* /*sender*/) {
    // The trackbar seeks by itself; the ticks that follow move the rows to the item reached.
    ui->StatusBar->setPanelText(tpDragPosition, QString());
    ui->StatusBar->setPanelText(tpDragItemPosition, QString());
}

void TfmMain::tbCurFileChange(transport::TTrackBarEx* sender) {
    // The window's own moves of the thumb are not the user's.
    if (!sender->Tracking()) {
        return;
    }
    const int index = MainListItemIndex();
    if (index < 0) {
        return;
    }
    const render::TFileInfo& info = *mainList_.fileInfo(index);
    const transport::TCurFileTarget target = transport::CurFileTarget(
        sender->value(), sender->maximum(), {index, info.Start, info.Duration});
    ui->StatusBar->setPanelText(tpDragItemPosition, target.Display.ItemPositionText);
    ui->StatusBar->setPanelText(tpDragPosition, target.Display.PositionText);
}

void TfmMain::tbCurFileEndOfChange(transport::TTrackBarEx* sender) {
    const int index = MainListItemIndex();
    if (index < 0) {
        return;
    }
    const render::TFileInfo& info = *mainList_.fileInfo(index);
    const transport::TCurFileTarget target = transport::CurFileTarget(
        sender->value(), sender->maximum(), {index, info.Start, info.Duration});
    ui->StatusBar->setPanelText(tpDragPosition, QString());
    ui->StatusBar->setPanelText(tpDragItemPosition, QString());
    ui->DVTrackBar->SeekTo(target.Position, renderState_.RenderRangeStop);
}

void TfmMain::MarkSeekTarget(int index) {
    auto& grid = *ui->sgPlayList;
    const int current = MainListItemIndex();
    const QColor window = grid.palette().color(QPalette::Base);
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (row == index) {
            grid.setColorRow(row, QColor(transport::clSkyBlue));
            grid.ScrollRowIntoView(row);
        } else if (row == current) {
            grid.setColorRow(row, QColor(transport::clMoneyGreen));
        } else {
            grid.setColorRow(row, window);
        }
    }
}

void TfmMain::ApplyTrackBarInterval() {
    ui->DVTrackBar->setTimerInterval(
        transport::TrackBarIntervalMs(ui->tbTrackBarUpdateInterval->value()));
}

void TfmMain::tbTrackBarUpdateIntervalChange() {
    ApplyTrackBarInterval();
}

} // namespace app
