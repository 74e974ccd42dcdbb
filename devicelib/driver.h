// The driver the device library talks to: the system's, or the simulated player's.
#pragma once
#include "platform/vizu10.h"

namespace vorpex::device {

platform::Vizu10Port& Driver();

}  // namespace vorpex::device
