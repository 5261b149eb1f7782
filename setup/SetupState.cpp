// The one place where the setup library keeps its state.
#include "SetupState.h"

namespace qzrsetup {

SetupState& State() {
  static SetupState state;
  return state;
}

void ResetState() {
  HMODULE module = State().module;
  State() = SetupState{};
  State().module = module;
}

}  // namespace qzrsetup
