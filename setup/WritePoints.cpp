// The shipped library's write points: nothing to do.
#include "WritePoints.h"

namespace qzrsetup {

void AfterWrite(const wchar_t*) {}

}  // namespace qzrsetup
