// Writing Gatewarden's lines through the device's event log, now or once the program runs.
#include "LaunchLog.h"

#include "EventLog.h"

namespace qzr::monitor {

namespace el = eventlog;

void LaunchLog::Add(Line line) {
  if (holdBack_) {
    held_.push_back(std::move(line));
    return;
  }
  Flush();
  Write(line);
}

void LaunchLog::Flush() {
  if (!registered_) {
    registered_ = true;
    el::SetFacilityNumber(el::RegisterFacility(el::kFacilityName));
  }
  for (const Line& line : held_) Write(line);
  held_.clear();
  holdBack_ = false;
}

void LaunchLog::Write(const Line& line) {
  switch (line.shape) {
    case Shape::kPlain:
      el::Write(line.line);
      break;
    case Shape::kFacility:
      el::Write(line.line, static_cast<int>(el::FacilityNumber()));
      break;
    case Shape::kText:
      el::Write(line.line, line.text.c_str());
      break;
    case Shape::kTextNumber:
      el::Write(line.line, line.text.c_str(), line.number);
      break;
  }
}

}  // namespace qzr::monitor
