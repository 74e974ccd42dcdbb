// The simulated player's command parser fed by a host of any behaviour, so that no host can
// crash the player. The input is a list of operations:
//   'B' n bytes...  a 512-byte block whose first n bytes follow (the rest 0): a command block
//                   or file data, as the host sends it
//   'U' n           n 512-byte units of data (0x5A) in one transfer
//   'O' h l bytes.. a transfer of (h << 8 | l) bytes, of any length
//   'I' n           an IN read of n 512-byte units; 'i' h l: an IN read of any length
//   'X'             the cancel request
//   'F'             the memory becomes full (or room again)
// Other bytes are passed over.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sim/player_model.h"

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ == size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::span<const uint8_t> Bytes(size_t n) {
    n = std::min(n, size_ - at_);
    const auto bytes = std::span(data_ + at_, n);
    at_ += n;
    return bytes;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex::sim;
  PlayerSettings settings;
  settings.capacity = {64, 16};
  PlayerModel model(PlayerData::Fresh(settings));
  Reader in(data, size);
  while (!in.Done()) {
    const uint8_t operation = in.Byte();
    switch (operation) {
      case 'B': {
        std::vector<uint8_t> block(512, 0);
        const auto head = in.Bytes(in.Byte());
        std::copy(head.begin(), head.end(), block.begin());
        model.Receive(block);
        break;
      }
      case 'U':
        model.Receive(std::vector<uint8_t>(512 * size_t{in.Byte()}, 0x5A));
        break;
      case 'O': {
        const size_t n = size_t{in.Byte()} << 8 | in.Byte();
        const auto bytes = in.Bytes(n);
        model.Receive(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        break;
      }
      case 'I':
      case 'i': {
        const bool units = operation == 'I';
        const size_t n = units ? 512 * size_t{in.Byte()} : (size_t{in.Byte()} << 8 | in.Byte());
        std::vector<uint8_t> out(n);
        size_t delivered = 0;
        model.Deliver(out, delivered);
        if (delivered > n) abort();
        break;
      }
      case 'X':
        model.Cancel();
        break;
      case 'F':
        model.memoryFull = !model.memoryFull;
        break;
      default:
        break;
    }
  }
  return 0;
}
