// The playlist loader on an arbitrary file. The items it loads, saved and loaded again, must be
// the same items with the same check marks.
#include "fuzz/fuzz_support.h"
#include "platform/system/profile.h"
#include "playlist/check_list.h"
#include "playlist/playlist_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzsupport::writeInputFile(QStringLiteral("input.plst"), data, size);
    playlist::CheckList loaded;
    playlist::LoadPlayList(input, loaded);
    playlist::AddFiles({input, QStringLiteral("plain.avi")}, loaded);

    const QString saved = fuzzsupport::scratchPath(QStringLiteral("saved.plst"));
    try {
        playlist::SavePlayList(saved, loaded);
    } catch (const platform::EIniFileException&) {
        // An item's text holds a line break, which the format cannot store: refused, not lost.
        return 0;
    }
    playlist::CheckList reloaded;
    playlist::LoadPlayList(saved, reloaded);
    fuzzsupport::require(reloaded.count() == loaded.count(), "every item is saved");
    for (int i = 0; i < loaded.count(); ++i) {
        fuzzsupport::require(reloaded.text(i) == loaded.text(i), "item texts survive saving");
        fuzzsupport::require(reloaded.checked(i) == loaded.checked(i),
                             "check marks survive saving");
    }
    return 0;
}
