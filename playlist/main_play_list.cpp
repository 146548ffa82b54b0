#include "playlist/main_play_list.h"

#include "playlist/master_list.h"
#include "render/media_item.h"

#include <array>
#include <cstdint>
#include <memory>

namespace playlist {

namespace {

constexpr std::int64_t kUnitsPerMillisecond = 10'000;
constexpr std::uint32_t kMillisecondsPerDay = 86'400'000;

const std::array<QString, kKindIconCount>& iconLegends() {
    static const std::array<QString, kKindIconCount> legends{
        QStringLiteral("Can't play this file"), QStringLiteral("Video only, no Audio "),
        QStringLiteral("Video-Audio"), QStringLiteral("Picture"),
        QStringLiteral("Picture Sequence")};
    return legends;
}

// Retags through `kindAt(i)`, which gives the kind of record i or null when it has none.
template <typename KindAt> void retag(std::size_t count, KindAt kindAt) {
    // Ascending, so that the next record still holds fkPicture when it is looked at.
    for (std::size_t i = 0; i < count; ++i) {
        render::TFileKind* kind = kindAt(i);
        if (kind == nullptr || *kind != render::fkPicture) {
            continue;
        }
        const render::TFileKind* next = i + 1 < count ? kindAt(i + 1) : nullptr;
        *kind = next != nullptr && *next == render::fkPicture ? render::fkPictureNext
                                                              : render::fkPictureLast;
    }
}

} // namespace

int KindIconIndex(const render::TFileInfo& info) {
    switch (info.Kind) {
    case render::fkCantPlay:
        return 0;
    case render::fkMedia:
        return info.AudioStreamCount == 0 ? 1 : 2;
    case render::fkPicture:
        return -1;
    case render::fkPictureLast:
    case render::fkPictureNext:
        return 3;
    case render::fkSequence:
        return 4;
    }
    return -1;
}

QString KindLegend(const render::TFileInfo& info) {
    return KindIconLegend(KindIconIndex(info));
}

QString KindIconLegend(int iconIndex) {
    if (iconIndex < 0 || iconIndex >= kKindIconCount) {
        return {};
    }
    return iconLegends()[static_cast<std::size_t>(iconIndex)];
}

void RetagPictures(std::vector<render::TFileInfo>& records) {
    retag(records.size(), [&](std::size_t i) { return &records[i].Kind; });
}

void RetagPictures(CheckList& list) {
    retag(static_cast<std::size_t>(list.count()), [&](std::size_t i) -> render::TFileKind* {
        render::TFileInfo* info = list.fileInfo(static_cast<int>(i));
        return info != nullptr ? &info->Kind : nullptr;
    });
}

QString PlayListLengthText(render::REFERENCE_TIME duration) {
    const auto ms = static_cast<std::uint32_t>(duration / kUnitsPerMillisecond);
    return render::DurationText(static_cast<double>(ms % kMillisecondsPerDay) /
                                static_cast<double>(kMillisecondsPerDay));
}

render::REFERENCE_TIME RebuildMainPlayList(CheckList& masterList, CheckList& mainList,
                                           const render::ProbeSettings& probe,
                                           const std::function<void(int index)>& itemAdded) {
    FreeListItems(mainList, false, false);
    render::REFERENCE_TIME total = 0;
    for (int i = 0; i < masterList.count(); ++i) {
        if (!masterList.checked(i)) {
            continue;
        }
        auto record = std::make_unique<render::TFileInfo>();
        if (const render::TFileInfo* cached = masterList.fileInfo(i)) {
            render::CopyFileInfo(*record, *cached);
        } else {
            record = render::ProbeFile(masterList.text(i), probe);
            auto cache = std::make_unique<render::TFileInfo>();
            render::CopyFileInfo(*cache, *record);
            masterList.setFileInfo(i, std::move(cache));
        }
        record->Start = total;
        total += record->Duration;
        const int index = mainList.add(masterList.text(i), true);
        mainList.setFileInfo(index, std::move(record));
        if (itemAdded) {
            itemAdded(index);
        }
    }
    RetagPictures(mainList);
    return total;
}

} // namespace playlist
