// The files through the device library: its session, directory read, formats, delete and
// copies. It has no rename. Its copies are opened by the library and their data moved here,
// chunk by chunk, under the same progress bar as the chip library's windowed copies; Ctrl-C
// ends one in the middle with the abort message.
#include <algorithm>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "platform/short_name.h"
#include "protocol/progress_text.h"
#include "protocol/transfer_chunk.h"
#include "tools/vorpex/files_route.h"
#include "vorpex_host.h"

namespace vorpex::cli {
namespace {

// The chunk the device library's own copies move, and its receive buffer's size.
constexpr size_t kChunkSize = 16384;
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

// Closes the file that Usb_Upload handed out.
void CloseReceived(void* handle) {
  platform::File::FromNative(reinterpret_cast<intptr_t>(handle)).Close();
}

bool Failed(int32_t code) {
  VORPEX_SetError(code);
  return false;
}

// Code 6 with the system's error, or `fallback` when it gave none.
bool FailedWindows(uint32_t error, uint32_t fallback) {
  VORPEX_SetWindowsError(error != 0 ? error : fallback);
  return false;
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

  // The library announces the file; the data follows here in chunks with Usb_SendUSB.
  bool Put(int32_t memory, const std::string& path) override {
    platform::SetLastError(0);
    auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kRead,
                                     platform::Disposition::kOpenExisting);
    if (!file) return FailedWindows(platform::LastError(), platform::kErrorFileNotFound);
    if (Usb_Download(nullptr, memory, path.c_str(), 0) != 1) return false;
    // The size as the announcement took it (a larger file was refused there).
    const uint64_t size = file->Size().value_or(0);
    const std::string shortName = platform::ShortNameOfPath(path).value_or(path);
    CopyBar bar(ui_, kTitleToPlayer, ListedName(shortName), static_cast<uint32_t>(size));
    std::vector<uint8_t> buffer(kChunkSize);
    for (uint64_t sent = 0; sent != size;) {
      if (bar.Cancelled()) {
        Usb_CancelTransfer(nullptr);
        return Failed(VORPEX_ERR_USERBREAK);
      }
      const protocol::Chunk chunk = protocol::NextChunk(size, sent, buffer.size());
      const std::span<uint8_t> wire = std::span(buffer).first(chunk.wireLength);
      platform::SetLastError(0);
      const auto got = platform::ReadFull(*file, wire.first(chunk.fileLength));
      if (!got || *got != chunk.fileLength) {
        // The file shrank or cannot be read: the player drops what it has of it.
        const uint32_t error = platform::LastError();
        Usb_CancelTransfer(nullptr);
        return FailedWindows(error, platform::kErrorHandleEof);
      }
      std::fill(wire.begin() + static_cast<ptrdiff_t>(chunk.fileLength), wire.end(), 0);
      if (Usb_SendUSB(nullptr, wire.data(), static_cast<uint32_t>(wire.size())) !=
          static_cast<int32_t>(wire.size())) {
        Usb_CancelTransfer(nullptr);
        return Failed(VORPEX_ERR_USB);
      }
      sent += chunk.fileLength;
      bar.Moved(sent);
    }
    return true;
  }

  // The library asks for the entry and creates the file that receives it, a new one beside
  // `target`; the data arrives here chunk by chunk with Usb_WriteData, and the new file takes
  // `target`'s place only when complete.
  bool Get(const PlayerFile& file, const std::string& target,
           const std::string& displayName) override {
    platform::ReceivingFile receiving(target);
    platform::SetLastError(0);
    if (!receiving.Reserve()) {
      return FailedWindows(platform::LastError(), platform::kErrorPathNotFound);
    }
    // Open until the last chunk's Usb_WriteData, or a failing one, closes it.
    void* handle = Usb_Upload(nullptr, nullptr, file.memory, file.index, receiving.Path().c_str(),
                              displayName.c_str(), file.size);
    if (handle == nullptr) return false;
    const uint64_t size = file.size;
    if (size == 0) CloseReceived(handle);
    {
      CopyBar bar(ui_, kTitleFromPlayer, displayName, file.size);
      for (uint64_t stored = 0; stored != size;) {
        if (bar.Cancelled()) {
          Usb_CancelTransfer(nullptr);
          CloseReceived(handle);
          return Failed(VORPEX_ERR_USERBREAK);
        }
        const protocol::Chunk chunk = protocol::NextChunk(size, stored, kChunkSize);
        const bool last = stored + chunk.fileLength == size;
        if (Usb_WriteData(nullptr, handle, static_cast<uint32_t>(chunk.wireLength),
                          static_cast<uint32_t>(chunk.fileLength), last ? 1 : 0) != 0) {
          // Nothing arrived, and the library closed the file.
          Usb_CancelTransfer(nullptr);
          return Failed(VORPEX_ERR_USB);
        }
        stored += chunk.fileLength;
        bar.Moved(stored);
      }
    }
    // Usb_WriteData does not tell a short receive or a failed write: the file's length does.
    auto written =
        platform::File::Open(receiving.Path(), platform::Access::kRead, platform::Share::kRead,
                             platform::Disposition::kOpenExisting);
    if (!written || written->Size() != size) {
      return FailedWindows(platform::LastError(), platform::kErrorDiskFull);
    }
    written->Close();
    platform::SetLastError(0);
    if (!receiving.Commit()) return FailedWindows(platform::LastError(), 0);
    return true;
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
