#include "render/transitions.h"

#include "platform/editing/editing_guids.h"
#include "platform/system/query.h"
#include "render/media_item.h"
#include "render/timeline_builder.h"

#include <algorithm>
#include <stdexcept>

namespace render {
namespace {

struct CodeRange {
    int first;
    int last;
};

// The codes of the given ranges in order; N must be their exact count.
template <std::size_t N, std::size_t R>
constexpr std::array<int, N> ExpandRanges(const std::array<CodeRange, R>& ranges) {
    std::array<int, N> codes{};
    std::size_t n = 0;
    for (const auto& range : ranges) {
        for (int code = range.first; code <= range.last; ++code) {
            if (n == N) {
                throw std::logic_error("wipe code count");
            }
            codes[n++] = code;
        }
    }
    if (n != N) {
        throw std::logic_error("wipe code count");
    }
    return codes;
}

constexpr auto kSimple = ExpandRanges<22>(std::array<CodeRange, 3>{{{1, 8}, {21, 26}, {41, 48}}});
constexpr auto kWedge = ExpandRanges<8>(std::array<CodeRange, 1>{{{61, 68}}});
constexpr auto kSawtooth = ExpandRanges<4>(std::array<CodeRange, 1>{{{71, 74}}});
constexpr auto kFigure =
    ExpandRanges<26>(std::array<CodeRange, 3>{{{101, 114}, {119, 125}, {127, 131}}});
constexpr auto kRadial = ExpandRanges<39>(std::array<CodeRange, 7>{
    {{201, 207}, {211, 214}, {221, 228}, {231, 236}, {241, 246}, {251, 254}, {261, 264}}});
constexpr auto kMatrix =
    ExpandRanges<30>(std::array<CodeRange, 4>{{{301, 306}, {310, 317}, {320, 329}, {340, 345}}});
constexpr auto kWaterfall = ExpandRanges<4>(std::array<CodeRange, 1>{{{350, 353}}});
constexpr auto kRandomMask = ExpandRanges<1>(std::array<CodeRange, 1>{{{409, 409}}});

constexpr std::array<TWipeCategory, kWipeCategoryCount> kWipeCategories{{
    {"22   Simple", kSimple},
    {"  8   Wedge", kWedge},
    {"  4   Sawtooth", kSawtooth},
    {"26   Figure", kFigure},
    {"39   Radial", kRadial},
    {"30   Matrix", kMatrix},
    {"  4   Waterfall", kWaterfall},
    {"  1   Random mask", kRandomMask},
}};

bool IsPictureKind(TFileKind kind) {
    return kind == fkPictureLast || kind == fkPictureNext || kind == fkSequence;
}

// A property setter with one string value at time 0 for each named property.
std::shared_ptr<platform::IPropertySetter> WipeProperties(int maskNum, std::int64_t softness) {
    auto setter = platform::CreatePropertySetter();
    const auto add = [&](const QString& name, const QString& text) {
        const platform::DEXTER_PARAM param{name, 0, 1};
        const platform::DEXTER_VALUE value{QVariant(text), 0, platform::DEXTERF_JUMP};
        setter->AddProp(param, std::span(&value, 1));
    };
    add(QStringLiteral("MaskNum"), QString::number(maskNum));
    add(QStringLiteral("BorderSoftness"), QString::number(softness));
    return setter;
}

} // namespace

std::uint32_t TRandomGenerator::Draw(std::uint32_t bound) {
    seed = seed * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * bound) >> 32);
}

std::span<const TWipeCategory> WipeCategories() {
    return kWipeCategories;
}

bool TransitionsActive(const TBuildSettings& settings) {
    return settings.transitionsEnabled &&
           std::any_of(settings.transitionTypesChecked.begin(),
                       settings.transitionTypesChecked.end(), [](bool checked) { return checked; });
}

int PickWipe(TWipePool& pool, const std::array<bool, kWipeCategoryCount>& checked,
             TRandomGenerator& random) {
    if (pool.codes.empty()) {
        for (std::size_t row = 0; row < kWipeCategoryCount; ++row) {
            if (checked[row]) {
                const auto codes = kWipeCategories[row].codes;
                pool.codes.insert(pool.codes.end(), codes.begin(), codes.end());
            }
        }
    }
    const auto n = pool.codes.size();
    if (n == 0) {
        return 0;
    }
    // Position r from 1 to n - 1 (1 when n is 1); the last code fills the gap.
    const std::size_t r = 1 + random.Draw(static_cast<std::uint32_t>(n - 1));
    const int code = pool.codes[r - 1];
    pool.codes[r - 1] = pool.codes[n - 1];
    pool.codes.pop_back();
    return code;
}

bool NextIsPicture(const std::vector<TFileInfo>& playList, std::size_t entryIndex) {
    for (std::size_t i = entryIndex + 1; i < playList.size(); ++i) {
        if (playList[i].Kind != fkCantPlay) {
            return IsPictureKind(playList[i].Kind);
        }
    }
    return false;
}

void PlacePictureWithTransition(TTimelinePlacement& placement, std::size_t entryIndex,
                                const std::optional<QString>& fileName, bool withTransition) {
    const TFileInfo& entry = placement.playList[entryIndex];
    const QString& name = fileName ? *fileName : entry.FileName;
    const TBuildSettings& settings = placement.settings;
    const REFERENCE_TIME pic = settings.pictureUnits();
    const REFERENCE_TIME halfPic = settings.halfPictureUnits();
    const REFERENCE_TIME halfTrans = settings.halfTransitionUnits();
    const REFERENCE_TIME cur = placement.cur;

    // First half on track B, starting halfTrans early so the previous picture can wipe into it.
    const REFERENCE_TIME firstStart = cur - halfTrans < 0 ? cur : cur - halfTrans;
    AddSourceNode(placement, *placement.trackB, firstStart, cur + halfPic, 0, halfPic, name,
                  entry.StretchMode);
    // Second half on track A, reaching halfTrans past the picture's end.
    AddSourceNode(placement, *placement.trackA, cur + halfPic, cur + pic + halfTrans, 0, halfPic,
                  name, entry.StretchMode);

    if (withTransition) {
        std::shared_ptr<platform::IAMTimelineObj> node;
        placement.timeline.CreateEmptyNode(&node, platform::TIMELINE_MAJOR_TYPE_TRANSITION);
        node->SetSubObjectGUID(platform::CLSID_DxtJpeg);
        node->SetStartStop(cur + pic - halfTrans, cur + pic + halfTrans);
        // The wipe runs from the outgoing picture on track A to the incoming one on track B.
        platform::query<platform::IAMTimelineTrans>(node)->SetSwapInputs(true);
        const int maskNum =
            PickWipe(placement.wipePool, settings.transitionTypesChecked, placement.random);
        placement.lastPropertySetter = WipeProperties(maskNum, settings.softness());
        node->SetPropertySetter(placement.lastPropertySetter);
        platform::query<platform::IAMTimelineTransable>(placement.trackA)->TransAdd(node);
    }
    placement.cur += pic;
}

std::size_t PlacePicturesWithTransitions(TTimelinePlacement& placement, std::size_t entryIndex) {
    const auto& playList = placement.playList;
    const TFileInfo& entry = playList[entryIndex];
    switch (entry.Kind) {
    case fkPictureNext: {
        std::size_t i = entryIndex;
        // A run reads 4, 4, ..., 4, 3; it also ends at the end of the list or at an entry that
        // is not a picture of the run, which a well-formed list never has.
        while (i < playList.size() && playList[i].Kind == fkPictureNext) {
            PlacePictureWithTransition(placement, i, std::nullopt, true);
            ++i;
        }
        if (i < playList.size() && playList[i].Kind == fkPictureLast) {
            PlacePictureWithTransition(placement, i, std::nullopt, NextIsPicture(playList, i));
            return i;
        }
        return i - 1;
    }
    case fkSequence: {
        const QStringList names = SequenceFileNames(entry.FileName);
        PlacePictureWithTransition(placement, entryIndex, std::nullopt, true);
        for (qsizetype k = 1; k < names.size(); ++k) {
            const bool last = k + 1 == names.size();
            PlacePictureWithTransition(placement, entryIndex, names[k],
                                       last ? NextIsPicture(playList, entryIndex) : true);
        }
        return entryIndex;
    }
    default: // fkPictureLast
        PlacePictureWithTransition(placement, entryIndex, std::nullopt,
                                   NextIsPicture(playList, entryIndex));
        return entryIndex;
    }
}

} // namespace render
