#include "tools/vorpex/library_error.h"

#include <cstdio>

#include "VORPEXUSB.h"
#include "vorpex_shared.h"

namespace vorpex::cli {
namespace {

constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kSharingViolation = 32;

// No player, in the words of the system's own way of reaching one: on Linux the udev rule
// 70-vorpex-player.rules gives the logged-in user access to vendor 04e8, product 1003.
#ifdef _WIN32
constexpr const char* kNoPlayer = "no player answers: is it plugged in, and its driver installed?";
constexpr const char* kUserAccessHint = nullptr;
#else
constexpr const char* kNoPlayer =
    "no player answers: is it plugged in with a working USB cable, and may this user open the "
    "device (the udev rule 70-vorpex-player.rules lets the logged-in user open it)?";
constexpr const char* kUserAccessHint =
    "  the udev rule 70-vorpex-player.rules lets the logged-in user open it: install the package\n"
    "  (or copy the rule from packaging/ into /etc/udev/rules.d/), then unplug\n"
    "  the player and plug it in again\n";
#endif

const char* PlainWords(int32_t code) {
  switch (code) {
    case VORPEX_ERR_DEVICEDRIVER_OPEN:
      return "the player's USB driver cannot be opened";
    case VORPEX_ERR_DEVICEDRIVER_VERSION:
      return "the USB driver is too old or refused the player";
    case VORPEX_ERR_DEVICE_OPEN:
      return "the player cannot be opened";
    case VORPEX_ERR_USB:
      return "the exchange with the player over USB failed (was it unplugged?)";
    case VORPEX_ERR_INTERNAL:
      return "the player answered something unexpected";
    case VORPEX_ERR_WINDOWS:
      return "the system refused an operation";
    case VORPEX_ERR_MEMORY_ALLOC:
      return "not enough memory";
    case VORPEX_ERR_FILE_TOOBIG:
      return "the file is too big for the player";
    case VORPEX_ERR_DISKFULL:
      return "the player's memory is full";
    case VORPEX_ERR_FORMAT:
      return "the memory could not be formatted";
    case VORPEX_ERR_UNSUPPORTED:
      return "the player does not support this";
    case VORPEX_ERR_NODISK:
      return "the player has no such memory";
    case VORPEX_ERR_INVALID_FILENAME:
      return "the file name cannot be used on the player";
    case VORPEX_ERR_USERBREAK:
      return "stopped by the user";
    default:
      return "the library gave no reason";
  }
}

// Error 6 carries the system's code: the ones people meet, said for what they mean here.
const char* SystemWords(uint32_t windowsError) {
  switch (windowsError) {
    case 2:
    case 3:
      return "no such file or folder";
    case 5:
      return "access denied";
    case 32:
      return "the player is in use by another program";
    case 13:
      return "not a valid Intel HEX file";
    case 38:
      return "the file ended early";
    case 1903:
      return "the image is empty, or too large for this area (the boot area takes at most 8192 "
             "bytes from address 0, the codec starts at 0x2000)";
    default:
      return nullptr;
  }
}

// The last line of every report: the library's code and text, when it recorded one.
void ReportLibraryCode(const LibraryError& error) {
  if (error.code == VORPEX_ERR_WINDOWS) {
    std::fprintf(stderr, "  library error %d, Windows error %u: %s\n", error.code,
                 error.windowsError, error.text.c_str());
  } else if (error.code != VORPEX_OK) {
    std::fprintf(stderr, "  library error %d: %s\n", error.code, error.text.c_str());
  }
}

}  // namespace

LibraryError ReadLibraryError(TerminalUi& ui) {
  LibraryError error;
  error.code = VORPEX_GetError();
  error.windowsError = VORPEX_GetWindowsError();
  if (error.code != VORPEX_OK) {
    error.text = ui.CaptureMessage([&] { VORPEX_DispError(error.code, error.windowsError); });
    char detail[1024] = {};
    VorpexShared_ErrorDetail(detail, sizeof detail);
    error.detail = detail;
  }
  return error;
}

void ReportLibraryError(const std::string& what, const LibraryError& error) {
  const char* words = error.code == VORPEX_ERR_WINDOWS ? SystemWords(error.windowsError) : nullptr;
  std::fprintf(stderr, "vorpex: %s: %s\n", what.c_str(),
               words != nullptr ? words : PlainWords(error.code));
  if (!error.detail.empty()) std::fprintf(stderr, "  %s\n", error.detail.c_str());
  ReportLibraryCode(error);
}

void ReportNoPlayer(TerminalUi& ui) {
  const LibraryError error = ReadLibraryError(ui);
  const uint32_t refusal = error.code == VORPEX_ERR_WINDOWS ? error.windowsError : 0;
  if (refusal == kSharingViolation) {
    ReportError("the player is in use by another program: close it, then try again");
  } else if (refusal == kAccessDenied) {
    ReportError("the player is plugged in, but this user may not open it");
    if (kUserAccessHint != nullptr) std::fprintf(stderr, "%s", kUserAccessHint);
  } else {
    ReportError(kNoPlayer);
  }
  ReportLibraryCode(error);
}

void ReportError(const std::string& text) {
  std::fprintf(stderr, "vorpex: %s\n", text.c_str());
}

}  // namespace vorpex::cli
