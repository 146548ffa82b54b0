#include "app/program_services.h"

#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/property_pages_registration.h"
#include "platform/system/registry.h"
#include "playlist/play_list_window.h"

namespace app {

struct TProgramServices::Parts {
    explicit Parts(const QString& registryPath) : registry(registryPath) {}

    platform::Registry registry;
    std::shared_ptr<platform::FilterRegistry> filters = platform::platformFilterRegistry();
    std::shared_ptr<platform::Ieee1394Bus> bus = platform::createSystemIeee1394Bus();
};

TProgramServices::TProgramServices(const QString& registryPath)
    : parts_(std::make_unique<Parts>(registryPath)) {
    platform::RegisterDvFilters(*parts_->filters);
    // The pages that the Filters page's "Properties" shows.
    platform::RegisterFilterPropertyPages(platform::platformPropertyPages());
}

TProgramServices::~TProgramServices() = default;

platform::Registry& TProgramServices::registry() {
    return parts_->registry;
}

const std::shared_ptr<platform::FilterRegistry>& TProgramServices::filters() const {
    return parts_->filters;
}

void TProgramServices::RescanDevices() {
    // A bus that cannot be scanned (no FireWire, no permission) still leaves the two virtual
    // devices.
    platform::RegisterDvDevices(*parts_->filters, parts_->bus);
    platform::RegisterAudioRenderers(*parts_->filters);
}

TProgramWindows::TProgramWindows(platform::Registry& registry,
                                 std::shared_ptr<platform::FilterRegistry> filters,
                                 std::function<void()> rescanDevices, const QStringList& arguments)
    : fmPlayList_(std::make_unique<playlist::TfmPlayList>(registry)) {
    playlist::TfmPlayList* const editor = fmPlayList_.get();
    fmMain_ = std::make_unique<TfmMain>(TMainWindowServices{
        registry, std::move(filters), editor->MasterList(), editor->MRUList(),
        [editor] { return editor->ShowModal(); }, [editor] { editor->FormCloseQuery(); },
        std::move(rescanDevices), arguments});
    TfmMain* const main = fmMain_.get();
    // A dialog with a parent stays above it, is modal over it and opens centred on it.
    editor->setParent(main, editor->windowFlags());
    editor->setProbeSettingsSource([main] { return main->SettingsFromControls().probe; });
    editor->setErrorReport([](const QString& text) { ReportError(text); });
}

TProgramWindows::TProgramWindows(TProgramServices& services, const QStringList& arguments)
    : TProgramWindows(
          services.registry(), services.filters(), [&services] { services.RescanDevices(); },
          arguments) {}

void TProgramWindows::Close() const {
    if (fmPlayList_->isVisible()) {
        fmPlayList_->close();
    }
    fmMain_->close();
}

TProgramWindows::~TProgramWindows() {
    // The editor is a child of the main window: it goes first, on its own, so that the main
    // window does not delete it a second time.
    fmPlayList_.reset();
    fmMain_.reset();
}

} // namespace app
