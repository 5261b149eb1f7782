// The program list's icon lookups on a thread of their own.
#include "ui/ProgramIcons.h"

#include "wince.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "Win32UserOwners.h"
#include "core/LauncherConfig.h"

namespace qzr {
namespace {

// The system image list's index, from the name and attributes alone: the file is not read.
constexpr UINT kIconIndexFlags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES;
static_assert(kIconIndexFlags == 0x4010);
constexpr UINT kImageListFlags = 0x4000;

}  // namespace

const std::wstring& IconSourceOf(const ButtonSlot& button) {
  return button.iconPath.empty() ? button.exePath : button.iconPath;
}

std::vector<std::wstring> ProgramIconSources(const LauncherConfig& config) {
  std::vector<std::wstring> sources;
  const int count = std::clamp(config.buttonCount, 0, kButtonSlots);
  for (int i = 0; i < count; ++i) sources.push_back(IconSourceOf(config.buttons[static_cast<size_t>(i)]));
  return sources;
}

HIMAGELIST LookUpSystemImageList() {
  SHFILEINFOW info{};
  auto list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"\\", 0, &info, sizeof info, kImageListFlags));
  Icon unused(info.hIcon);
  return list;
}

int LookUpIconIndex(const std::wstring& source) {
  SHFILEINFOW info{};
  SHGetFileInfoW(source.c_str(), 0, &info, sizeof info, kIconIndexFlags);
  Icon unused(info.hIcon);
  return info.iIcon;
}

void ProgramIcons::Start(std::vector<std::wstring> sources) {
  Wait();
  sources_ = std::move(sources);
  indices_.clear();
  systemList_ = nullptr;
  thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
  if (!thread_) sources_.clear();
}

DWORD WINAPI ProgramIcons::Run(void* self) {
  auto* icons = static_cast<ProgramIcons*>(self);
  icons->systemList_ = LookUpSystemImageList();
  for (const std::wstring& source : icons->sources_) icons->indices_.push_back(LookUpIconIndex(source));
  return 0;
}

void ProgramIcons::Wait() {
  if (!thread_) return;
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

HIMAGELIST ProgramIcons::SystemImageList() {
  Wait();
  return systemList_ ? systemList_ : LookUpSystemImageList();
}

int ProgramIcons::IndexOf(size_t item, const std::wstring& source) {
  Wait();
  if (item < indices_.size() && item < sources_.size() && sources_[item] == source) return indices_[item];
  return LookUpIconIndex(source);
}

}  // namespace qzr
