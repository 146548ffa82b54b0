#include "render/output_chain.h"

#include "graph/filter_list.h"
#include "platform/editing/resizer.h"
#include "platform/filters/dv_encoder_filter_interfaces.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"

namespace render {

namespace {

int restoredIndex(int stored, int fallback, qsizetype count) {
    if (stored >= 0 && stored < count) {
        return stored;
    }
    return fallback < count ? fallback : -1;
}

platform::HRESULT connectPins(platform::IGraphBuilder& builder,
                              const std::shared_ptr<platform::IPin>& output,
                              const std::shared_ptr<platform::IPin>& input) {
    if (!output || !input) {
        return platform::E_POINTER;
    }
    return builder.Connect(output, input);
}

std::shared_ptr<platform::IPin> groupPin(platform::IRenderEngine& engine, long group) {
    std::shared_ptr<platform::IPin> pin;
    if (platform::FAILED(engine.GetGroupOutputPin(group, &pin))) {
        return nullptr;
    }
    return pin;
}

void call(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

} // namespace

TDeviceSelections FillDeviceLists(TDeviceLists& lists, const TStoredDeviceSelections& stored,
                                  const std::shared_ptr<platform::FilterRegistry>& registry) {
    lists.VideoOutDevices.reset();
    lists.AudioOutDevices.reset();
    lists.VideoOutDevices =
        std::make_unique<graph::TSysDevEnum>(platform::CLSID_VideoInputDeviceCategory, registry);
    lists.AudioOutDevices =
        std::make_unique<graph::TSysDevEnum>(platform::CLSID_AudioRendererCategory, registry);
    lists.videoNames.clear();
    lists.audioNames.clear();

    TDeviceSelections selections;
    auto& video = *lists.VideoOutDevices;
    for (int i = 0; i < video.FilterCount(); ++i) {
        lists.videoNames << video.Filters(i).FriendlyName;
    }
    // A stored device past the list selects none: the output is not sent to another device
    // than the one the user chose.
    selections.videoOutIndex = restoredIndex(stored.videoOutIndex, -1, lists.videoNames.size());

    lists.audioNames << kNoAudioText;
    lists.audioNames << AudioEntryOfVideoDevice(lists, selections.videoOutIndex);
    auto& audio = *lists.AudioOutDevices;
    for (int i = 0; i < audio.FilterCount(); ++i) {
        lists.audioNames << audio.Filters(i).FriendlyName;
    }
    // Also without a sound card the stored choice stands, so that the sound can still travel
    // inside the DV stream.
    selections.audioOutIndex = restoredIndex(stored.audioOutIndex, 1, lists.audioNames.size());
    return selections;
}

QString AudioEntryOfVideoDevice(const TDeviceLists& lists, int videoOutIndex) {
    if (videoOutIndex < 0 || videoOutIndex >= lists.videoNames.size()) {
        return kNoAudioText;
    }
    return lists.videoNames.at(videoOutIndex);
}

std::shared_ptr<platform::IBaseFilter> AttachDeviceToVideoOutGraph(const TDeviceLists& lists,
                                                                   int videoOutIndex,
                                                                   graph::TFilterGraph& fgVOut) {
    if (lists.videoNames.isEmpty() || !lists.VideoOutDevices) {
        return nullptr;
    }
    fgVOut.setActive(true);
    fgVOut.ClearFilters();
    if (videoOutIndex < 0 || videoOutIndex >= lists.videoNames.size()) {
        return nullptr;
    }
    auto& devices = *lists.VideoOutDevices;
    const auto device = devices.CreateFilterByCLSID(devices.Filters(videoOutIndex).CLSID);
    const auto builder = fgVOut.query<platform::IGraphBuilder>();
    if (!device || !builder || platform::FAILED(builder->AddFilter(device, kDvCamFilterName))) {
        return nullptr;
    }
    return device;
}

int ApplyStretchMode(graph::TFilterGraph& fgMain, int mode) {
    const auto builder = fgMain.query<platform::IFilterGraph>();
    if (!builder) {
        return 0;
    }
    int changed = 0;
    for (const auto& filter : builder->EnumFilters()) {
        platform::FILTER_INFO info;
        if (platform::FAILED(filter->QueryFilterInfo(&info)) ||
            !info.achName.startsWith(QStringLiteral("Resizer"))) {
            continue;
        }
        const auto resize = platform::query<platform::IResize>(filter);
        if (!resize) {
            continue;
        }
        int height = 0;
        int width = 0;
        long flag = 0;
        if (platform::SUCCEEDED(resize->get_Size(&height, &width, &flag)) &&
            platform::SUCCEEDED(resize->put_Size(height, width, mode))) {
            ++changed;
        }
    }
    return changed;
}

std::shared_ptr<platform::IPin> FirstFreePin(const std::shared_ptr<platform::IBaseFilter>& filter,
                                             platform::PIN_DIRECTION direction) {
    const graph::TPinList pins(filter);
    for (int i = 0; i < pins.Count(); ++i) {
        const auto pin = pins.Items(i);
        platform::PIN_DIRECTION pinDirection = platform::PINDIR_INPUT;
        if (!pin || platform::FAILED(pin->QueryDirection(&pinDirection)) ||
            pinDirection != direction) {
            continue;
        }
        std::shared_ptr<platform::IPin> peer;
        if (pin->ConnectedTo(&peer) == platform::VFW_E_NOT_CONNECTED) {
            return pin;
        }
    }
    return nullptr;
}

std::shared_ptr<platform::IBaseFilter>
ObtainEncoder(const TDvEncoders& encoders, graph::TFilterGraph& fgMain, int choice, bool ntsc) {
    graph::TFilter* component = nullptr;
    if (choice == 0) {
        component = encoders.MSDVVideoEncoder;
    } else if (choice == 1) {
        component = encoders.MainConceptDVVideoEncoder;
    }
    if (!component) {
        return nullptr;
    }
    component->setFilterGraph(&fgMain);
    const auto filter = component->query<platform::IBaseFilter>();
    if (choice == 0) {
        if (const auto dvEnc = component->query<platform::IDVEnc>()) {
            int videoFormat = 0;
            int dvFormat = 0;
            int resolution = 0;
            platform::DVINFO info{};
            if (platform::SUCCEEDED(dvEnc->get_IFormatResolution(&videoFormat, &dvFormat,
                                                                 &resolution, false, &info))) {
                dvEnc->put_IFormatResolution(ntsc ? platform::DVENCODERVIDEOFORMAT_NTSC
                                                  : platform::DVENCODERVIDEOFORMAT_PAL,
                                             dvFormat, resolution, false, &info);
            }
        }
    }
    return filter;
}

platform::HRESULT BuildOutputChain(const TBuildSettings& settings, const TDeviceLists& devices,
                                   const TDvEncoders& encoders, graph::TFilterGraph& fgMain,
                                   TGraphBuildState& state, const TOutputChainHooks& hooks) {
    const auto builder = fgMain.query<platform::IGraphBuilder>();
    if (!builder || !state.RenderEngine || !devices.VideoOutDevices) {
        return platform::E_UNEXPECTED;
    }
    // 1. The plain engine's encoder (the smart one obtained it before its front end).
    std::shared_ptr<platform::IBaseFilter> encoder;
    if (!state.Smart) {
        encoder = ObtainEncoder(encoders, fgMain, settings.dvEncoderIndex, settings.ntsc);
    }
    // 2. The DV device: the first device of the selected one's class.
    auto& videoDevices = *devices.VideoOutDevices;
    const auto dvCam =
        videoDevices.CreateFilterByCLSID(videoDevices.Filters(settings.videoOutIndex).CLSID);
    if (dvCam) {
        builder->AddFilter(dvCam, kDvCamFilterName);
    }
    // 3. The multiplexer.
    state.DvMux = platform::CreateDvMuxFilter();
    builder->AddFilter(state.DvMux, kDvMuxFilterName);
    // 4. The audio destination.
    std::shared_ptr<platform::IBaseFilter> audioDestination;
    if (settings.audioOutIndex == 1) {
        audioDestination = state.DvMux;
    } else if (settings.audioOutIndex >= 2 && devices.AudioOutDevices) {
        auto& audioDevices = *devices.AudioOutDevices;
        const int renderer = settings.audioOutIndex - 2;
        audioDestination = audioDevices.CreateFilter(renderer);
        if (audioDestination) {
            builder->AddFilter(audioDestination, audioDevices.Filters(renderer).FriendlyName);
        }
    }
    // 5., 6. The video group into the multiplexer, through the encoder with the plain engine.
    auto& engine = *state.RenderEngine;
    const auto videoPin = groupPin(engine, 0);
    if (state.Smart) {
        connectPins(*builder, videoPin, FirstFreePin(state.DvMux, platform::PINDIR_INPUT));
    } else {
        connectPins(*builder, videoPin, FirstFreePin(encoder, platform::PINDIR_INPUT));
        connectPins(*builder, FirstFreePin(encoder, platform::PINDIR_OUTPUT),
                    FirstFreePin(state.DvMux, platform::PINDIR_INPUT));
        if (hooks.setTrackBarPin) {
            hooks.setTrackBarPin(videoPin);
        }
        call(hooks.setTrackBarModeDv);
        call(hooks.applyTrackBarInterval);
    }
    // 7. The audio group into its destination.
    if (settings.audioWanted()) {
        const auto audioPin = groupPin(engine, 1);
        connectPins(*builder, audioPin, FirstFreePin(audioDestination, platform::PINDIR_INPUT));
        if (!state.Smart && hooks.setTrackBarPin2) {
            hooks.setTrackBarPin2(audioPin);
        }
    }
    // 8. The multiplexer into the device: the one result that is reported.
    const platform::HRESULT result =
        connectPins(*builder, FirstFreePin(state.DvMux, platform::PINDIR_OUTPUT),
                    FirstFreePin(dvCam, platform::PINDIR_INPUT));
    if (hooks.setConnectionError) {
        hooks.setConnectionError(result);
    }
    // 9.
    call(hooks.fillUsedFilters);
    return result;
}

} // namespace render
