#pragma once

#include "playlist/check_list.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace playlist {

// Playlist files (".plst") are INI text with one section per item, named "0", "1", ... in list
// order, each with the keys "File" (the item's text) and "Checked" ("1" or "0").

// Writes every item of list, checked or not, in order. The file is written anew and put in
// place of the old one in one step, so a failed save leaves the previous playlist intact. An
// empty list deletes the file. Raises platform::EIniFileException "Unable to write to
// <fileName>" when the file cannot be written (or, for an empty list, cannot be deleted), and,
// with the reason added and before anything is written, when an item's text holds a line break
// or begins or ends with a blank, which the reader would not give back. A text enclosed in
// quotes is written inside one more pair, since the reader strips one.
void SavePlayList(const QString& fileName, const CheckList& list);

// Appends the items of the playlist file to list, one per section in file order, after the
// items already there, reading each section by its name as the profile functions do (a
// repeated name gives the first section's values again; one pair of enclosing quotes is
// dropped). Every section and the whole "File" value are read; a section without "File" gives
// an empty item. A missing or unreadable file appends nothing and reports nothing.
void LoadPlayList(const QString& fileName, CheckList& list);

// The check mark a "Checked" value stands for. The value is read as a whole as a signed
// integer: decimal, or hexadecimal after "0x" or "$". Only a number equal to zero unchecks;
// an absent or empty value, or one that is not wholly a number ("yes", "12abc"), checks.
bool checkedFromText(const std::optional<QString>& value);

// The integer parse behind checkedFromText: optional "+" or "-", then decimal digits, or "0x",
// "0X" or "$" and hexadecimal digits, and nothing else; at most 32 bits of magnitude.
std::optional<qint64> parseProfileInteger(const QString& text);

// True when the path's extension, lower-cased, is ".plst"; the contents are never looked at.
bool isPlayListFile(const QString& path);

// A playlist name as the user typed it into a file dialog: ".plst" is appended when the file
// name has no extension at all.
QString WithPlayListExtension(const QString& fileName);

// The add-files rule: each path in order is read with LoadPlayList when it names a playlist
// file and otherwise appended as one checked item. Nothing is sorted or de-duplicated, and
// playlists named inside playlists are ordinary items.
void AddFiles(const QStringList& paths, CheckList& list);

} // namespace playlist
