// Command blocks, replies and raw data over the session's pipes, and the device information.
#pragma once
#include <cstdint>
#include <span>

namespace vorpex::device {

// 512 when the block was sent, 0 when not (no session, an area without a letter, a payload
// that does not fit).
int32_t SendCommand(int32_t area, int32_t command, const void* data, uint32_t n);
int32_t SendUsb(const void* buffer, uint32_t count);
int32_t RecvUsb(void* buffer, uint32_t count);
int32_t CancelTransfer();
int32_t GetDevInfo(uint8_t* info20);
int32_t WriteData(void* file, uint32_t readCount, uint32_t writeCount, int32_t closeFlag);

// A 512-byte reply into the shared block, and whether it is the OK reply.
bool ReadReply();
bool ReplyOk();

}  // namespace vorpex::device
