#pragma once

#include "app/main_window_services.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace platform {
class Ieee1394Bus;
}

namespace app {

// What the program gives its main window: the registry at `registryPath`, the platform's
// filters with the DV filters and the devices present, and, until the playlist editor
// exists, a master list and a folder history of their own (the history loaded at once).
class TProgramServices {
public:
    explicit TProgramServices(const QString& registryPath);
    ~TProgramServices();
    TProgramServices(const TProgramServices&) = delete;
    TProgramServices& operator=(const TProgramServices&) = delete;

    // The services for a main window started with `arguments` (the command line's paths).
    TMainWindowServices MainWindowServices(const QStringList& arguments);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace app
