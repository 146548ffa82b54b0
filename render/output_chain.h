#pragma once

#include "graph/filter_graph.h"
#include "graph/filter_ref.h"
#include "graph/sys_dev_enum.h"
#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/filter_registry.h"
#include "render/build_graph.h"
#include "render/build_settings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The output chain: the "Video" and "Audio" device lists, the device-watch graph, the stretch
// mode of the running graph's resizers, and the back end of the graph build (DV encoder, DV
// multiplexer, DV device and audio destination, connected to the engine's group pins).
namespace render {

inline const QString kNoAudioText = QStringLiteral("- No audio -");
inline const QString kDvCamFilterName = QStringLiteral("dvCam");
inline const QString kDvMuxFilterName = QStringLiteral("dvMux");

// The stored list selections ("cbVideoOut_ItemIndex", "cbAudioOut_ItemIndex").
struct TStoredDeviceSelections {
    int videoOutIndex = 0;
    int audioOutIndex = 1;
};

// The two device enumerations and the names the "Video" and "Audio" lists show from them. The
// selections are not kept here: they live in the lists that show the names.
struct TDeviceLists {
    std::unique_ptr<graph::TSysDevEnum> VideoOutDevices;
    std::unique_ptr<graph::TSysDevEnum> AudioOutDevices;
    QStringList videoNames;
    // Entry 0 "- No audio -", entry 1 the selected video device, then the audio renderers.
    QStringList audioNames;
};

// The entries to select in the two lists after a fill; -1 selects none.
struct TDeviceSelections {
    int videoOutIndex = -1;
    int audioOutIndex = -1;
};

// Recreates both enumerations over `registry` and refills the names, entry 1 of the audio
// names naming the video device that the stored selection chooses. Gives the selections to
// show: the stored ones; a stored video device outside its list selects none, a stored audio
// choice outside its list gives the default (1, the sound inside the DV stream).
TDeviceSelections FillDeviceLists(
    TDeviceLists& lists, const TStoredDeviceSelections& stored,
    const std::shared_ptr<platform::FilterRegistry>& registry = platform::platformFilterRegistry());

// The text of the audio list's entry 1 while video entry `videoOutIndex` is selected: that
// device's name, or "- No audio -" when none is selected.
QString AudioEntryOfVideoDevice(const TDeviceLists& lists, int videoOutIndex);

// Clears `fgVOut` (activating it) and adds video device `videoOutIndex` as "dvCam", so that the
// graph reports the device's removal and return. Nothing when the video list is empty; the
// graph is only cleared when no device is selected. Gives the device added, or none.
std::shared_ptr<platform::IBaseFilter> AttachDeviceToVideoOutGraph(const TDeviceLists& lists,
                                                                   int videoOutIndex,
                                                                   graph::TFilterGraph& fgVOut);

// Gives every filter of `fgMain` whose name begins with "Resizer" and which offers IResize the
// stretch flag `mode`, keeping its size. Gives the number of resizers changed.
int ApplyStretchMode(graph::TFilterGraph& fgMain, int mode);

// The first pin of `filter` of `direction` that is not connected; none when there is none.
std::shared_ptr<platform::IPin> FirstFreePin(const std::shared_ptr<platform::IBaseFilter>& filter,
                                             platform::PIN_DIRECTION direction);

// The two stored encoder references of the main window (either may be null).
struct TDvEncoders {
    graph::TFilter* MSDVVideoEncoder = nullptr;
    graph::TFilter* MainConceptDVVideoEncoder = nullptr;
};

// The encoder of the "DV Encoder" choice joined to `fgMain`: 0 the system's encoder, set to
// PAL or NTSC through IDVEnc; 1 the second encoder, untouched; anything else none.
std::shared_ptr<platform::IBaseFilter>
ObtainEncoder(const TDvEncoders& encoders, graph::TFilterGraph& fgMain, int choice, bool ntsc);

// Services of other parts of the window the back end calls; each may be left empty.
struct TOutputChainHooks {
    // The result of the multiplexer-to-device connection (status bar flag).
    std::function<void(platform::HRESULT result)> setConnectionError;
    // The all-files trackbar with the plain engine: video pin, audio pin and Mode := tbmDV.
    std::function<void(const std::shared_ptr<platform::IPin>& pin)> setTrackBarPin;
    std::function<void(const std::shared_ptr<platform::IPin>& pin)> setTrackBarPin2;
    std::function<void()> setTrackBarModeDv;
    std::function<void()> applyTrackBarInterval;
    std::function<void()> fillUsedFilters;
};

// What a graph build keeps until the next one: the timeline, the engine and the multiplexer.
struct TGraphBuildState : TBuildState {
    std::shared_ptr<platform::IBaseFilter> DvMux;
};

// The back end of a build, after the engine's front end: encoder (plain engine), "dvCam",
// "dvMux", the audio destination and the connections in their fixed order. Only the
// multiplexer-to-device result is looked at; it is handed to setConnectionError and returned.
platform::HRESULT BuildOutputChain(const TBuildSettings& settings, const TDeviceLists& devices,
                                   const TDvEncoders& encoders, graph::TFilterGraph& fgMain,
                                   TGraphBuildState& state, const TOutputChainHooks& hooks);

} // namespace render
