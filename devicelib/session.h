// The session with the player: the driver route, the driver's device and pipe files, and the
// pipe operations every other part of the library rests on.
#pragma once
#include <cstdint>
#include <span>

namespace vorpex::device {

// Fills the four fields of a 16-byte version record and sets the route.
void GetOsVersion(uint8_t* versionRecord);
int32_t Checking();
int32_t ClosePipes();

bool OpenPipes();
uint32_t WritePipe(std::span<const uint8_t> data);
uint32_t ReadPipe(std::span<uint8_t> buffer);
bool CancelPipe();

}  // namespace vorpex::device
