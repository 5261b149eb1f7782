// Decoding rules of menu.ini values as plain functions over strings.
//
// Trimming and the TRUE/FALSE tests, the currentcard token, application-key values, the
// storage-card folder and the launcher folder; password scrambling is declared with the model.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Text.h"

namespace qzr {

inline constexpr wchar_t kStorageCardCandidates[] = L"\\sd card$\\Flash File Store";
inline constexpr wchar_t kCurrentCardToken[] = L"currentcard";
inline constexpr wchar_t kAppKeyLauncher[] = L"LAUNCHER";
inline constexpr wchar_t kAppKeyUnlocked[] = L"UNLOCKED";
inline constexpr wchar_t kButtonKeyFormat[] = L"Button%d";
inline constexpr wchar_t kAppKeyFormat[] = L"AppKey%dExe";
inline constexpr size_t kModuleNameChars = 512;  // GetLauncherFolder's buffer; a name this long counts as failure
inline constexpr size_t kLauncherModuleChars = 256;

// "TRUE" and "FALSE" tests on the trimmed value, without regard to case.
bool IsTrueValue(std::wstring_view value);
bool IsFalseValue(std::wstring_view value);

// Expands the currentcard token of a trimmed, lower-cased value; false when it holds none.
// "\currentcard" drops the first 12 characters, "currentcard" the first 11, and the card
// folder goes in front: the token is meant to open the value.
bool ExpandCurrentCard(std::wstring_view loweredValue, std::wstring_view cardFolder, std::wstring& expanded);

// A button's path value (exe, Alternate Icon Path): empty when blank; otherwise the expanded
// path or the value as read, lower-cased as a whole.
std::wstring DecodeButtonPath(std::wstring_view value, std::wstring_view cardFolder);
// Bitmaps/TopLogo: like a button path, but the card folder keeps its case and the value
// without the token is the trimmed one.
std::wstring DecodeTopLogoPath(std::wstring_view value, std::wstring_view cardFolder);

struct AppKeyBinding {
  bool configured = false;
  bool whitelisted = false;  // a program of its own, entered into the whitelist
  std::wstring exe;
  std::wstring title;
};
struct ButtonSlot;
// Decodes an ApplicationKeys value; `buttons` holds the kButtonSlots button slots.
AppKeyBinding DecodeAppKeyValue(std::wstring_view value, std::wstring_view launcherModuleName,
                                const ButtonSlot* buttons, std::wstring_view cardFolder);

// The first candidate whose first path component names one of the root's directories (any
// case), spelled as in the candidate list; empty when none does.
std::wstring PickStorageCardFolder(std::wstring_view candidates, const std::vector<std::wstring>& rootDirectories);

// From what GetModuleFileNameW returned into a buffer of `capacity` characters: the name
// lower-cased and cut after its last backslash. False (and an empty folder) when the name
// filled the buffer, since then it may have been cut.
bool LauncherFolderFromModuleName(std::wstring_view returned, size_t capacity, std::wstring& folder);

// How LoadMenuConfig and the whitelist read a key's value.
enum class MenuValueKind { Text, Path, TrueTest, FalseTest, AppKey, PlainPassword, ScrambledPassword, Permit };
// One key the launcher reads: `key` is a name, or a format with one %d taking first..last.
struct MenuIniKey {
  const wchar_t* section;
  const wchar_t* key;
  MenuValueKind kind;
  int first = 0;
  int last = 0;
};
// Every section and key of menu.ini that the launcher reads, for tools that check a file.
const std::vector<MenuIniKey>& MenuIniKeys();

}  // namespace qzr
