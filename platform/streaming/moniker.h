#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/filter_registry.h"
#include "platform/system/hresult.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace platform {

inline constexpr HRESULT REGDB_E_CLASSNOTREG = makeHresult(0x80040154u);
inline constexpr HRESULT MK_E_UNAVAILABLE = makeHresult(0x800401E3u);
inline constexpr HRESULT MK_E_SYNTAX = makeHresult(0x800401E4u);
inline constexpr HRESULT STG_E_READFAULT = makeHresult(0x8003001Eu);

// Bind contexts are not used by this platform; callers pass null.
class IBindCtx;

// A sequential byte stream.
class IStream {
public:
    virtual ~IStream() = default;
    // Reads up to `size` bytes; `read` (optional) receives the count. S_FALSE on a short read.
    virtual HRESULT Read(void* buffer, unsigned long size, unsigned long* read) = 0;
    virtual HRESULT Write(const void* buffer, unsigned long size, unsigned long* written) = 0;
};

// A stream over a byte block in memory; reads and writes advance one position.
class MemoryStream final : public IStream {
public:
    explicit MemoryStream(QByteArray data = {}) : data_(std::move(data)) {}
    HRESULT Read(void* buffer, unsigned long size, unsigned long* read) override;
    HRESULT Write(const void* buffer, unsigned long size, unsigned long* written) override;
    const QByteArray& data() const { return data_; }

private:
    QByteArray data_;
    qsizetype position_ = 0;
};

// Named properties of a registered device ("FriendlyName", "CLSID").
class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // E_INVALIDARG when the bag has no such property.
    virtual HRESULT Read(const QString& name, QString* value) = 0;
};

class IPersistStream {
public:
    virtual ~IPersistStream() = default;
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
    virtual HRESULT Load(IStream& stream) = 0;
    virtual HRESULT Save(IStream& stream) = 0;
};

// A name of a registered filter that can create it.
class IMoniker : public IPersistStream {
public:
    // Creates a new instance of the named filter: MK_E_UNAVAILABLE when nothing is registered
    // under the name, REGDB_E_CLASSNOTREG or E_FAIL when the filter cannot be created.
    virtual HRESULT BindToObject(IBindCtx* bindContext, IMoniker* left,
                                 std::shared_ptr<IBaseFilter>* filter) = 0;
    // The properties of the named filter (a snapshot); MK_E_UNAVAILABLE when it is gone.
    virtual HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left,
                                  std::shared_ptr<IPropertyBag>* bag) = 0;
    virtual HRESULT GetDisplayName(IBindCtx* bindContext, IMoniker* left, QString* name) = 0;
};

// A device moniker for "@device:sw:{category}\instance" resolved in `registry`; MK_E_SYNTAX when
// the name has another form.
HRESULT CreateDeviceMoniker(const QString& displayName, std::shared_ptr<FilterRegistry> registry,
                            std::shared_ptr<IMoniker>* moniker);

// Writes the moniker's class identifier (16 bytes, first three fields little-endian) and then
// its own data. A device moniker's data: the byte length of its display name including the
// terminating NUL (32-bit little-endian), then the name in UTF-16LE with that NUL.
HRESULT OleSaveToStream(IPersistStream& object, IStream& stream);
// Reads what OleSaveToStream wrote; device monikers resolve names in `registry` when bound.
HRESULT OleLoadFromStream(IStream& stream, std::shared_ptr<FilterRegistry> registry,
                          std::shared_ptr<IMoniker>* moniker);
// The same with the process-wide registrations.
HRESULT OleLoadFromStream(IStream& stream, std::shared_ptr<IMoniker>* moniker);

} // namespace platform
