// What the simulated device does for the operator's screens: dialogs, open operation, icons, adapters.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "TestSupport.h"
#include "cenet.h"
#include "wince.h"

using namespace testing_support;

namespace {

std::vector<BYTE> Template(bool extended, DWORD style, DWORD exStyle) {
  std::vector<BYTE> t(extended ? 26 : 18, 0);
  if (extended) {
    const WORD head[2] = {1, 0xFFFF};
    memcpy(t.data(), head, 4);
    memcpy(t.data() + 8, &exStyle, 4);
    memcpy(t.data() + 12, &style, 4);
  } else {
    memcpy(t.data(), &style, 4);
    memcpy(t.data() + 4, &exStyle, 4);
  }
  return t;
}

// The style (or, with `ex`, the extended style) a template holds.
DWORD StyleOf(const std::vector<BYTE>& t, bool extended, bool ex = false) {
  DWORD style = 0;
  memcpy(&style, t.data() + (extended ? (ex ? 8 : 12) : (ex ? 4 : 0)), 4);
  return style;
}

}  // namespace

TEST(DeviceDialogs, TemplatesLoseCaptionAndFrameButNothingElse) {
  const DWORD popup = WS_POPUP | DS_SETFONT | WS_CAPTION | WS_SYSMENU;
  const struct {
    const char* name;
    bool extended;
    DWORD style, exStyle, wantStyle, wantExStyle;
  } cases[] = {
      {"extended popup with caption", true, popup, 0, WS_POPUP | DS_SETFONT | WS_CLIPCHILDREN, 0},
      {"plain popup, modal frame", false, WS_POPUP | DS_MODALFRAME | WS_CAPTION, WS_EX_DLGMODALFRAME,
       WS_POPUP | WS_CLIPCHILDREN, 0},
      {"sizeable, visible", true, WS_POPUP | WS_VISIBLE | WS_THICKFRAME | WS_BORDER, WS_EX_CLIENTEDGE | WS_EX_TOPMOST,
       WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_TOPMOST},
      {"a child page keeps its frame", true, WS_CHILD | WS_CAPTION, 0, WS_CHILD | WS_CAPTION, 0},
  };
  for (const auto& c : cases) {
    auto t = Template(c.extended, c.style, c.exStyle);
    auto shown = wince::DeviceDialogTemplate(t.data(), t.size());
    ASSERT_EQ(shown.size(), t.size()) << c.name;
    EXPECT_EQ(StyleOf(shown, c.extended), c.wantStyle) << c.name;
    EXPECT_EQ(StyleOf(shown, c.extended, true), c.wantExStyle) << c.name;
  }
  const BYTE tooShort[6] = {1, 0, 0xFF, 0xFF, 0, 0};
  EXPECT_EQ(wince::DeviceDialogTemplate(tooShort, sizeof tooShort), std::vector<BYTE>(tooShort, tooShort + 6));
}

TEST(DeviceDialogs, ClientAreaStartsBelowAShownTaskBar) {
  const struct {
    int top, bottom;
    bool shown;
    int barBottom;
    bool hides;
    int want;
  } cases[] = {
      {0, 640, true, 52, false, 52},   // windowed: below the bar
      {0, 640, false, 52, false, 0},   // bar hidden by the lockdown
      {0, 640, true, 52, true, 0},     // the window asked for the whole screen
      {60, 640, true, 52, false, 60},  // already below it
      {0, 30, true, 52, false, 30},    // a window shorter than the bar keeps no client height
  };
  for (const auto& c : cases)
    EXPECT_EQ(wince::ClientTopBelowTaskBar(c.top, c.bottom, c.shown, c.barBottom, c.hides), c.want)
        << c.top << " " << c.shown << " " << c.hides;
}

TEST(DeviceShellOpen, QuotedFileAndFolderAreThePathsInside) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"  \"\\flash file store\\\"  ", L"\\flash file store\\"},
               {L"\"\"", L""},
               {L"\\windows\\plain.exe", L"\\windows\\plain.exe"},
               {L"\"", L"\""},
               {L"\"half", L"\"half"}};
  for (const auto& c : cases) EXPECT_EQ(wince::Unquoted(c.in), c.out) << Narrow(c.in);

  // The volume program as the launcher asks for it: file and folder in quotes.
  ScratchFolder scratch{L"quotedopen"};
  ProfileScope profile;
  profile.Set(wince::profile::kJournalFile, scratch / L"journal.txt");
  Journal journal;
  SHELLEXECUTEINFOW request{sizeof request};
  request.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  request.lpVerb = L"open";
  request.lpFile = L"\"\\windows\\QZRVolDlg.exe\"";
  request.lpDirectory = L"\"\\windows\\\"";
  request.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(CeShellExecuteEx(&request)) << GetLastError();
  EXPECT_TRUE(journal.WaitFor("Demo QZRVolDlg args=[] folder=[C:\\windows", 15000)) << journal.Dump();
  TerminateProcess(request.hProcess, 0);
  CloseHandle(request.hProcess);
}

TEST(DeviceIcons, DevicePathsFindTheirDriveAndProgramsShowTheirOwnIcons) {
  ScratchFolder scratch{L"iconpaths"};
  // Drive C holds the scratch folder; a drive listed first that lacks the file is passed over.
  const std::wstring onC = scratch.path().substr(2) + L"here.txt";
  WriteBytes(scratch / L"here.txt", "x");
  EXPECT_EQ(wince::HostPathOf(onC, L"QC"), L"C:" + onC);
  EXPECT_EQ(wince::HostPathOf(L"\\nowhere\\x.exe", L"QC"), L"Q:\\nowhere\\x.exe");
  EXPECT_EQ(wince::HostPathOf(L"D:\\x.exe", L"C"), L"D:\\x.exe");
  EXPECT_EQ(wince::HostPathOf(L"\\\\server\\share\\x.exe", L"C"), L"\\\\server\\share\\x.exe");

  auto iconOf = [](const wchar_t* path) {
    SHFILEINFOW info{};
    CeSHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
  };
  // (That programs show icons of their own and a missing one the default: LiveLayout, on the screen.)
  const int scanner = iconOf(L"\\windows\\demoscan.exe");
  EXPECT_EQ(iconOf(L"\\windows\\no such program.exe"), iconOf(L"\\nowhere\\other.exe")) << "both get the default icon";
  EXPECT_EQ(iconOf(L"\\windows\\demoscan.exe"), scanner);

  // The default is the system's program icon, not the shell's; asking for the root gives the same lists.
  const int size = GetSystemMetrics(SM_CXICON);
  auto pixels = [size](HICON icon) {
    std::vector<DWORD> bits(static_cast<size_t>(size * size));
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB}};
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(size, size, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(size), bits.data(), &info, DIB_RGB_COLORS);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    return bits;
  };
  SHFILEINFOW info{};
  auto list = reinterpret_cast<HIMAGELIST>(
      CeSHGetFileInfoW(L"\\nowhere\\other.exe", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES));
  ASSERT_NE(list, nullptr);
  HICON fallback = ImageList_GetIcon(list, info.iIcon, ILD_NORMAL);
  EXPECT_TRUE(pixels(fallback) == pixels(LoadIcon(nullptr, IDI_APPLICATION))) << "the system's program icon";
  DestroyIcon(fallback);
  EXPECT_EQ(CeSHGetFileInfoW(L"\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX), reinterpret_cast<DWORD_PTR>(list));
}

TEST(DeviceAdapters, WiredAdapterComesFromTheProfile) {
  const struct {
    const wchar_t *link, *speed, *status;
    bool present;
    DWORD wantSpeed, wantStatus;
  } cases[] = {
      {L"sideways", nullptr, nullptr, false, 0, 0},
      {L"up", nullptr, nullptr, true, 100000000, MIB_IF_OPER_STATUS_OPERATIONAL},
      {L"UP", L"10000000", L"4", true, 10000000, 4},
      {L"down", nullptr, nullptr, true, 100000000, MIB_IF_OPER_STATUS_DISCONNECTED},
      {L"up", L"fast", L"x", true, 100000000, MIB_IF_OPER_STATUS_OPERATIONAL},
  };
  auto opt = [](const wchar_t* s) { return s ? std::optional<std::wstring>(s) : std::nullopt; };
  for (const auto& c : cases) {
    auto adapter = wince::WiredAdapterFrom(opt(c.link), opt(c.speed), opt(c.status));
    ASSERT_EQ(adapter.has_value(), c.present) << (c.link ? Narrow(c.link) : "none");
    if (!adapter) continue;
    EXPECT_EQ(adapter->speed, c.wantSpeed);
    EXPECT_EQ(adapter->operStatus, c.wantStatus);
  }

  ProfileScope profile;
  profile.Unset(wince::profile::kWiredLink);
  ULONG size = 0;
  EXPECT_EQ(CeGetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA)) << "no wired link by default";

  profile.Set(wince::profile::kWiredLink, L"up");
  profile.Set(wince::profile::kWiredSpeed, L"1000000000");
  EXPECT_EQ(CeGetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  std::vector<BYTE> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  ASSERT_EQ(CeGetAdaptersInfo(list, &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(list->Next, nullptr);
  MIB_IFROW row{};
  row.dwIndex = list->Index;
  ASSERT_EQ(CeGetIfEntry(&row), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(row.dwSpeed, 1000000000u);
  EXPECT_EQ(static_cast<DWORD>(row.dwOperStatus), static_cast<DWORD>(MIB_IF_OPER_STATUS_OPERATIONAL));
  row = MIB_IFROW{};
  row.dwIndex = list->Index + 7;
  EXPECT_NE(CeGetIfEntry(&row), static_cast<DWORD>(NO_ERROR));
}
