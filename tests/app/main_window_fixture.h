#pragma once

#include "app/tfm_main.h"
#include "platform/streaming/renderer_base.h"
#include "platform/system/registry.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMap>

#include <functional>
#include <memory>

namespace testsupport {

// A DV device that takes the multiplexed stream and keeps nothing.
class NullDvDevice final : public platform::RendererBase {
public:
    explicit NullDvDevice(const platform::CLSID& clsid)
        : RendererBase(QStringLiteral("NullDvDevice"), clsid) {}

protected:
    platform::HRESULT CheckMediaType(const platform::AM_MEDIA_TYPE& mediaType) override;
    platform::HRESULT DoRenderSample(platform::IMediaSample&) override { return platform::S_OK; }
};

// A main window over a registry file in a temporary folder, the DV filters and two null DV
// devices ("Sink A", "Sink B"), with a master list and folder history of its own.
class MainWindowTest : public TempDirTest {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // Creates the window for `arguments` with "On Open" at `onOpenIndex` (-1: as the form and
    // the store say), shows it and waits for its first activation.
    app::TfmMain& open(const QStringList& arguments = {}, int onOpenIndex = 2);
    // The same window, created but not shown.
    app::TfmMain& create(const QStringList& arguments = {}, int onOpenIndex = 2);

    template <typename T> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // The media record of main-list item `index`.
    const render::TFileInfo& mainRecord(int index) const {
        return *window->MainList().fileInfo(index);
    }
    // The name of the filter of `fgMain` that was added as "dvCam": "Sink A" or "Sink B".
    QString dvCamDevice() const;
    // Writes a playlist file of `paths`, all checked.
    QString writePlayList(const QString& name, const QStringList& paths);

    platform::Registry registry;
    std::shared_ptr<platform::FilterRegistry> filters;
    playlist::CheckList masterList;
    playlist::FolderHistory history;
    // Devices created, by name.
    QMap<QString, int> created;
    int rescans = 0;
    int editorStores = 0;
    std::function<bool()> showPlayListEditor;
    // The process priority the window sets and reads back, kept here so that the suite keeps
    // its own; with refusePriorityRaise, a class above the present one is refused as the system
    // refuses it to a normal user.
    platform::DWORD priorityClass = platform::NORMAL_PRIORITY_CLASS;
    QList<platform::DWORD> priorityRequests;
    bool refusePriorityRaise = false;
    std::unique_ptr<app::TfmMain> window;
};

} // namespace testsupport
