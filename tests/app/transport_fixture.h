#pragma once

#include "app/tfm_main.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/system/registry.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"
#include "tools/make-test-media/frame_mark.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;

namespace widgets {
class TIconGrid;
class TStatusBar;
} // namespace widgets

namespace transporttest {

constexpr platform::REFERENCE_TIME kMs = 10'000;
constexpr platform::REFERENCE_TIME kSecond = 1000 * kMs;
// A PAL frame.
constexpr platform::REFERENCE_TIME kFrame = 40 * kMs;
constexpr std::int64_t kPalFrameBytes = 144000;

// A main window over the DV devices of a simulated IEEE 1394 bus (camcorders the test plugs in,
// "DV Monitor", "DV File Recorder"), with a registry, master list and folder history of its own.
// Every graph it builds runs on one manual clock and records, when its device is the "DV File
// Recorder", into `recording`.
class TransportWindowTest : public testsupport::TempDirTest {
protected:
    TransportWindowTest();
    ~TransportWindowTest() override;

    // Creates and shows the window started with `arguments`, "On Open" at `onOpenIndex` (Stop
    // by default, so that nothing runs until the test says so) and the device named `device`
    // stored as the choice (none stored when empty), and waits for its first activation.
    app::TfmMain& open(const QStringList& arguments, int onOpenIndex = 2,
                       const QString& device = QStringLiteral("DV File Recorder"));
    // Opens, as the open dialog does, one item per duration: the first clip's record with that
    // duration, as if the file had been probed so.
    void openItems(const std::vector<platform::REFERENCE_TIME>& durations);

    template <typename T> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    transport::TDVTrackBar& trackBar() const;
    transport::TTrackBarEx& curFile() const;
    widgets::TStatusBar& status() const;
    widgets::TIconGrid& grid() const;
    QString panel(int index) const;

    // Clicks the toolbar button of `action` as the user does.
    void click(const char* action);
    // The object name of the pressed transport button, or empty.
    QString pressedButton() const;
    graph::TGraphState state() const { return window->fgMain.GetGraphState(); }

    // Moves the graphs' clock on and lets the frames due reach the device.
    void advance(platform::REFERENCE_TIME time);
    // One poll of the all-files trackbar, now.
    void tick();
    // Lets queued graph events reach their handlers.
    void pumpEvents();

    // Frames the device of the graph now built has taken, in all its runs.
    std::uint64_t framesPresented() const;
    // Whether the output moves on: the clock advances and the device takes more frames.
    bool outputRuns();

    // Whole frames in the recording (0 when there is none).
    int recordedFrames() const;
    bool waitForFrames(int count);
    // The mark of frame `index` of the recording; none when it cannot be read.
    std::optional<testmedia::FrameMark> recordedMark(int index);
    // Forgets the recording, so that the next run of the output starts a new one.
    void removeRecording();

    // The frame mark the timeline shows at `time`: three clips of 2 s, each 50 frames marked
    // with its clip id and its own frame number.
    static testmedia::FrameMark markAt(platform::REFERENCE_TIME time);
    // The three clips of markAt.
    static QStringList threeClips();

    platform::Registry registry;
    std::shared_ptr<platform::FilterRegistry> filters;
    std::shared_ptr<platform::DvSimulatedBus> bus;
    std::shared_ptr<platform::ManualReferenceClock> clock;
    playlist::CheckList masterList;
    playlist::FolderHistory history;
    QString recording;
    int builds = 0;
    // Errors the program reported (instead of showing them in a message box).
    QStringList errors;
    std::unique_ptr<app::TfmMain> window;
};

using testsupport::waitUntil;

} // namespace transporttest
