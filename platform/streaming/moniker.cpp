#include "platform/streaming/moniker.h"

#include "platform/streaming/device_categories.h"

#include <QtEndian>

#include <array>
#include <cstring>
#include <exception>

namespace platform {

namespace {

// Longest display name accepted from a stream, in bytes: guards against corrupt lengths.
constexpr std::uint32_t kMaxNameBytes = 64 * 1024;

HRESULT readExactly(IStream& stream, void* buffer, unsigned long size) {
    unsigned long read = 0;
    const HRESULT hr = stream.Read(buffer, size, &read);
    if (FAILED(hr)) {
        return hr;
    }
    return read == size ? S_OK : STG_E_READFAULT;
}

HRESULT writeAll(IStream& stream, const void* buffer, unsigned long size) {
    unsigned long written = 0;
    const HRESULT hr = stream.Write(buffer, size, &written);
    if (FAILED(hr)) {
        return hr;
    }
    return written == size ? S_OK : E_FAIL;
}

std::array<std::uint8_t, 16> guidBytes(const GUID& guid) {
    std::array<std::uint8_t, 16> bytes{};
    qToLittleEndian(guid.Data1, bytes.data());
    qToLittleEndian(guid.Data2, bytes.data() + 4);
    qToLittleEndian(guid.Data3, bytes.data() + 6);
    std::memcpy(bytes.data() + 8, guid.Data4.data(), 8);
    return bytes;
}

GUID guidFromBytes(const std::array<std::uint8_t, 16>& bytes) {
    GUID guid;
    guid.Data1 = qFromLittleEndian<std::uint32_t>(bytes.data());
    guid.Data2 = qFromLittleEndian<std::uint16_t>(bytes.data() + 4);
    guid.Data3 = qFromLittleEndian<std::uint16_t>(bytes.data() + 6);
    std::memcpy(guid.Data4.data(), bytes.data() + 8, 8);
    return guid;
}

class DevicePropertyBag final : public IPropertyBag {
public:
    explicit DevicePropertyBag(DeviceRegistration device) : device_(std::move(device)) {}
    HRESULT Read(const QString& name, QString* value) override {
        if (!value) {
            return E_POINTER;
        }
        if (name == QLatin1String("FriendlyName")) {
            *value = device_.friendlyName;
            return S_OK;
        }
        if (name == QLatin1String("CLSID") && device_.clsid) {
            *value = device_.clsid->toString();
            return S_OK;
        }
        return E_INVALIDARG;
    }

private:
    DeviceRegistration device_;
};

class DeviceMoniker final : public IMoniker {
public:
    explicit DeviceMoniker(std::shared_ptr<FilterRegistry> registry)
        : registry_(std::move(registry)) {}

    HRESULT setDisplayName(const QString& name) {
        const auto parsed = parseDeviceDisplayName(name);
        if (!parsed) {
            return MK_E_SYNTAX;
        }
        displayName_ = name;
        device_ = *parsed;
        return S_OK;
    }

    HRESULT GetClassID(CLSID* clsid) override {
        if (!clsid) {
            return E_POINTER;
        }
        *clsid = CLSID_CDeviceMoniker;
        return S_OK;
    }

    HRESULT Load(IStream& stream) override {
        std::array<std::uint8_t, 4> lengthBytes{};
        if (const HRESULT hr = readExactly(stream, lengthBytes.data(), 4); FAILED(hr)) {
            return hr;
        }
        const auto length = qFromLittleEndian<std::uint32_t>(lengthBytes.data());
        if (length < 2 || length % 2 != 0 || length > kMaxNameBytes) {
            return E_FAIL;
        }
        QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
        if (const HRESULT hr = readExactly(stream, bytes.data(), length); FAILED(hr)) {
            return hr;
        }
        const auto units = static_cast<qsizetype>(length / 2);
        QString name(units - 1, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const auto unit = qFromLittleEndian<quint16>(bytes.constData() + 2 * i);
            const bool last = i == units - 1;
            // Exactly one NUL, at the end.
            if ((unit == 0) != last) {
                return E_FAIL;
            }
            if (!last) {
                name[i] = QChar(unit);
            }
        }
        return setDisplayName(name);
    }

    HRESULT Save(IStream& stream) override {
        const auto units = displayName_.size() + 1;
        QByteArray bytes(4 + 2 * units, '\0');
        auto* out = reinterpret_cast<uchar*>(bytes.data());
        qToLittleEndian(static_cast<std::uint32_t>(2 * units), out);
        for (qsizetype i = 0; i < displayName_.size(); ++i) {
            qToLittleEndian(static_cast<quint16>(displayName_.at(i).unicode()), out + 4 + 2 * i);
        }
        return writeAll(stream, bytes.constData(), static_cast<unsigned long>(bytes.size()));
    }

    HRESULT BindToObject(IBindCtx*, IMoniker*, std::shared_ptr<IBaseFilter>* filter) override {
        if (!filter) {
            return E_POINTER;
        }
        filter->reset();
        const auto device = registry_->find(device_.category, device_.instanceName);
        if (!device) {
            return MK_E_UNAVAILABLE;
        }
        if (!device->create) {
            return REGDB_E_CLASSNOTREG;
        }
        try {
            *filter = device->create();
        } catch (const std::exception&) {
            filter->reset();
        }
        return *filter ? S_OK : E_FAIL;
    }

    HRESULT BindToStorage(IBindCtx*, IMoniker*, std::shared_ptr<IPropertyBag>* bag) override {
        if (!bag) {
            return E_POINTER;
        }
        const auto device = registry_->find(device_.category, device_.instanceName);
        if (!device) {
            bag->reset();
            return MK_E_UNAVAILABLE;
        }
        *bag = std::make_shared<DevicePropertyBag>(*device);
        return S_OK;
    }

    HRESULT GetDisplayName(IBindCtx*, IMoniker*, QString* name) override {
        if (!name) {
            return E_POINTER;
        }
        *name = displayName_;
        return S_OK;
    }

private:
    std::shared_ptr<FilterRegistry> registry_;
    QString displayName_;
    DeviceName device_;
};

} // namespace

HRESULT MemoryStream::Read(void* buffer, unsigned long size, unsigned long* read) {
    const auto available = static_cast<unsigned long>(data_.size() - position_);
    const unsigned long count = std::min(size, available);
    if (count > 0) {
        std::memcpy(buffer, data_.constData() + position_, count);
    }
    position_ += count;
    if (read) {
        *read = count;
    }
    return count == size ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void* buffer, unsigned long size, unsigned long* written) {
    const qsizetype end = position_ + static_cast<qsizetype>(size);
    if (end > data_.size()) {
        data_.resize(end);
    }
    if (size > 0) {
        std::memcpy(data_.data() + position_, buffer, size);
    }
    position_ = end;
    if (written) {
        *written = size;
    }
    return S_OK;
}

HRESULT CreateDeviceMoniker(const QString& displayName, std::shared_ptr<FilterRegistry> registry,
                            std::shared_ptr<IMoniker>* moniker) {
    if (!moniker || !registry) {
        return E_POINTER;
    }
    moniker->reset();
    auto created = std::make_shared<DeviceMoniker>(std::move(registry));
    if (const HRESULT hr = created->setDisplayName(displayName); FAILED(hr)) {
        return hr;
    }
    *moniker = std::move(created);
    return S_OK;
}

HRESULT OleSaveToStream(IPersistStream& object, IStream& stream) {
    CLSID clsid;
    if (const HRESULT hr = object.GetClassID(&clsid); FAILED(hr)) {
        return hr;
    }
    const auto bytes = guidBytes(clsid);
    if (const HRESULT hr = writeAll(stream, bytes.data(), 16); FAILED(hr)) {
        return hr;
    }
    return object.Save(stream);
}

HRESULT OleLoadFromStream(IStream& stream, std::shared_ptr<FilterRegistry> registry,
                          std::shared_ptr<IMoniker>* moniker) {
    if (!moniker || !registry) {
        return E_POINTER;
    }
    moniker->reset();
    std::array<std::uint8_t, 16> bytes{};
    if (const HRESULT hr = readExactly(stream, bytes.data(), 16); FAILED(hr)) {
        return hr;
    }
    if (guidFromBytes(bytes) != CLSID_CDeviceMoniker) {
        return REGDB_E_CLASSNOTREG;
    }
    auto loaded = std::make_shared<DeviceMoniker>(std::move(registry));
    if (const HRESULT hr = loaded->Load(stream); FAILED(hr)) {
        return hr;
    }
    *moniker = std::move(loaded);
    return S_OK;
}

HRESULT OleLoadFromStream(IStream& stream, std::shared_ptr<IMoniker>* moniker) {
    return OleLoadFromStream(stream, platformFilterRegistry(), moniker);
}

} // namespace platform
