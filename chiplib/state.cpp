#include "chiplib/state.h"

namespace vorpex::chip {

State& GetState() {
  static State state;
  return state;
}

}  // namespace vorpex::chip
