// The files through the device library: its session, directory read, formats, delete and
// copies. It has no rename. Its copies tell their progress between chunks and show it under the
// same progress bar as the chip library's windowed copies; Ctrl-C ends one in the middle with
// the abort message.
#include <optional>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_copy.h"
#include "platform/short_name.h"
#include "protocol/progress_text.h"
#include "tools/vorpex/files_route.h"
#include "vorpex_host.h"

namespace vorpex::cli {
namespace {

// The titles of the chip library's copy windows, so that both routes look the same.
constexpr char kTitleToPlayer[] = "Downloading";
constexpr char kTitleFromPlayer[] = "Uploading...";

// A copy's progress window on the installed terminal interface.
class CopyBar {
 public:
  CopyBar(TerminalUi& ui, const char* title, const std::string& status, uint32_t total)
      : hooks_(ui.Hooks()), total_(total) {
    window_ = hooks_.openProgress(hooks_.context, nullptr, title, status.c_str(), "", total);
  }
  ~CopyBar() { hooks_.closeWindow(hooks_.context, window_); }
  CopyBar(const CopyBar&) = delete;
  CopyBar& operator=(const CopyBar&) = delete;

  // Whether Cancel (Ctrl-C) was pressed; keeps the line drawn.
  bool Cancelled() { return (hooks_.pump(hooks_.context, window_) & VORPEX_UI_CANCEL) != 0; }

  void Moved(uint64_t done) {
    const auto position = static_cast<uint32_t>(done);
    const auto percent = protocol::ProgressPercent(0, total_, position);
    hooks_.setProgressPercent(hooks_.context, window_,
                              protocol::PercentText(percent.value_or(0)).c_str(), position);
  }

 private:
  VorpexUiHooks hooks_;
  uint32_t total_;
  void* window_ = nullptr;
};

// A copy's bar, opened when the library starts moving the data.
struct CopyListener {
  TerminalUi& ui;
  const char* title;
  std::string status;
  std::optional<CopyBar> bar;
};

int32_t ORVANE_CC OnProgress(void* context, uint32_t done, uint32_t total) {
  auto& listener = *static_cast<CopyListener*>(context);
  if (!listener.bar) listener.bar.emplace(listener.ui, listener.title, listener.status, total);
  if (done != 0) listener.bar->Moved(done);
  return listener.bar->Cancelled() ? 1 : 0;
}

class DeviceRoute : public FileRoute {
 public:
  explicit DeviceRoute(TerminalUi& ui) : ui_(ui) {}
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
    const std::string shortName = platform::ShortNameOfPath(path).value_or(path);
    CopyListener listener{ui_, kTitleToPlayer, ListedName(shortName), std::nullopt};
    return OrvaneCopy_ToPlayer(memory, path.c_str(), OnProgress, &listener) == 1;
  }

  // The new file takes `target`'s place only when complete.
  bool Get(const PlayerFile& file, const std::string& target,
           const std::string& displayName) override {
    CopyListener listener{ui_, kTitleFromPlayer, displayName, std::nullopt};
    return OrvaneCopy_FromPlayer(file.memory, file.index, target.c_str(), file.size, OnProgress,
                                 &listener) == 1;
  }

 private:
  TerminalUi& ui_;
};

}  // namespace

std::unique_ptr<FileRoute> OpenDeviceRoute(TerminalUi& ui) {
  if (Usb_Checking(0) != 1) return nullptr;
  return std::make_unique<DeviceRoute>(ui);
}

}  // namespace vorpex::cli
