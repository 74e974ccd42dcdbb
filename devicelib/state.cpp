#include "devicelib/state.h"

namespace vorpex::device {

State& GetState() {
  static State state;
  return state;
}

}  // namespace vorpex::device
