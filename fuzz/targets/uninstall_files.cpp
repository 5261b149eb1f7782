// The uninstall files' bytes → records: the data file as UTF-16LE lines, the command file as
// the command section it is.
#include <cstdint>
#include <string>
#include <string_view>

#include "PackageLists.h"
#include "Records.h"
#include "SetupTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrsetup;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::wstring text = RecordTextFromBytes(bytes);
  for (const std::wstring& line : SplitRecordLines(text)) {
    if (line.empty() || line.size() > kRecordLineLimit || line.find_first_of(L"\r\n") != std::wstring::npos)
      __builtin_trap();
    UninstallRecord record = ParseUninstallRecord(line);
    if (record.kind == UninstallRecord::Kind::RegKey || record.kind == UninstallRecord::Kind::RegValue)
      RootKeyNumber(record.root);
  }

  if (auto entries = WalkIniSection(bytes, kSecUninstallCommands, kCommandLineBytes))
    for (const Command& command : CommandsFromEntries(*entries)) {
      if (command.verb == Verb::AddRegEntry) RegistryEntryFromFields(command.fields);
      if (command.verb == Verb::RemoveRegEntry) RegistryRemovalFromFields(command.fields);
    }
  return 0;
}
