#include "platform/streaming/pin_base.h"

#include "platform/streaming/filter_base.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"

#include <exception>

namespace platform {

namespace {

// A candidate fits a template when every field the template sets is equal.
bool fitsTemplate(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern) {
    return (pattern.majortype.isNull() || pattern.majortype == candidate.majortype) &&
           (pattern.subtype.isNull() || pattern.subtype == candidate.subtype) &&
           (pattern.formattype.isNull() || pattern.formattype == candidate.formattype);
}

bool isComplete(const AM_MEDIA_TYPE& mt) {
    return !mt.majortype.isNull() && !mt.subtype.isNull() && !mt.formattype.isNull();
}

} // namespace

PinBase::PinBase(FilterBase& filter, QString name, PIN_DIRECTION direction)
    : filter_(filter), name_(std::move(name)), direction_(direction) {}

HRESULT PinBase::Disconnect() {
    if (!isConnected()) {
        return S_FALSE;
    }
    if (!filterStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    clearConnection();
    BreakConnect();
    return S_OK;
}

HRESULT PinBase::ConnectedTo(std::shared_ptr<IPin>* pin) {
    if (pin == nullptr) {
        return E_POINTER;
    }
    *pin = connectedPin();
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT PinBase::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (mediaType == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    if (!connected_) {
        *mediaType = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    *mediaType = mediaType_;
    return S_OK;
}

HRESULT PinBase::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    info->pFilter = filter_.weak_from_this().lock();
    info->dir = direction_;
    info->achName = name_;
    return S_OK;
}

HRESULT PinBase::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr) {
        return E_POINTER;
    }
    *direction = direction_;
    return S_OK;
}

HRESULT PinBase::QueryId(QString* id) {
    if (id == nullptr) {
        return E_POINTER;
    }
    *id = name_;
    return S_OK;
}

HRESULT PinBase::QueryAccept(const AM_MEDIA_TYPE& mediaType) {
    return CheckMediaType(mediaType) == S_OK ? S_OK : S_FALSE;
}

std::vector<AM_MEDIA_TYPE> PinBase::EnumMediaTypes() {
    return offeredMediaTypes();
}

HRESULT PinBase::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

bool PinBase::isConnected() const {
    const std::lock_guard lock(mutex_);
    return connected_;
}

std::shared_ptr<IPin> PinBase::connectedPin() const {
    const std::lock_guard lock(mutex_);
    return connected_ ? peer_.lock() : nullptr;
}

AM_MEDIA_TYPE PinBase::mediaType() const {
    const std::lock_guard lock(mutex_);
    return mediaType_;
}

std::shared_ptr<IPin> PinBase::self() {
    return filter_.pinPointer(*this);
}

void PinBase::setConnection(const std::shared_ptr<IPin>& peer, const AM_MEDIA_TYPE& mediaType) {
    const std::lock_guard lock(mutex_);
    peer_ = peer;
    mediaType_ = mediaType;
    connected_ = true;
}

void PinBase::clearConnection() {
    const std::lock_guard lock(mutex_);
    peer_.reset();
    mediaType_ = AM_MEDIA_TYPE{};
    connected_ = false;
}

bool PinBase::filterStopped() const {
    return filter_.state() == State_Stopped;
}

InputPinBase::InputPinBase(FilterBase& filter, QString name)
    : PinBase(filter, std::move(name), PINDIR_INPUT) {}

HRESULT InputPinBase::Connect(const std::shared_ptr<IPin>&, const AM_MEDIA_TYPE*) {
    return VFW_E_INVALID_DIRECTION;
}

HRESULT InputPinBase::ReceiveConnection(const std::shared_ptr<IPin>& connector,
                                        const AM_MEDIA_TYPE& mediaType) {
    if (!connector) {
        return E_POINTER;
    }
    if (isConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!filterStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (!query<IPullPin>(connector)) {
        return VFW_E_NO_TRANSPORT;
    }
    if (CheckMediaType(mediaType) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    setConnection(connector, mediaType);
    if (const HRESULT hr = CompleteConnect(connector); FAILED(hr)) {
        clearConnection();
        return hr;
    }
    return S_OK;
}

HRESULT InputPinBase::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    filter().onNewSegment(*this, start, stop, rate);
    return S_OK;
}

std::shared_ptr<IPullPin> InputPinBase::upstream() const {
    return query<IPullPin>(connectedPin());
}

std::shared_ptr<IMediaSeeking> InputPinBase::upstreamSeeking() const {
    return query<IMediaSeeking>(connectedPin());
}

HRESULT InputPinBase::pull(std::shared_ptr<IMediaSample>* sample) const {
    const auto source = upstream();
    if (!source) {
        return VFW_E_NOT_CONNECTED;
    }
    return source->PullSample(sample);
}

OutputPinBase::OutputPinBase(FilterBase& filter, QString name)
    : PinBase(filter, std::move(name), PINDIR_OUTPUT) {}

HRESULT OutputPinBase::Connect(const std::shared_ptr<IPin>& receivePin,
                               const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) {
        return E_POINTER;
    }
    if (isConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!filterStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&direction)) || direction != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    std::vector<AM_MEDIA_TYPE> candidates;
    if (mediaType != nullptr && isComplete(*mediaType)) {
        candidates.push_back(*mediaType);
    }
    for (auto& mt : offeredMediaTypes()) {
        candidates.push_back(std::move(mt));
    }
    for (auto& mt : receivePin->EnumMediaTypes()) {
        candidates.push_back(std::move(mt));
    }
    if (candidates.empty()) {
        return VFW_E_NO_TYPES;
    }
    for (const auto& candidate : candidates) {
        if (mediaType != nullptr && !fitsTemplate(candidate, *mediaType)) {
            continue;
        }
        if (CheckMediaType(candidate) != S_OK) {
            continue;
        }
        setConnection(receivePin, candidate);
        if (FAILED(receivePin->ReceiveConnection(self(), candidate))) {
            clearConnection();
            continue;
        }
        if (FAILED(CompleteConnect(receivePin))) {
            receivePin->Disconnect();
            clearConnection();
            continue;
        }
        return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT OutputPinBase::ReceiveConnection(const std::shared_ptr<IPin>&, const AM_MEDIA_TYPE&) {
    return VFW_E_INVALID_DIRECTION;
}

HRESULT OutputPinBase::PullSample(std::shared_ptr<IMediaSample>* sample) {
    if (sample == nullptr) {
        return E_POINTER;
    }
    sample->reset();
    if (flushing_.load() || filterStopped()) {
        return VFW_E_WRONG_STATE;
    }
    const std::lock_guard lock(streamMutex_);
    if (flushing_.load()) {
        return VFW_E_WRONG_STATE;
    }
    HRESULT hr = E_FAIL;
    try {
        hr = produceSample(sample);
    } catch (const std::exception&) {
        hr = E_FAIL;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    if (hr == S_OK && !*sample) {
        hr = E_POINTER;
    }
    if (hr == S_OK && flushing_.load()) {
        hr = VFW_E_WRONG_STATE;
    }
    if (hr != S_OK) {
        sample->reset();
    }
    if (SUCCEEDED(hr) && hr != S_OK) {
        return S_FALSE;
    }
    return hr;
}

HRESULT OutputPinBase::BeginFlush() {
    flushing_.store(true);
    onBeginFlush();
    return S_OK;
}

HRESULT OutputPinBase::EndFlush() {
    onEndFlush();
    flushing_.store(false);
    return S_OK;
}

void OutputPinBase::deliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (const auto peer = connectedPin()) {
        peer->NewSegment(start, stop, rate);
    }
}

std::vector<std::shared_ptr<IMediaSeeking>> SeekingPassThrough::upstream() const {
    std::vector<std::shared_ptr<IMediaSeeking>> result;
    for (const InputPinBase* input : inputs_) {
        if (auto seeking = input->upstreamSeeking()) {
            result.push_back(std::move(seeking));
        }
    }
    return result;
}

HRESULT SeekingPassThrough::GetCapabilities(unsigned long* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    const auto seekers = upstream();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    unsigned long all = ~0ul;
    for (const auto& s : seekers) {
        unsigned long caps = 0;
        if (const HRESULT hr = s->GetCapabilities(&caps); FAILED(hr)) {
            return hr;
        }
        all &= caps;
    }
    *capabilities = all;
    return S_OK;
}

HRESULT SeekingPassThrough::GetDuration(REFERENCE_TIME* duration) {
    const auto seekers = upstream();
    return seekers.empty() ? E_NOTIMPL : seekers.front()->GetDuration(duration);
}

HRESULT SeekingPassThrough::GetStopPosition(REFERENCE_TIME* stop) {
    const auto seekers = upstream();
    return seekers.empty() ? E_NOTIMPL : seekers.front()->GetStopPosition(stop);
}

HRESULT SeekingPassThrough::GetCurrentPosition(REFERENCE_TIME* current) {
    const auto seekers = upstream();
    return seekers.empty() ? E_NOTIMPL : seekers.front()->GetCurrentPosition(current);
}

HRESULT SeekingPassThrough::SetPositions(REFERENCE_TIME* current, unsigned long currentFlags,
                                         REFERENCE_TIME* stop, unsigned long stopFlags) {
    const auto seekers = upstream();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    // The first upstream resolves relative positions; the others get the absolute result, so
    // every branch ends at the same place.
    const bool moveCurrent = (currentFlags & AM_SEEKING_PositioningBitsMask) != 0;
    const bool moveStop = (stopFlags & AM_SEEKING_PositioningBitsMask) != 0;
    REFERENCE_TIME newCurrent = current != nullptr ? *current : 0;
    REFERENCE_TIME newStop = stop != nullptr ? *stop : 0;
    HRESULT result = seekers.front()->SetPositions(
        &newCurrent, moveCurrent ? currentFlags | AM_SEEKING_ReturnTime : currentFlags, &newStop,
        moveStop ? stopFlags | AM_SEEKING_ReturnTime : stopFlags);
    if (FAILED(result)) {
        return result;
    }
    const unsigned long keep = ~(AM_SEEKING_PositioningBitsMask | AM_SEEKING_ReturnTime);
    for (std::size_t i = 1; i < seekers.size(); ++i) {
        REFERENCE_TIME c = newCurrent;
        REFERENCE_TIME s = newStop;
        const HRESULT hr = seekers[i]->SetPositions(
            &c, moveCurrent ? (currentFlags & keep) | AM_SEEKING_AbsolutePositioning : 0, &s,
            moveStop ? (stopFlags & keep) | AM_SEEKING_AbsolutePositioning : 0);
        if (FAILED(hr) && SUCCEEDED(result)) {
            result = hr;
        }
    }
    if (current != nullptr && (currentFlags & AM_SEEKING_ReturnTime) != 0) {
        *current = newCurrent;
    }
    if (stop != nullptr && (stopFlags & AM_SEEKING_ReturnTime) != 0) {
        *stop = newStop;
    }
    return result;
}

} // namespace platform
