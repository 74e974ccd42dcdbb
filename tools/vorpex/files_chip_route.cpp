// The files through the chip library: its device record, directory read and windowed copies.
#include <vector>

#include "VORPEXUSB.h"
#include "tools/vorpex/files_route.h"

namespace vorpex::cli {
namespace {

class ChipRoute : public FileRoute {
 public:
  explicit ChipRoute(void* device) : device_(device) {}
  ~ChipRoute() override { VORPEX_Close(device_); }

  std::string_view Name() const override { return "chip"; }

  std::optional<MemoryListing> Read(int32_t memory) override {
    MemoryInfo info{};
    std::vector<DirEntry> entries(kListCapacity);
    uint32_t count = kListCapacity;
    if (VORPEX_Refresh(device_, memory, &info, entries.data(), &count) != 1) return std::nullopt;
    return MakeListing(memory, info, entries.data(), count);
  }

  bool Delete(const PlayerFile& file) override {
    return VORPEX_Delete(nullptr, device_, file.memory, file.index, file.name.c_str()) == 1;
  }

  bool CanRename() const override { return true; }
  bool Rename(const PlayerFile& file, const std::string& newName) override {
    return VORPEX_Rename(device_, file.memory, file.index, newName.c_str()) == 1;
  }

  bool CanFormat(char kind) const override { return kind == 'F'; }
  bool Format(int32_t memory, char) override {
    return VORPEX_Format(nullptr, device_, memory) == 1;
  }

  bool Put(int32_t memory, const std::string& path) override {
    return VORPEX_DownloadElseFile(nullptr, device_, memory, path.c_str()) == 1;
  }

  bool Get(const PlayerFile& file, const std::string& target,
           const std::string& displayName) override {
    return VORPEX_Upload(nullptr, device_, file.memory, file.index, target.c_str(),
                         displayName.c_str(), file.size) == 1;
  }

 private:
  void* device_;
};

}  // namespace

std::unique_ptr<FileRoute> OpenChipRoute() {
  void* device = VORPEX_Open();
  if (device == nullptr) return nullptr;
  return std::make_unique<ChipRoute>(device);
}

}  // namespace vorpex::cli
