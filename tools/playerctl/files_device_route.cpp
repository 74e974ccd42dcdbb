// The files through the device library: its session, directory read, formats, delete and
// copies. It has no rename, and its copies show no progress window (so Ctrl-C takes effect
// between files).
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "tools/playerctl/files_route.h"

namespace vorpex::playerctl {
namespace {

class DeviceRoute : public FileRoute {
 public:
  ~DeviceRoute() override { Usb_Close(0); }

  std::string_view Name() const override { return "device"; }

  std::optional<MemoryListing> Read(int32_t memory) override {
    MemoryInfo info{};
    std::vector<DirEntry> entries(kListCapacity);
    uint32_t count = kListCapacity;
    if (Usb_Refresh(nullptr, memory, reinterpret_cast<uint32_t*>(&info),
                    reinterpret_cast<uint8_t*>(entries.data()), &count) != 1) {
      return std::nullopt;
    }
    return MakeListing(memory, info, entries.data(), count);
  }

  bool Delete(const PlayerFile& file) override {
    return Usb_Delete(nullptr, file.memory, file.index) == 0;
  }

  bool CanRename() const override { return false; }
  bool Rename(const PlayerFile&, const std::string&) override { return false; }

  bool CanFormat(char) const override { return true; }
  bool Format(int32_t memory, char kind) override {
    // The formats want the session value that a file count leaves behind.
    Usb_FileCount(this, memory);
    switch (kind) {
      case 'C':
        return Usb_Mp3Format(nullptr, this, memory) == 0;
      case 'V':
        return Usb_VocaFormat(nullptr, this, memory) == 0;
      default:
        return Usb_Format(nullptr, this, memory) == 0;
    }
  }

  bool Put(int32_t memory, const std::string& path) override {
    return Usb_DownloadIndexFile(nullptr, nullptr, memory, path.c_str()) == 1;
  }

  bool Get(const PlayerFile& file, const std::string& target,
           const std::string& displayName) override {
    return Usb_UploadIndexFile(nullptr, nullptr, file.memory, file.index, target.c_str(),
                               displayName.c_str(), file.size) == 1;
  }
};

}  // namespace

std::unique_ptr<FileRoute> OpenDeviceRoute() {
  if (Usb_Checking(0) != 1) return nullptr;
  return std::make_unique<DeviceRoute>();
}

}  // namespace vorpex::playerctl
