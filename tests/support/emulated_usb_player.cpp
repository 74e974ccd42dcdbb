#include "support/emulated_usb_player.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "sim/config_descriptors.h"

namespace vorpex::test {
namespace {

constexpr const char* kNode = "/dev/bus/usb/001/002";
constexpr const char* kHubNode = "/dev/bus/usb/001/001";
constexpr size_t kSetupSize = 8;
constexpr uint8_t kEndpointIn = 0x80;
constexpr uint8_t kRequestGetDescriptor = 6;
constexpr uint8_t kDescriptorConfiguration = 2;

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

// The device descriptor and the configuration descriptors as sysfs keeps them. The total
// length there is what the descriptors take, whatever the player reports on request.
std::string SysfsDescriptors(const sim::PlayerSettings& settings) {
  std::vector<uint8_t> bytes = {18,   1,    0x00, 0x02, 0,    0, 0, 64, 0xE8,
                                0x04, 0x03, 0x10, 0x00, 0x01, 0, 0, 0,  1};
  std::vector<uint8_t> config = sim::ConfigurationDescriptors(settings);
  config[2] = static_cast<uint8_t>(config.size() & 0xFF);
  config[3] = static_cast<uint8_t>(config.size() >> 8);
  bytes.insert(bytes.end(), config.begin(), config.end());
  return Hex(bytes);
}

// Root reads and writes any file; a test of a refused open takes that power from itself for
// as long as it lasts.
void SetFileAccessOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  std::array<__user_cap_data_struct, 2> data{};
  if (syscall(SYS_capget, &header, data.data()) != 0) return;
  const uint32_t bits = 1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH;
  data[0].effective =
      on ? data[0].effective | (data[0].permitted & bits) : data[0].effective & ~bits;
  syscall(SYS_capset, &header, data.data());
}

}  // namespace

EmulatedUsbPlayer::EmulatedUsbPlayer(const sim::PlayerSettings& settings, bool withPlayer)
    : player_(sim::PlayerData::Fresh(settings)) {
  player_.log().Keep(true);
  testbed_ = umockdev_testbed_new();
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
  g_signal_connect(handler_, "client-vanished", G_CALLBACK(OnVanished), this);
  GError* error = nullptr;
  umockdev_testbed_add_from_string(testbed_,
                                   "P: /devices/usb1\n"
                                   "N: bus/usb/001/001\n"
                                   "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                                   "E: BUSNUM=001\nE: DEVNUM=001\n"
                                   "E: DEVNAME=/dev/bus/usb/001/001\n"
                                   "A: busnum=1\\n\nA: devnum=1\\n\nA: speed=480\\n\n"
                                   "A: bConfigurationValue=1\\n\n"
                                   "H: descriptors=12010002090001406b1d020012060302010109021900"
                                   "010100e0000904000001090000000705810304000c\n",
                                   &error);
  if (error == nullptr && withPlayer) {
    if (!umockdev_testbed_attach_ioctl(testbed_, kNode, handler_, &error)) {
      throw std::runtime_error(error != nullptr ? error->message : "attach");
    }
    const std::string description =
        "P: /devices/usb1/1-1\n"
        "N: bus/usb/001/002\n"
        "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
        "E: BUSNUM=001\nE: DEVNUM=002\n"
        "E: DEVNAME=/dev/bus/usb/001/002\n"
        "A: busnum=1\\n\nA: devnum=2\\n\nA: speed=480\\n\n"
        "A: bConfigurationValue=1\\n\n"
        "H: descriptors=" +
        SysfsDescriptors(settings) + "\n";
    umockdev_testbed_add_from_string(testbed_, description.c_str(), &error);
    char* root = umockdev_testbed_get_root_dir(testbed_);
    node_ = std::string(root) + kNode;
    g_free(root);
  }
  if (error != nullptr) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error(message);
  }
  (void)kHubNode;
}

EmulatedUsbPlayer::~EmulatedUsbPlayer() {
  LetGo();
  {
    std::lock_guard lock(mutex_);
    for (UMockdevIoctlData* urb : completed_) umockdev_ioctl_data_unref(urb);
    for (UMockdevIoctlData* urb : waiting_) umockdev_ioctl_data_unref(urb);
    completed_.clear();
    waiting_.clear();
  }
  g_object_unref(handler_);
  g_object_unref(testbed_);
}

void EmulatedUsbPlayer::Unplug(uint32_t afterOut) {
  outBeforeUnplug_ = afterOut;
  if (afterOut == 0) unplugged_ = true;
}

void EmulatedUsbPlayer::Replug() {
  std::lock_guard lock(mutex_);
  outBeforeUnplug_ = -1;
  unplugged_ = false;
  claimant_ = nullptr;  // the opens from before the unplug are dead
  player_.SetUnplugged(false);
  player_.model().Cancel();
}

void EmulatedUsbPlayer::RefuseOpen(bool refuse) {
  chmod(node_.c_str(), refuse ? 0 : 0666);
  SetFileAccessOverride(!refuse);
  if (refuse) {
    // Programs started from now on do not get the power back (as root would).
    prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
  }
}

void EmulatedUsbPlayer::HoldElsewhere(bool hold) {
  LetGo();
  if (!hold) return;
  elsewhere_ = open(kNode, O_RDWR | O_CLOEXEC);
  unsigned int interface = 0;
  if (ioctl(elsewhere_, USBDEVFS_CLAIMINTERFACE, &interface) != 0) {
    throw std::runtime_error("cannot hold the player");
  }
}

void EmulatedUsbPlayer::LetGo() noexcept {
  if (elsewhere_ < 0) return;
  unsigned int interface = 0;
  ioctl(elsewhere_, USBDEVFS_RELEASEINTERFACE, &interface);
  close(elsewhere_);
  elsewhere_ = -1;
}

bool EmulatedUsbPlayer::Gone() {
  if (unplugged_ && !player_.faults.unplugged) player_.SetUnplugged(true);
  return unplugged_;
}

gboolean EmulatedUsbPlayer::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                    gpointer self) {
  return static_cast<EmulatedUsbPlayer*>(self)->Handle(client) ? TRUE : FALSE;
}

// A closed device file gives up its claim.
void EmulatedUsbPlayer::OnVanished(UMockdevIoctlBase*, const UMockdevIoctlClient* client,
                                   gpointer self) {
  auto* bus = static_cast<EmulatedUsbPlayer*>(self);
  std::lock_guard lock(bus->mutex_);
  if (bus->claimant_ == client) bus->claimant_ = nullptr;
}

bool EmulatedUsbPlayer::Handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  const auto request = static_cast<unsigned long>(umockdev_ioctl_client_get_request(client));
  if (Gone() && request != USBDEVFS_GET_CAPABILITIES) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      const uint32_t value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                             USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      std::memcpy(caps->data, &value, sizeof value);
      umockdev_ioctl_data_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
      if (claimant_ != nullptr && claimant_ != client) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return true;
      }
      claimant_ = client;
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_RELEASEINTERFACE:
      if (claimant_ == client) claimant_ = nullptr;
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_RESET:
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_GETDRIVER:  // no kernel driver holds the player, none to detach
    case USBDEVFS_IOCTL:
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_CLEAR_HALT: {
      UMockdevIoctlData* endpoint = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      uint32_t address = 0;
      std::memcpy(&address, endpoint->data, sizeof address);
      umockdev_ioctl_data_unref(endpoint);
      player_.Halt(address);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_SUBMITURB:
      Submit(client);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      Reap(client);
      return true;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return true;
    default:
      return false;
  }
}

void EmulatedUsbPlayer::Submit(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  UMockdevIoctlData* bufferData = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<size_t>(urb->buffer_length), nullptr);
  std::span<uint8_t> buffer(bufferData->data, static_cast<size_t>(urb->buffer_length));
  umockdev_ioctl_data_unref(bufferData);

  std::optional<uint32_t> moved;
  int status = 0;
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL && buffer.size() >= kSetupSize) {
    std::array<uint8_t, kSetupSize> setup;
    std::copy_n(buffer.begin(), kSetupSize, setup.begin());
    const auto data = buffer.subspan(kSetupSize);
    if (setup[0] == kEndpointIn && setup[1] == kRequestGetDescriptor &&
        setup[3] == kDescriptorConfiguration) {
      // The configuration descriptors exactly as the player sends them.
      const auto descriptors = sim::ConfigurationDescriptors(player_.settings());
      const size_t n =
          std::min({descriptors.size(), data.size(), size_t{setup[6]} | size_t{setup[7]} << 8});
      std::copy_n(descriptors.begin(), n, data.begin());
      moved = static_cast<uint32_t>(n);
    } else {
      moved = player_.Control(setup, data);
      if (!moved) status = -EPIPE;  // the player stalls a request it does not know
    }
  } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
    if ((urb->endpoint & kEndpointIn) != 0) {
      moved = player_.BulkIn(urb->endpoint, buffer, 0);
    } else {
      if (outBeforeUnplug_ >= 0 && outBeforeUnplug_-- == 0) {
        unplugged_ = true;
        Gone();
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
      }
      moved = player_.BulkOut(urb->endpoint, buffer, 0);
    }
  } else {
    umockdev_ioctl_data_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  if (!moved && status == 0) {
    // The player does not answer: the URB waits until the host gives up and discards it.
    waiting_.push_back(urbData);
  } else {
    urb->status = status;
    urb->actual_length = static_cast<int>(moved.value_or(0));
    completed_.push_back(urbData);
  }
  umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbPlayer::Reap(UMockdevIoctlClient* client) {
  if (completed_.empty()) {
    umockdev_ioctl_client_complete(client, -1, EAGAIN);
    return;
  }
  UMockdevIoctlData* urbData = completed_.front();
  completed_.pop_front();
  UMockdevIoctlData* pointer =
      umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
  umockdev_ioctl_data_unref(pointer);
  umockdev_ioctl_data_unref(urbData);
  umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbPlayer::Discard(UMockdevIoctlClient* client) {
  void* address = nullptr;
  std::memcpy(&address, umockdev_ioctl_client_get_arg(client)->data, sizeof address);
  const auto found = std::find_if(waiting_.begin(), waiting_.end(), [&](UMockdevIoctlData* urb) {
    return urb->client_addr == reinterpret_cast<gulong>(address);
  });
  if (found == waiting_.end()) {
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  reinterpret_cast<usbdevfs_urb*>((*found)->data)->status = -ENOENT;
  completed_.push_back(*found);
  waiting_.erase(found);
  umockdev_ioctl_client_complete(client, 0, 0);
}

}  // namespace vorpex::test
