// Serial numbers: the order of the four device sources, capacity limits, and the texts' formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DeviceIdentity.h"
#include "DeviceProfile.h"
#include "TestSupport.h"

using namespace testing_support;
namespace p = wince::profile;

namespace {

const std::vector<BYTE> kKernelAnswer = {0x01, 0x02, 0x03, 0x04, 0x05, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Calls with a buffer one character larger than announced, filled with a marker, so that a
// write past the announced capacity shows up in the guard character.
struct SerialCall { int result = 0; std::wstring text; bool guardIntact = true; };
template <typename Fn>
SerialCall CallWithGuard(Fn fn, int capacity) {
  std::vector<wchar_t> buffer(static_cast<size_t>(capacity > 0 ? capacity : 0) + 1, L'#');
  SerialCall call;
  call.result = fn(buffer.data(), capacity);
  call.guardIntact = buffer.back() == L'#';
  if (call.result >= 0) call.text.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size() - 1));
  return call;
}

}  // namespace

TEST(SerialTexts, SourcesInOrderAndCapacityLimits) {
  const auto device = qzr::GetDeviceSerialText, oem = qzr::GetOemSerialText;
  const std::vector<BYTE> oemAnswer = {'H', '1', '2', 'A', '4', '0', '0', '1', '2', '3', '4', 0, 0, 0, 0, 0};
  struct Case {
    const char* name;
    int (*call)(wchar_t*, int);
    const wchar_t* palSerial;        // PAL device detail 1
    const wchar_t* palSerialNumber;  // PALSysinfo_GetSerialNumber
    bool kernel;                     // control 0x010122C4 answers 01 02 03 04 05 0A
    const wchar_t* dmx;              // "DMX1:"
    std::vector<BYTE> oemSerial;     // what the OEM serial control answers; empty: it fails
    int capacity;
    int result;
    const wchar_t* text;
  } cases[] = {
      {"pal detail", device, L"K12A40012345", L"PS-1", true, L"DMX-1", {}, 15, 12, L"K12A40012345"},
      {"pal detail at capacity 12", device, L"K12A4001234", L"PS-1", true, L"DMX-1", {}, 12, 11, L"K12A4001234"},
      {"pal detail too long for the buffer", device, L"K12A40012345", L"PS-1", true, L"DMX-1", {}, 12, 11, L"A0504030201"},
      {"pal serial number", device, nullptr, L"PS-000777", true, L"DMX-1", {}, 15, 9, L"PS-000777"},
      {"pal serial skipped at 14", device, nullptr, L"PS-000777", true, L"DMX-1", {}, 14, 11, L"A0504030201"},
      {"pal serial skipped at 12", device, nullptr, L"PS-000777", true, L"DMX-1", {}, 12, 11, L"A0504030201"},
      {"kernel control", device, nullptr, nullptr, true, L"DMX-1", {}, 15, 11, L"A0504030201"},
      {"identity driver", device, nullptr, nullptr, false, L"DMX-000123", {}, 15, 10, L"DMX-000123"},
      {"identity driver bounded", device, nullptr, nullptr, false, L"DMX-0001234567890", {}, 12, 11, L"DMX-0001234"},
      {"no source", device, nullptr, nullptr, false, nullptr, {}, 15, 0, L""},
      {"capacity 11", device, L"K12A40012345", L"PS-1", true, L"DMX-1", {}, 11, -1, nullptr},
      {"capacity 0", device, L"K12A40012345", L"PS-1", true, L"DMX-1", {}, 0, -1, nullptr},
      {"OEM: eleven characters of the answer", oem, nullptr, nullptr, false, nullptr,
       {'H', '1', '2', 'A', '4', '0', '0', '1', '2', '3', '4', 'Z', 'Z', 0, 0, 0}, 15, 11, L"H12A4001234"},
      {"OEM at capacity 12", oem, nullptr, nullptr, false, nullptr, oemAnswer, 12, 11, L"H12A4001234"},
      {"OEM without answer", oem, nullptr, nullptr, false, nullptr, {}, 15, 0, L""},
      {"OEM at capacity 11", oem, nullptr, nullptr, false, nullptr, oemAnswer, 11, -1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileScope scope;
    if (c.palSerial) scope.Set(p::kPalSerial, c.palSerial); else scope.Unset(p::kPalSerial);
    if (c.palSerialNumber) scope.Set(p::kPalSerialNumber, c.palSerialNumber); else scope.Unset(p::kPalSerialNumber);
    if (c.kernel) scope.SetBinary(p::kKernelSerial, kKernelAnswer); else scope.Unset(p::kKernelSerial);
    if (c.dmx) scope.Set(p::kDmxSerial, c.dmx); else scope.Unset(p::kDmxSerial);
    if (c.oemSerial.empty()) scope.Unset(p::kKernelOemSerial); else scope.SetBinary(p::kKernelOemSerial, c.oemSerial);

    SerialCall call = CallWithGuard(c.call, c.capacity);
    EXPECT_EQ(call.result, c.result);
    if (c.text) {
      EXPECT_EQ(call.text, c.text);
    }
    EXPECT_TRUE(call.guardIntact);
  }
}

TEST(SerialTextRules, FormatsAndBounds) {
  const uint8_t wide[] = {0x00, 0x00, 0x00, 0x00, 0xAB, 0xFF};
  EXPECT_EQ(qzr::FormatKernelSerial(wide), L"FFAB00000000");  // b5 unpadded, the rest two digits each
  const uint8_t zero[6] = {};
  EXPECT_EQ(qzr::FormatKernelSerial(zero), L"00000000000");
  const uint8_t shortAnswer[] = {1, 2, 3};
  EXPECT_EQ(qzr::FormatKernelSerial(shortAnswer), L"");

  // A twelve-character kernel serial in a twelve-character buffer keeps its terminator.
  wchar_t buffer[13];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(qzr::CopyBounded(qzr::FormatKernelSerial(wide), buffer, 12), 11);
  EXPECT_STREQ(buffer, L"FFAB0000000");
  EXPECT_EQ(buffer[12], L'#');
  EXPECT_EQ(qzr::CopyBounded(L"abc", buffer, 0), 0);
  EXPECT_EQ(buffer[0], L'F');

  struct SizeCase {
    uint32_t sizeBytes;
    int capacity;
    int chars;
  } sizes[] = {{26, 15, 12}, {2, 15, 0}, {1, 15, 0}, {30, 15, 14}, {100, 15, 14}, {0xFFFFFFFFu, 15, 14}};
  for (const auto& s : sizes) EXPECT_EQ(qzr::DetailTextLength(s.sizeBytes, s.capacity), s.chars) << s.sizeBytes;

  // The identity driver's answer: a wide string at offset 4, read no further than the bytes given.
  const uint8_t dmx[] = {9, 9, 9, 9, 'S', 0, 'N', 0, 0, 0, 'X', 0};
  EXPECT_EQ(qzr::WideStringAt(dmx, 4), L"SN");
  const uint8_t unterminated[] = {9, 9, 9, 9, 'S', 0, 'N', 0, 'X'};
  EXPECT_EQ(qzr::WideStringAt(unterminated, 4), L"SN");
  EXPECT_EQ(qzr::WideStringAt(unterminated, 40), L"");
}
