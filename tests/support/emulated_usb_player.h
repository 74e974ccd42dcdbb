// A player on an emulated USB bus: a umockdev testbed with the player's device node and sysfs
// entry, whose usbdevfs requests (claim, URBs, halts, control transfers, discards) the
// simulated player's model answers. Programs using it run under umockdev-wrapper; libusb then
// enumerates, opens and transfers as it would with a real player.
#pragma once
#include <umockdev.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/player.h"

namespace vorpex::test {

class EmulatedUsbPlayer {
 public:
  // A player with `settings` on bus 1 (or, with `withPlayer` false, only a hub: the bus is
  // there, the player is not).
  explicit EmulatedUsbPlayer(const sim::PlayerSettings& settings, bool withPlayer = true);
  ~EmulatedUsbPlayer();
  EmulatedUsbPlayer(const EmulatedUsbPlayer&) = delete;
  EmulatedUsbPlayer& operator=(const EmulatedUsbPlayer&) = delete;

  // The model, for a test between the library's calls.
  sim::Player& player() { return player_; }
  // From the next request on every request fails with ENODEV, as for a player pulled out;
  // `afterOut` OUT transfers are still taken first.
  void Unplug(uint32_t afterOut = 0);
  // Plugged in again at the same place on the bus; the player starts afresh (a transfer it was
  // in the middle of is forgotten).
  void Replug();
  // While on, the device node cannot be opened (the user lacks permission), in this process and
  // in programs it starts from then on.
  void RefuseOpen(bool refuse);
  // While on, another program holds the player (to the kernel, another open of the node).
  void HoldElsewhere(bool hold);

 private:
  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void OnVanished(UMockdevIoctlBase*, const UMockdevIoctlClient* client, gpointer self);
  bool Handle(UMockdevIoctlClient* client);
  void LetGo() noexcept;
  void Submit(UMockdevIoctlClient* client);
  void Reap(UMockdevIoctlClient* client);
  void Discard(UMockdevIoctlClient* client);
  bool Gone();

  sim::Player player_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  std::string node_;
  std::mutex mutex_;
  std::deque<UMockdevIoctlData*> completed_;  // URBs the host may reap
  std::vector<UMockdevIoctlData*> waiting_;   // URBs the player does not answer
  // The open of the node holding the interface claim; the kernel refuses any other open's.
  UMockdevIoctlClient* claimant_ = nullptr;
  int elsewhere_ = -1;  // the device file of HoldElsewhere
  std::atomic<bool> unplugged_{false};
  std::atomic<int64_t> outBeforeUnplug_{-1};
};

}  // namespace vorpex::test
