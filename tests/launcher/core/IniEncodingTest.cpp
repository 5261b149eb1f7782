// menu.ini in every encoding an editor saves: read, rewritten byte for byte, unknown sections logged.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "EventLog.h"
#include "core/IniFile.h"
#include "core/LauncherConfig.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

enum class Form { Utf16LeBom, Utf16BeBom, Utf8Bom, Utf8 };

struct Encoding {
  const char* name;
  Form form;
};
const Encoding kEncodings[] = {{"UTF-16 LE with BOM", Form::Utf16LeBom},
                               {"UTF-16 BE with BOM", Form::Utf16BeBom},
                               {"UTF-8 with BOM", Form::Utf8Bom},
                               {"UTF-8 without BOM", Form::Utf8}};

// The bytes an editor writes for `text` (no byte-order mark; Bom() adds it).
std::string Encode(const std::wstring& text, Form form) {
  std::string bytes;
  if (form == Form::Utf16LeBom || form == Form::Utf16BeBom) {
    for (wchar_t c : text) {
      char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
      bytes += form == Form::Utf16LeBom ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  bytes.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

std::string Bom(Form form) {
  switch (form) {
    case Form::Utf16LeBom: return "\xFF\xFE";
    case Form::Utf16BeBom: return "\xFE\xFF";
    case Form::Utf8Bom: return "\xEF\xBB\xBF";
    default: return "";
  }
}

std::string File(const std::wstring& text, Form form) { return Bom(form) + Encode(text, form); }

}  // namespace

TEST(IniEncoding, EveryEncodingReadsTheSameValues) {
  // Non-ASCII text, a lone LF line end, a section name after a comment, a last line without end.
  const std::wstring text = L"; Menü für das Lager\r\n[Caption]\r\nButton1=Überblick €\r\nButton2=Scan\n"
                            L"[exe]\r\nButton1=\\Windows\\Übersicht.exe\r\n[Auto start]\r\nEnabled=FALSE";
  for (const Encoding& e : kEncodings) {
    SCOPED_TRACE(e.name);
    ScratchFolder folder(L"inienc");
    const std::wstring path = folder / L"menu.ini";
    ASSERT_TRUE(WriteBytes(path, File(text, e.form)));
    EXPECT_EQ(qzr::ReadIniValue(L"Caption", L"Button1", L"?", path.c_str()), L"Überblick €");
    EXPECT_EQ(qzr::ReadIniValue(L"caption", L"Button2", L"?", path.c_str()), L"Scan");
    EXPECT_EQ(qzr::ReadIniValue(L"exe", L"Button1", L"?", path.c_str()), L"\\Windows\\Übersicht.exe");
    EXPECT_EQ(qzr::ReadIniValue(L"Auto start", L"Enabled", L"?", path.c_str()), L"FALSE");
    EXPECT_EQ(qzr::ReadIniValue(L"exe", L"Button2", L"?", path.c_str()), L"?");
    EXPECT_TRUE(qzr::HasAnyIniSection(path.c_str(), {L"Other", L"EXE"}));
    EXPECT_FALSE(qzr::HasAnyIniSection(path.c_str(), {L"Other", L"Menü"}));
  }
}

TEST(IniEncoding, WritesKeepTheEncodingAndEveryOtherByte) {
  // Mixed line ends and a last line without one: copied lines must come back exactly.
  const std::wstring before = L"; Kommentar ÄÖÜ\n[PassWord]\r\npwd=geheim\r\n[Caption]\nButton1=Über\r\nlast=ü";
  struct Step {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
  };
  const Step steps[] = {{L"PassWord", L"cpwd", L"xyz€"}, {L"PassWord", L"pwd", L""}, {L"Neu", L"k", L"wert"}};
  const std::wstring after = L"; Kommentar ÄÖÜ\n[PassWord]\r\npwd=\r\ncpwd=xyz€\r\n[Caption]\nButton1=Über\r\nlast=ü"
                             L"\r\n[Neu]\r\nk=wert\r\n";
  for (const Encoding& e : kEncodings) {
    SCOPED_TRACE(e.name);
    ScratchFolder folder(L"iniencw");
    const std::wstring path = folder / L"menu.ini";
    ASSERT_TRUE(WriteBytes(path, File(before, e.form)));
    for (const Step& s : steps) ASSERT_TRUE(qzr::WriteIniString(s.section, s.key, s.value, path.c_str()));
    EXPECT_EQ(ReadBytes(path).value_or("?"), File(after, e.form));
    EXPECT_EQ(qzr::ReadIniValue(L"PassWord", L"cpwd", L"?", path.c_str()), L"xyz€");
  }
}

TEST(IniEncoding, AMenuIniWithoutKnownSectionsIsLoggedOnce) {
  namespace el = qzr::eventlog;
  ScratchFolder folder(L"iniencl");
  ScratchFolder root(L"iniencr");
  ProfileScope profile;
  const std::wstring log = folder / L"events.txt";
  profile.Set(wince::profile::kEventLogFile, log);
  el::SetFacilityNumber(el::RegisterFacility(el::kFacilityName));

  qzr::MenuLocation where;
  where.iniPath = folder / L"menu.ini";
  where.launcherFolder = L"\\flash file store\\launcher\\";
  where.launcherModuleName = L"\\Flash File Store\\Launcher\\QZRShell.exe";
  where.cardRoot = root.path();
  // UTF-16 without a byte-order mark is not one of the encodings read: its sections are not found.
  const std::string unknown = Encode(L"[Caption]\r\nButton1=Lager\r\n", Form::Utf16LeBom);
  struct Case {
    const char* name;
    std::optional<std::string> bytes;  // nullopt: no file
    bool logged;
  } cases[] = {
      {"no section of ours", std::string("[Settings]\r\nButton1=Lager\r\n"), true},
      {"UTF-16 without byte-order mark", unknown, true},
      {"a known section", std::string("; only a lock\r\n[Lockable Keys]\r\n"), false},
      {"a known section in UTF-16", File(L"[WhiteList]\r\nWhiteListEnabled=FALSE\r\n", Form::Utf16BeBom), false},
      {"an empty file", std::string(), false},
      {"no file", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(log.c_str());
    DeleteFileW(where.iniPath.c_str());
    if (c.bytes) {
      ASSERT_TRUE(WriteBytes(where.iniPath, *c.bytes));
    }
    qzr::MenuConfig config = qzr::ReadMenuConfig(where);
    EXPECT_EQ(config.buttonCount, 0);
    std::vector<std::string> lines;
    for (const std::string& line : ReadLines(log))
      if (line.find("known sections") != std::string::npos) lines.push_back(line);
    if (!c.logged) {
      EXPECT_TRUE(lines.empty());
      continue;
    }
    ASSERT_EQ(lines.size(), 1u);
    const std::string expected = "[category 12] ..\\..\\common source\\LauncherConfig (120), " + Narrow(where.iniPath) +
                                 " (" + std::to_string(c.bytes->size()) + " bytes) holds none of the known sections";
    EXPECT_NE(lines[0].find(expected), std::string::npos) << lines[0];
  }
  el::SetFacilityNumber(0);
}
