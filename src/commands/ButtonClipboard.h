#pragma once

#include <cstdint>

#include "commands/ProfileUserButtonMap.h"
#include "core/Export.h"

// Buttons and whole button bars travel through the clipboard in one private
// format; a two-letter tag in front says which of the two it holds and
// where it came from.
inline constexpr char16_t kButtonBarClipboardFormat[] = u"CmdMgrButtonBar";

// Where a copied button or list came from.
inline constexpr int kClipboardOriginCommandManager = 1;
inline constexpr int kClipboardOriginButtonBar = 2;

// The format's number, registered on first use and kept for the process.
uint32_t GetButtonBarClipboardFormat();

// Places the whole list (origin 1: a command folder, 2: a button bar) on
// the clipboard. False for any other origin (the clipboard is not touched)
// or when the clipboard refuses.
ORV_EXPORT bool CopyButtonBarToClipboard(const ProfileUserButtonMap& map, int origin);
// The same for a list holding the one button to copy.
ORV_EXPORT bool CopyButtonToClipboard(const ProfileUserButtonMap& map, int origin);

// Whether the clipboard holds a whole list, or a single button. `origin` is
// set whenever the clipboard holds any of the four kinds, also when the
// answer is false; otherwise it is left alone.
ORV_EXPORT bool IsButtonBarOnClipboard(int& origin);
ORV_EXPORT bool IsButtonOnClipboard(int& origin);

// Reads a whole list from the clipboard into a new map the caller owns
// (and releases). A list whose lengths do not fit still hands over the
// (empty) map, with the result false. Without a list on the clipboard the
// result is false and `map` is set to null.
ORV_EXPORT bool CopyButtonBarFromClipboard(ProfileUserButtonMap** map, int& origin);
// Reads a single button: true only when the data holds exactly one usable
// button; otherwise `map` is set to null.
ORV_EXPORT bool CopyButtonFromClipboard(ProfileUserButtonMap** map, int& origin);
