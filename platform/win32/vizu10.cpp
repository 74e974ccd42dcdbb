// The player's driver on Windows: SetupAPI finds its device interfaces, the rest is file I/O.
#include <windows.h>
// setupapi.h after windows.h
#include <setupapi.h>

#include <cstdio>
#include <vector>

#include "platform/vizu10.h"

namespace vorpex::platform {
namespace {

bool ParseGuid(const std::string& text, GUID& guid) {
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  // NOLINTNEXTLINE(cert-err34-c): each field's width keeps it within its type
  int n = std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3,
                      &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]);
  if (n != 11) return false;
  guid.Data1 = d1;
  guid.Data2 = static_cast<unsigned short>(d2);
  guid.Data3 = static_cast<unsigned short>(d3);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<unsigned char>(b[i]);
  return true;
}

class WindowsVizu10 final : public Vizu10Port {
 public:
  std::vector<std::string> InterfacePaths(const std::string& classGuid) override {
    std::vector<std::string> paths;
    GUID guid{};
    if (!ParseGuid(classGuid, guid)) return paths;
    HDEVINFO set = ::SetupDiGetClassDevsA(&guid, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    for (DWORD index = 0;; ++index) {
      SP_DEVICE_INTERFACE_DATA data{};
      data.cbSize = sizeof data;
      if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data)) {
        if (::GetLastError() == ERROR_NO_MORE_ITEMS) break;
        continue;
      }
      DWORD size = 0;
      ::SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
      if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
      std::vector<char> storage(size);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
      detail->cbSize = 5;  // the size of the record's fixed part on 32-bit Windows
      if (!::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr)) continue;
      paths.emplace_back(detail->DevicePath);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return paths;
  }

  DriverHandle Open(const std::string& path) override {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<DriverHandle>(h);
  }

  bool Configuration(DriverHandle device,
                     std::span<uint8_t, kVizu10ConfigBufferSize> buffer) override {
    DWORD returned = 0;
    return ::DeviceIoControl(reinterpret_cast<HANDLE>(device), kVizu10ConfigRequest, buffer.data(),
                             static_cast<DWORD>(buffer.size()), buffer.data(),
                             static_cast<DWORD>(buffer.size()), &returned, nullptr) != 0;
  }

  std::optional<uint32_t> Write(DriverHandle pipe, std::span<const uint8_t> data) override {
    DWORD written = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(pipe), data.data(), static_cast<DWORD>(data.size()),
                     &written, nullptr)) {
      return std::nullopt;
    }
    return written;
  }

  std::optional<uint32_t> Read(DriverHandle pipe, std::span<uint8_t> buffer) override {
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(pipe), buffer.data(), static_cast<DWORD>(buffer.size()),
                    &got, nullptr)) {
      return std::nullopt;
    }
    return got;
  }

  void Close(DriverHandle handle) override { ::CloseHandle(reinterpret_cast<HANDLE>(handle)); }
};

}  // namespace

Vizu10Port& SystemVizu10() {
  static WindowsVizu10 port;
  return port;
}

}  // namespace vorpex::platform
