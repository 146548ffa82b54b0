#include "platform/streaming/device_categories.h"
#include "platform/streaming/device_enumerator.h"
#include "platform/streaming/device_unpluggable.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/filter_graph.h"
#include "platform/streaming/moniker.h"
#include "platform/system/query.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace platform;

const QString kEncoderName =
    QStringLiteral("@device:sw:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\DV Video Encoder");
const QString kMainConceptName = QStringLiteral("@device:sw:{083863F1-70DE-11D0-BD40-"
                                                "00A0C911CE86}\\{E8AC42C1-0810-11D5-8062-"
                                                "00001C0B1B7F}");
constexpr CLSID kTestClsid{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

class PlainFilter final : public FilterBase {
public:
    PlainFilter() : FilterBase(QStringLiteral("Plain")) {}
};

std::function<std::shared_ptr<IBaseFilter>()> plainFactory() {
    return [] { return std::make_shared<PlainFilter>(); };
}

QByteArray saved(const QString& displayName) {
    std::shared_ptr<IMoniker> moniker;
    EXPECT_EQ(CreateDeviceMoniker(displayName, std::make_shared<FilterRegistry>(), &moniker), S_OK);
    MemoryStream stream;
    EXPECT_EQ(OleSaveToStream(*moniker, stream), S_OK);
    return stream.data();
}

QString loadedName(const QByteArray& bytes, HRESULT* result = nullptr) {
    MemoryStream stream(bytes);
    std::shared_ptr<IMoniker> moniker;
    const HRESULT hr = OleLoadFromStream(stream, std::make_shared<FilterRegistry>(), &moniker);
    if (result) {
        *result = hr;
    }
    QString name;
    if (moniker) {
        moniker->GetDisplayName(nullptr, nullptr, &name);
    }
    return name;
}

std::vector<QString> friendlyNames(ICreateDevEnum& devEnum, const GUID& category) {
    std::shared_ptr<IEnumMoniker> monikers;
    EXPECT_EQ(devEnum.CreateClassEnumerator(category, &monikers, 0), S_OK);
    std::vector<QString> names;
    std::shared_ptr<IMoniker> moniker;
    while (monikers && monikers->Next(1, &moniker, nullptr) == S_OK) {
        std::shared_ptr<IPropertyBag> bag;
        QString name;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, &bag), S_OK);
        EXPECT_EQ(bag->Read(QStringLiteral("FriendlyName"), &name), S_OK);
        names.push_back(name);
    }
    return names;
}

TEST(DeviceMoniker, StoredEncoderReferencesHaveTheirExactLayoutAndLoadBack) {
    struct Case {
        QString name;
        qsizetype blockSize;
        std::uint32_t nameBytes;
    };
    for (const auto& c : {Case{kEncoderName, 154, 134}, Case{kMainConceptName, 198, 178}}) {
        const QByteArray block = saved(c.name);
        ASSERT_EQ(block.size(), c.blockSize) << c.name.toStdString();
        EXPECT_EQ(block.left(16).toHex(), QByteArray("37d415438c5bd011bd3b00a0c911ce86"));
        EXPECT_EQ(qFromLittleEndian<std::uint32_t>(block.constData() + 16), c.nameBytes);
        EXPECT_EQ(block.mid(20, 4), QByteArray("@\0d\0", 4));
        EXPECT_EQ(block.right(2), QByteArray(2, '\0'));
        EXPECT_EQ(loadedName(block), c.name);
    }
}

TEST(DeviceMoniker, CorruptStreamsAreRefused) {
    const QByteArray good = saved(kEncoderName);
    HRESULT hr = S_OK;

    QByteArray otherClass = good;
    otherClass[0] = 'x';
    EXPECT_TRUE(loadedName(otherClass, &hr).isEmpty());
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);

    EXPECT_TRUE(loadedName(good.left(good.size() - 1), &hr).isEmpty());
    EXPECT_TRUE(FAILED(hr));

    QByteArray noTerminator = good;
    noTerminator[noTerminator.size() - 2] = 'x';
    EXPECT_TRUE(loadedName(noTerminator, &hr).isEmpty());
    EXPECT_TRUE(FAILED(hr));

    QByteArray hugeLength = good;
    qToLittleEndian<std::uint32_t>(0xFFFFFFF0u, hugeLength.data() + 16);
    EXPECT_TRUE(loadedName(hugeLength, &hr).isEmpty());
    EXPECT_TRUE(FAILED(hr));

    std::shared_ptr<IMoniker> moniker;
    EXPECT_EQ(CreateDeviceMoniker(QStringLiteral("@device:sw:nonsense"),
                                  std::make_shared<FilterRegistry>(), &moniker),
              MK_E_SYNTAX);
    EXPECT_EQ(moniker, nullptr);
}

TEST(DeviceEnumerator, ListsACategoryInStableOrderWithItsProperties) {
    const auto registry = std::make_shared<FilterRegistry>();
    auto late = namedDevice(CLSID_VideoInputDeviceCategory, QStringLiteral("DV Monitor"),
                            kTestClsid, plainFactory());
    late.order = 1;
    ASSERT_TRUE(registry->add(late));
    ASSERT_TRUE(
        registry->add(namedDevice(CLSID_VideoInputDeviceCategory, QStringLiteral("Camcorder"),
                                  std::nullopt, plainFactory())));
    ASSERT_TRUE(
        registry->add(namedDevice(CLSID_VideoInputDeviceCategory, QStringLiteral("Camcorder 2"),
                                  kTestClsid, plainFactory())));
    EXPECT_FALSE(registry->add(namedDevice(
        CLSID_VideoInputDeviceCategory, QStringLiteral("camcorder"), kTestClsid, plainFactory())));
    ASSERT_TRUE(registry->add(namedDevice(CLSID_AudioRendererCategory, QStringLiteral("Speakers"),
                                          std::nullopt, plainFactory())));

    const auto devEnum = CreateSystemDeviceEnum(registry);
    EXPECT_EQ(friendlyNames(*devEnum, CLSID_VideoInputDeviceCategory),
              (std::vector<QString>{QStringLiteral("Camcorder"), QStringLiteral("Camcorder 2"),
                                    QStringLiteral("DV Monitor")}));

    std::shared_ptr<IEnumMoniker> monikers;
    ASSERT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0), S_OK);
    std::shared_ptr<IMoniker> first;
    ASSERT_EQ(monikers->Next(1, &first, nullptr), S_OK);
    QString displayName;
    first->GetDisplayName(nullptr, nullptr, &displayName);
    EXPECT_EQ(displayName,
              QStringLiteral("@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Camcorder"));
    std::shared_ptr<IPropertyBag> bag;
    ASSERT_EQ(first->BindToStorage(nullptr, nullptr, &bag), S_OK);
    QString clsid;
    EXPECT_EQ(bag->Read(QStringLiteral("CLSID"), &clsid), E_INVALIDARG);

    EXPECT_EQ(monikers->Skip(5), S_FALSE);
    EXPECT_EQ(monikers->Next(1, &first, nullptr), S_FALSE);
    EXPECT_EQ(monikers->Reset(), S_OK);
    EXPECT_EQ(monikers->Skip(2), S_OK);
    ASSERT_EQ(monikers->Next(1, &first, nullptr), S_OK);
    ASSERT_EQ(first->BindToStorage(nullptr, nullptr, &bag), S_OK);
    EXPECT_EQ(bag->Read(QStringLiteral("CLSID"), &clsid), S_OK);
    EXPECT_EQ(clsid, kTestClsid.toString());

    EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoCompressorCategory, &monikers, 0), S_FALSE);
    EXPECT_EQ(monikers, nullptr);
}

TEST(DeviceEnumerator, BindingCreatesNewInstancesAndFailsCleanly) {
    const auto registry = std::make_shared<FilterRegistry>();
    registry->add(filterClass(CLSID_LegacyAmFilterCategory, kTestClsid, QStringLiteral("Works"),
                              plainFactory()));
    registry->add(namedDevice(CLSID_LegacyAmFilterCategory, QStringLiteral("Null"), std::nullopt,
                              [] { return std::shared_ptr<IBaseFilter>(); }));
    registry->add(namedDevice(
        CLSID_LegacyAmFilterCategory, QStringLiteral("Throws"), std::nullopt,
        []() -> std::shared_ptr<IBaseFilter> { throw std::runtime_error("no device"); }));
    const auto bind = [&](const QString& instance, std::shared_ptr<IBaseFilter>* filter) {
        std::shared_ptr<IMoniker> moniker;
        EXPECT_EQ(CreateDeviceMoniker(deviceDisplayName(CLSID_LegacyAmFilterCategory, instance),
                                      registry, &moniker),
                  S_OK);
        return moniker->BindToObject(nullptr, nullptr, filter);
    };

    std::shared_ptr<IBaseFilter> a;
    std::shared_ptr<IBaseFilter> b;
    ASSERT_EQ(bind(kTestClsid.toString().toLower(), &a), S_OK);
    ASSERT_EQ(bind(kTestClsid.toString(), &b), S_OK);
    EXPECT_NE(a, b);

    std::shared_ptr<IBaseFilter> failed = a;
    EXPECT_TRUE(FAILED(bind(QStringLiteral("Null"), &failed)));
    EXPECT_EQ(failed, nullptr);
    EXPECT_TRUE(FAILED(bind(QStringLiteral("Throws"), &failed)));
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(bind(QStringLiteral("Absent"), &failed), MK_E_UNAVAILABLE);
    EXPECT_EQ(failed, nullptr);
}

TEST(UnpluggableDevice, ReportsRemovalAndReturnToItsGraph) {
    const auto registry = std::make_shared<FilterRegistry>();
    UnpluggableDevice device(registry, CLSID_VideoInputDeviceCategory, QStringLiteral("Cam"),
                             kTestClsid);
    const auto devEnum = CreateSystemDeviceEnum(registry);
    std::shared_ptr<IEnumMoniker> monikers;
    ASSERT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0), S_OK);
    std::shared_ptr<IMoniker> moniker;
    ASSERT_EQ(monikers->Next(1, &moniker, nullptr), S_OK);
    std::shared_ptr<IBaseFilter> filter;
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, &filter), S_OK);

    const auto graph = CreateFilterGraph();
    const auto events = query<IMediaEventEx>(graph);
    ASSERT_EQ(graph->AddFilter(filter, QStringLiteral("dvCam")), S_OK);
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        events->FreeEventParams(code, param1, param2);
    }

    device.unplug();
    EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0),
              S_FALSE);
    device.plugIn();
    EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0), S_OK);

    for (const LONG_PTR expected : {0, 1}) {
        ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
        EXPECT_EQ(code, EC_DEVICE_LOST);
        EXPECT_EQ(param1, eventParamFromFilter(filter.get()));
        EXPECT_EQ(param2, expected);
        events->FreeEventParams(code, param1, param2);
    }
    EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
}

} // namespace
