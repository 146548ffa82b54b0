#include "app/program_services.h"

#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/property_pages_registration.h"
#include "platform/system/registry.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"

namespace app {

struct TProgramServices::Parts {
    explicit Parts(const QString& registryPath) : registry(registryPath) {}

    platform::Registry registry;
    std::shared_ptr<platform::FilterRegistry> filters = platform::platformFilterRegistry();
    std::shared_ptr<platform::Ieee1394Bus> bus = platform::createSystemIeee1394Bus();
    playlist::CheckList masterList;
    playlist::FolderHistory folderHistory;
};

TProgramServices::TProgramServices(const QString& registryPath)
    : parts_(std::make_unique<Parts>(registryPath)) {
    platform::RegisterDvFilters(*parts_->filters);
    // The pages that the Filters page's "Properties" shows.
    platform::RegisterFilterPropertyPages(platform::platformPropertyPages());
    parts_->folderHistory.load(parts_->registry);
}

TProgramServices::~TProgramServices() = default;

TMainWindowServices TProgramServices::MainWindowServices(const QStringList& arguments) {
    Parts& parts = *parts_;
    return TMainWindowServices{parts.registry,
                               parts.filters,
                               parts.masterList,
                               parts.folderHistory,
                               // No playlist editor yet: the "List" command shows nothing.
                               {},
                               [&parts] { parts.folderHistory.store(parts.registry); },
                               [&parts] {
                                   // A bus that cannot be scanned (no FireWire, no permission)
                                   // still leaves the two virtual devices.
                                   platform::RegisterDvDevices(*parts.filters, parts.bus);
                                   platform::RegisterAudioRenderers(*parts.filters);
                               },
                               arguments};
}

} // namespace app
