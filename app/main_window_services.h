#pragma once

#include "platform/system/process_priority.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace platform {
class FilterRegistry;
class Registry;
} // namespace platform

namespace playlist {
class CheckList;
class FolderHistory;
} // namespace playlist

namespace app {

// What the main window uses but does not own. The master list and the folder history belong
// to the playlist editor; the registry and the filter registry to the program.
struct TMainWindowServices {
    // The current user's settings.
    platform::Registry& registry;
    // The filters and devices the graphs are built from.
    std::shared_ptr<platform::FilterRegistry> filters;
    // The one playlist the user edits, with its cached media records.
    playlist::CheckList& masterList;
    // The folders files were last taken from, most recent first.
    playlist::FolderHistory& folderHistory;
    // Shows the playlist editor as a modal window; true when it was closed with OK.
    std::function<bool()> showPlayListEditor;
    // The editor's close-query step: stores its layout and the folder history.
    std::function<void()> storePlayListEditorState;
    // Registers the devices present now with `filters` (buses and sound outputs rescanned);
    // called before every fill of the device lists. May be empty.
    std::function<void()> rescanDevices;
    // The paths named on the command line, in order.
    QStringList arguments;
    // Sets the priority class of the process (false when the system refuses it) and reads back
    // the class it has. Empty: the platform's SetPriorityClass and GetPriorityClass.
    std::function<bool(platform::DWORD priorityClass)> setPriorityClass;
    std::function<platform::DWORD()> getPriorityClass;
};

} // namespace app
