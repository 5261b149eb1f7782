// Decisions and texts of the operator's screens, as plain functions: network gating, auto
// start, the status page's battery and identification texts.
#pragma once

#include <string>

namespace qzr {

// What the signal meter shows: its bars with the signal's text, or one of its two pictures.
enum class MeterMode : int { BarsAndText = 0, LinkUpPicture = 1, NoLinkPicture = 2 };

// An IP address text the launcher may count on: not empty, not "0.0.0.0", not automatic private.
bool AddressUsable(const std::wstring& address);
// NetworkUp after a refresh: a link (the meter not showing its no-link picture) and a usable address.
bool NetworkUpFrom(MeterMode meterMode, const std::wstring& address);

// Tap, Enter or auto start on slot `index`.
bool LaunchAllowed(int index, int itemCount, bool needsSignal, bool networkUp);
bool AutoStartAllowed(const std::wstring& slot0Program, bool autoStartOn, bool slot0NeedsSignal, bool networkUp);

// The battery line for the battery-life-percent byte: "87%", or "Unknown" above 100.
std::wstring BatteryText(int percentByte);

// The status page's text block. versionValid is GetFileVersionText's answer for the monitor,
// name and version what it left behind.
std::wstring IdentificationText(bool whitelistEnabled, bool versionValid, const std::wstring& name,
                                const std::wstring& version);

// The open request for the volume program in the launcher folder `folder`.
struct OpenRequest {
  std::wstring file;
  std::wstring folder;
};
OpenRequest VolumeProgramRequest(const std::wstring& folder);

}  // namespace qzr
