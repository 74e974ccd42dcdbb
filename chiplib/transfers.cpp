#include "chiplib/transfers.h"

#include <string>

#include "chiplib/command.h"
#include "operations/copies.h"

namespace vorpex::chip {

int32_t Upload(WindowHandle owner, ChipDevice* device, int32_t memory, int32_t index,
               const char* localPath, const char* displayName, uint32_t size, bool withWindow) {
  const std::string destination = localPath != nullptr ? localPath : "";
  ChipChannel channel(device, owner, withWindow);
  return operations::CopyFromPlayer(channel, memory, index, destination, size,
                                    displayName != nullptr ? displayName : destination.c_str());
}

int32_t Download(WindowHandle owner, ChipDevice* device, int32_t memory, const char* localPath,
                 bool withWindow) {
  ChipChannel channel(device, owner, withWindow);
  return operations::CopyToPlayer(channel, memory, localPath);
}

}  // namespace vorpex::chip
