#include "graph/filter_ref.h"

#include "platform/streaming/device_categories.h"

#include <QBuffer>
#include <QtEndian>

#include <array>

namespace graph {

namespace {

// Longest block accepted from a stored property: guards against a corrupt length.
constexpr std::uint32_t kMaxBlockBytes = 16 * 1024 * 1024;

} // namespace

bool TPersistentMemory::ReadData(QIODevice& in) {
    data_.clear();
    std::array<char, 4> lengthBytes{};
    if (in.read(lengthBytes.data(), 4) != 4) {
        return false;
    }
    const auto length = qFromLittleEndian<std::uint32_t>(lengthBytes.data());
    if (length > kMaxBlockBytes) {
        return false;
    }
    QByteArray block = in.read(static_cast<qint64>(length));
    if (block.size() != static_cast<qsizetype>(length)) {
        return false;
    }
    data_ = std::move(block);
    return true;
}

bool TPersistentMemory::WriteData(QIODevice& out) const {
    std::array<char, 4> lengthBytes{};
    qToLittleEndian(static_cast<std::uint32_t>(data_.size()), lengthBytes.data());
    return out.write(lengthBytes.data(), 4) == 4 && out.write(data_) == data_.size();
}

QByteArray TPersistentMemory::StoredData() const {
    QByteArray stored;
    QBuffer buffer(&stored);
    buffer.open(QIODevice::WriteOnly);
    WriteData(buffer);
    return stored;
}

bool TPersistentMemory::LoadStoredData(const QByteArray& stored) {
    QBuffer buffer;
    buffer.setData(stored);
    buffer.open(QIODevice::ReadOnly);
    return ReadData(buffer);
}

std::shared_ptr<platform::IMoniker> TBaseFilter::LoadMoniker() const {
    if (Data().isEmpty()) {
        return nullptr;
    }
    platform::MemoryStream stream(Data());
    std::shared_ptr<platform::IMoniker> moniker;
    platform::OleLoadFromStream(stream, registry_, &moniker);
    return moniker;
}

std::shared_ptr<platform::IBaseFilter> TBaseFilter::BindFilter() const {
    const auto moniker = LoadMoniker();
    if (!moniker) {
        return nullptr;
    }
    std::shared_ptr<platform::IBaseFilter> filter;
    moniker->BindToObject(nullptr, nullptr, &filter);
    return filter;
}

bool TBaseFilter::SaveMoniker(platform::IMoniker& moniker) {
    platform::MemoryStream stream;
    if (platform::FAILED(platform::OleSaveToStream(moniker, stream))) {
        return false;
    }
    setData(stream.data());
    return true;
}

QString MSDVVideoEncoderDisplayName() {
    return platform::deviceDisplayName(platform::CLSID_VideoCompressorCategory,
                                       QStringLiteral("DV Video Encoder"));
}

QString MainConceptDVVideoEncoderDisplayName() {
    return platform::deviceDisplayName(platform::CLSID_LegacyAmFilterCategory,
                                       QStringLiteral("{E8AC42C1-0810-11D5-8062-00001C0B1B7F}"));
}

QByteArray StoredFilterReference(const QString& displayName) {
    std::shared_ptr<platform::IMoniker> moniker;
    TBaseFilter reference;
    if (platform::FAILED(platform::CreateDeviceMoniker(
            displayName, platform::platformFilterRegistry(), &moniker)) ||
        !reference.SaveMoniker(*moniker)) {
        return {};
    }
    return reference.StoredData();
}

TFilter::TFilter(const QString& name, QObject* parent,
                 std::shared_ptr<platform::FilterRegistry> registry)
    : QObject(parent), baseFilter_(std::move(registry)) {
    setObjectName(name);
}

TFilter::~TFilter() {
    setFilterGraph(nullptr);
    filter_.reset();
}

void TFilter::setFilterGraph(TFilterGraph* graph) {
    if (graph == graph_) {
        return;
    }
    if (graph_) {
        graph_->RemoveMember(this);
    }
    if (graph) {
        graph->AddMember(this);
    }
    graph_ = graph;
}

void TFilter::NotifyFilter(TFilterOperation operation, int) {
    switch (operation) {
    case TFilterOperation::FilterAdding:
        filter_ = baseFilter_.BindFilter();
        break;
    case TFilterOperation::FilterAdded:
        break;
    case TFilterOperation::FilterRemoving:
        if (filter_) {
            filter_->Stop();
        }
        break;
    case TFilterOperation::FilterRemoved:
        filter_.reset();
        break;
    case TFilterOperation::FilterRefresh:
        if (graph_) {
            graph_->RemoveMember(this);
            graph_->AddMember(this);
        }
        break;
    }
}

} // namespace graph
