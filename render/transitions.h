#pragma once

#include "render/build_settings.h"
#include "render/file_info.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace render {

struct TTimelinePlacement;

// The program's random generator: a 32-bit linear congruential generator that starts at seed 0
// and is never seeded from the clock, so a given list gets the same wipes in every run. One
// instance lives as long as the program; the wipe picker is its only user.
class TRandomGenerator {
public:
    // A value from 0 to bound - 1 (0 when bound is 0); every draw advances the seed.
    std::uint32_t Draw(std::uint32_t bound);

    std::uint32_t seed = 0;
};

// One row of the wipe category table: the text of the transition type list and its codes.
struct TWipeCategory {
    const char* listText;
    std::span<const int> codes; // ascending
};

// The eight wipe categories in the order of the transition type list.
std::span<const TWipeCategory> WipeCategories();

// The wipe codes still to be used in one build; empty when the build starts.
struct TWipePool {
    std::vector<int> codes;
};

// True when transitions are on and at least one transition type is checked.
bool TransitionsActive(const TBuildSettings& settings);

// The next wipe code: refills an empty pool from the checked categories, then takes a random
// code out of it, so that every code of a filled pool is used once before the next refill.
// Returns 0 (and draws nothing) when no category is checked.
int PickWipe(TWipePool& pool, const std::array<bool, kWipeCategoryCount>& checked,
             TRandomGenerator& random);

// True when the first entry after entryIndex that can be played is a picture (of kind
// fkPictureLast, fkPictureNext or fkSequence). Whether its file exists is not considered.
bool NextIsPicture(const std::vector<TFileInfo>& playList, std::size_t entryIndex);

// Places one picture at the running position as two halves on tracks B and A, with a wipe into
// the next picture when withTransition is set, and advances the position by one picture time.
// fileName absent means the entry's own file.
void PlacePictureWithTransition(TTimelinePlacement& placement, std::size_t entryIndex,
                                const std::optional<QString>& fileName, bool withTransition);

// Places the picture, run of pictures or picture sequence that starts at entryIndex with
// transitions. Returns the index of the last entry consumed.
std::size_t PlacePicturesWithTransitions(TTimelinePlacement& placement, std::size_t entryIndex);

} // namespace render
