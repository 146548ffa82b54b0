#include "graph/filter_ref.h"
#include "graph/sys_dev_enum.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/filter_base.h"

#include <gtest/gtest.h>

namespace {

using namespace graph;
using platform::CLSID_VideoInputDeviceCategory;

constexpr platform::CLSID kDriverA{0xAAAAAAAA, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr platform::CLSID kDriverB{0xBBBBBBBB, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};

class NamedFilter final : public platform::FilterBase {
public:
    explicit NamedFilter(const QString& name) : FilterBase(name) {}
};

QString nameOf(const std::shared_ptr<platform::IBaseFilter>& filter) {
    platform::FILTER_INFO info;
    if (!filter || platform::FAILED(filter->QueryFilterInfo(&info))) {
        return {};
    }
    return info.achName;
}

class SysDevEnumTest : public ::testing::Test {
protected:
    void addDevice(const QString& name, std::optional<platform::CLSID> clsid) {
        ASSERT_TRUE(registry->add(
            platform::namedDevice(CLSID_VideoInputDeviceCategory, name, clsid,
                                  [name] { return std::make_shared<NamedFilter>(name); })));
    }
    std::shared_ptr<platform::FilterRegistry> registry =
        std::make_shared<platform::FilterRegistry>();
};

TEST_F(SysDevEnumTest, ListsEntriesAndCreatesByPositionOrClassAgainstTheDevicesPresentNow) {
    const QString longName(300, QLatin1Char('x'));
    addDevice(QStringLiteral("Cam A"), kDriverA);
    addDevice(QStringLiteral("Cam B"), kDriverA);
    addDevice(QStringLiteral("No Class"), std::nullopt);
    addDevice(longName, kDriverB);

    TSysDevEnum devices(CLSID_VideoInputDeviceCategory, registry);
    ASSERT_EQ(devices.FilterCount(), 4);
    EXPECT_EQ(devices.Filters(1).FriendlyName, QStringLiteral("Cam B"));
    EXPECT_EQ(devices.Filters(1).CLSID, kDriverA);
    EXPECT_EQ(devices.Filters(2).CLSID, platform::GUID_NULL);
    EXPECT_EQ(devices.Filters(3).FriendlyName, longName.left(255));

    EXPECT_EQ(nameOf(devices.CreateFilterByCLSID(kDriverA)), QStringLiteral("Cam A"));
    EXPECT_EQ(nameOf(devices.CreateFilterByCLSID(platform::GUID_NULL)), QStringLiteral("No Class"));
    EXPECT_EQ(devices.CreateFilterByCLSID(platform::CLSID{0x1, 0, 0, {}}), nullptr);
    EXPECT_EQ(devices.CreateFilter(-1), nullptr);
    EXPECT_EQ(devices.CreateFilter(4), nullptr);

    // Devices leave after the listing: positions shift, and past the new end there is none.
    registry->remove(CLSID_VideoInputDeviceCategory, QStringLiteral("Cam A"));
    registry->remove(CLSID_VideoInputDeviceCategory, longName);
    EXPECT_EQ(devices.FilterCount(), 4);
    EXPECT_EQ(nameOf(devices.CreateFilter(0)), QStringLiteral("Cam B"));
    EXPECT_EQ(devices.CreateFilter(2), nullptr);
    EXPECT_EQ(devices.CreateFilter(3), nullptr);

    addDevice(QStringLiteral("Cam C"), kDriverB);
    devices.SelectCategory(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.FilterCount(), 3);
    EXPECT_EQ(devices.Filters(2).FriendlyName, QStringLiteral("Cam C"));

    devices.SelectCategory(platform::CLSID_AudioRendererCategory);
    EXPECT_EQ(devices.FilterCount(), 0);
    EXPECT_EQ(devices.CreateFilter(0), nullptr);
    EXPECT_EQ(devices.CreateFilterByCLSID(platform::GUID_NULL), nullptr);
}

TEST(StoredFilterReference, EncoderReferencesHaveTheirStoredSizesAndLoadTheirMonikers) {
    const QByteArray msdv = StoredFilterReference(MSDVVideoEncoderDisplayName());
    const QByteArray mainConcept = StoredFilterReference(MainConceptDVVideoEncoderDisplayName());
    EXPECT_EQ(msdv.size(), 158);
    EXPECT_EQ(mainConcept.size(), 202);
    EXPECT_EQ(msdv.left(4), QByteArray("\x9a\0\0\0", 4));

    for (const auto& [stored, name] :
         {std::pair{msdv, QStringLiteral("@device:sw:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\DV "
                                         "Video Encoder")},
          std::pair{mainConcept, QStringLiteral("@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}"
                                                "\\{E8AC42C1-0810-11D5-8062-00001C0B1B7F}")}}) {
        TBaseFilter reference(std::make_shared<platform::FilterRegistry>());
        ASSERT_TRUE(reference.LoadStoredData(stored));
        EXPECT_EQ(reference.StoredData(), stored);
        const auto moniker = reference.LoadMoniker();
        ASSERT_NE(moniker, nullptr);
        QString displayName;
        moniker->GetDisplayName(nullptr, nullptr, &displayName);
        EXPECT_EQ(displayName, name);
        EXPECT_EQ(reference.BindFilter(), nullptr);
    }

    TBaseFilter truncated;
    truncated.setData(QByteArray("old"));
    EXPECT_FALSE(truncated.LoadStoredData(msdv.left(100)));
    EXPECT_TRUE(truncated.Data().isEmpty());
    EXPECT_EQ(truncated.LoadMoniker(), nullptr);
}

} // namespace
