#pragma once

#include "app/main_window_services.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {
class FilterRegistry;
class Ieee1394Bus;
class Registry;
} // namespace platform

namespace playlist {
class TfmPlayList;
}

namespace app {

class TfmMain;

// What the program's windows stand on: the registry at `registryPath` and the platform's
// filters with the DV filters and the devices present.
class TProgramServices {
public:
    explicit TProgramServices(const QString& registryPath);
    ~TProgramServices();
    TProgramServices(const TProgramServices&) = delete;
    TProgramServices& operator=(const TProgramServices&) = delete;

    platform::Registry& registry();
    const std::shared_ptr<platform::FilterRegistry>& filters() const;
    // Registers the devices present now (buses and sound outputs scanned again).
    void RescanDevices();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The program's two windows: the main window fmMain and the playlist editor fmPlayList, which
// holds the master list and the folder history.
//
// The main window keeps references to the editor's list and history from its construction, so
// the editor object is made first, hidden and without a parent. Right after the main window
// exists, the program completes it: the editor becomes the main window's child window (modal
// over it, centred on it until the editor has a stored place), and the main window's "List"
// command, the store of the folder history after its open dialog, and the settings of the
// editor's length probe are bound to them. All of it is done before the main window is first
// shown. The editor is destroyed before the main window.
class TProgramWindows {
public:
    TProgramWindows(platform::Registry& registry, std::shared_ptr<platform::FilterRegistry> filters,
                    std::function<void()> rescanDevices, const QStringList& arguments);
    TProgramWindows(TProgramServices& services, const QStringList& arguments);
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    TfmMain& fmMain() const { return *fmMain_; }
    playlist::TfmPlayList& fmPlayList() const { return *fmPlayList_; }

    // Closes the windows as their close buttons do: the editor first when it is shown (it
    // stores its values and layout), then the main window (the output stops, the settings are
    // saved).
    void Close() const;

private:
    std::unique_ptr<playlist::TfmPlayList> fmPlayList_;
    std::unique_ptr<TfmMain> fmMain_;
};

} // namespace app
