#include "devicelib/driver.h"

namespace vorpex::device {

platform::Vizu10Port& Driver() { return platform::SystemVizu10(); }

}  // namespace vorpex::device
