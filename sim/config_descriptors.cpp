#include "sim/config_descriptors.h"

namespace vorpex::sim {
namespace {

constexpr uint8_t kTypeConfiguration = 2;
constexpr uint8_t kTypeInterface = 4;
constexpr uint8_t kTypeEndpoint = 5;
constexpr uint8_t kAttributesBusPowered = 0x80;
constexpr uint8_t kMaxPower100mA = 50;  // units of 2 mA
constexpr uint8_t kClassVendorSpecific = 0xFF;
constexpr uint8_t kTransferBulk = 2;
constexpr uint16_t kMaxPacketSize = 64;

constexpr uint32_t kLengthForPipe00 = 40;
constexpr uint32_t kEndpointsForPipe00 = 18;

uint32_t SentLength(const PlayerSettings& settings) {
  return static_cast<uint32_t>(kConfigurationDescriptorSize + kInterfaceDescriptorSize +
                               settings.endpointCount * kEndpointDescriptorSize);
}

}  // namespace

uint32_t ReportedTotalLength(const PlayerSettings& settings) {
  return settings.configurationLength != 0 ? settings.configurationLength : SentLength(settings);
}

std::vector<uint8_t> ConfigurationDescriptors(const PlayerSettings& settings) {
  const uint32_t total = ReportedTotalLength(settings);
  std::vector<uint8_t> bytes = {
      static_cast<uint8_t>(kConfigurationDescriptorSize),
      kTypeConfiguration,
      static_cast<uint8_t>(total & 0xFF),
      static_cast<uint8_t>(total >> 8),
      1,  // one interface
      1,  // configuration value
      0,  // no string
      kAttributesBusPowered,
      kMaxPower100mA,
      static_cast<uint8_t>(kInterfaceDescriptorSize),
      kTypeInterface,
      0,  // interface number
      0,  // alternate setting
      static_cast<uint8_t>(settings.endpointCount),
      kClassVendorSpecific,
      0,  // subclass
      0,  // protocol
      0,  // no string
  };
  for (size_t i = 0; i < settings.endpointCount && i < kMaxEndpoints; ++i) {
    const uint8_t endpoint[kEndpointDescriptorSize] = {
        static_cast<uint8_t>(kEndpointDescriptorSize),
        kTypeEndpoint,
        settings.endpointAddresses[i],
        kTransferBulk,
        static_cast<uint8_t>(kMaxPacketSize & 0xFF),
        static_cast<uint8_t>(kMaxPacketSize >> 8),
        0,  // interval: unused for bulk
    };
    bytes.insert(bytes.end(), std::begin(endpoint), std::end(endpoint));
  }
  return bytes;
}

uint32_t WritePipeIndex(const PlayerSettings& settings, bool fixedNameRoute) {
  if (fixedNameRoute) return settings.endpointCount >= kEndpointsForPipe00 ? 0 : 1;
  return ReportedTotalLength(settings) >= kLengthForPipe00 ? 0 : 1;
}

}  // namespace vorpex::sim
