// A device image on the host file system: device paths looked up without regard to case, as
// the device's file system does, also on a host whose file system minds case.
#include <filesystem>
#include <system_error>

#include "Lint.h"
#include "core/MenuRules.h"

namespace qzr::lint {
namespace fs = std::filesystem;

namespace {

// The entry of `folder` whose name equals `name` without regard to case.
bool FindEntry(const fs::path& folder, const std::wstring& name, fs::path* found) {
  std::error_code error;
  fs::path exact = folder / name;
  if (fs::exists(exact, error)) {
    *found = exact;
    return true;
  }
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EqualsNoCase(it->path().filename().wstring(), name)) {
      *found = it->path();
      return true;
    }
  }
  return false;
}

}  // namespace

DeviceImage HostDeviceImage(const std::wstring& hostFolder) {
  DeviceImage image;
  fs::path root(hostFolder);
  std::error_code error;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error))
    if (it->is_directory(error)) image.rootDirectories.push_back(it->path().filename().wstring());
  image.exists = [root](const std::wstring& devicePath) {
    fs::path at = root;
    size_t start = 0;
    while (start <= devicePath.size()) {
      size_t end = devicePath.find_first_of(L"\\/", start);
      if (end == std::wstring::npos) end = devicePath.size();
      std::wstring part = devicePath.substr(start, end - start);
      if (!part.empty() && part != L"." && !FindEntry(at, part, &at)) return false;
      start = end + 1;
    }
    return true;
  };
  return image;
}

}  // namespace qzr::lint
