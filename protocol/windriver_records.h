// The WinDriver control device's requests: control codes, record sizes and field offsets.
// Every field is a 32-bit little-endian word unless noted; fields not named are zero on input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorpex::protocol::windriver {

inline constexpr uint32_t kCodeScan = 0x9538256B;
inline constexpr uint32_t kCodeVersion = 0x95382443;
inline constexpr uint32_t kCodeRegister = 0x95382527;
inline constexpr uint32_t kCodeUnregister = 0x95382567;
inline constexpr uint32_t kCodeResetPipe = 0x953824F3;
inline constexpr uint32_t kCodeTransfer = 0x9538250B;

inline constexpr size_t kScanSize = 7124;
inline constexpr size_t kScanVendor = 0;
inline constexpr size_t kScanProduct = 4;
inline constexpr size_t kScanCount = 8;
inline constexpr size_t kScanUniqueId = 12;

inline constexpr size_t kVersionSize = 104;
inline constexpr size_t kVersionNumber = 0;

inline constexpr size_t kRegisterSize = 800;  // also the unregister record
inline constexpr size_t kRegisterUniqueId = 0;
inline constexpr size_t kRegisterConfiguration = 4;
inline constexpr size_t kRegisterInterface = 8;
inline constexpr size_t kRegisterAlternate = 12;
inline constexpr size_t kRegisterDeviceHandle = 16;
inline constexpr size_t kRegisterDeviceInfo = 20;
inline constexpr size_t kDeviceInfoSize = 644;

inline constexpr size_t kResetSize = 8;
inline constexpr size_t kResetDeviceHandle = 0;
inline constexpr size_t kResetPipe = 4;

inline constexpr size_t kTransferSize = 44;
inline constexpr size_t kTransferDeviceHandle = 0;
inline constexpr size_t kTransferPipe = 4;
inline constexpr size_t kTransferReadFlag = 8;
inline constexpr size_t kTransferOptions = 12;
inline constexpr size_t kTransferBuffer = 16;  // the buffer's address, filled in by the port
inline constexpr size_t kTransferBufferSize = 20;
inline constexpr size_t kTransferTimeout = 24;
inline constexpr size_t kTransferBytesDone = 28;
inline constexpr size_t kTransferSetup = 32;  // 8 bytes
inline constexpr size_t kTransferSuccess = 40;

inline constexpr uint32_t kOptionHalt = 1;
inline constexpr uint32_t kPipeIn = 0x80;

// The player on the bus, and the driver version the library needs at least.
inline constexpr uint32_t kPlayerVendor = 0x04E8;
inline constexpr uint32_t kPlayerProduct = 0x1003;
inline constexpr uint32_t kMinimumDriverVersion = 502;

inline constexpr uint32_t kControlPipe = 0;
inline constexpr uint32_t kBulkOutPipe = 2;
inline constexpr uint32_t kBulkInPipe = 3;

inline uint32_t GetWord(std::span<const uint8_t> record, size_t offset) {
  return static_cast<uint32_t>(record[offset]) | static_cast<uint32_t>(record[offset + 1]) << 8 |
         static_cast<uint32_t>(record[offset + 2]) << 16 |
         static_cast<uint32_t>(record[offset + 3]) << 24;
}

inline void PutWord(std::span<uint8_t> record, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) record[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace vorpex::protocol::windriver
