// The chunk buffer of a transfer: 16384 bytes when memory allows, halved after each failed
// allocation down to 1024, and a fallback buffer of the caller's (512 bytes) when even that
// fails. Data moves on the wire in whole 512-byte units, so every size is a multiple of 512.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

namespace vorpex::platform {

class TransferBuffer {
 public:
  using Allocator = uint8_t* (*)(size_t size);
  static uint8_t* HeapAllocate(size_t size) { return new (std::nothrow) uint8_t[size]; }

  static constexpr size_t kLargest = 16384;
  static constexpr size_t kSmallest = 1024;

  explicit TransferBuffer(std::span<uint8_t> fallback, Allocator allocate = HeapAllocate) {
    for (size_t bytes = kLargest; bytes >= kSmallest; bytes /= 2) {
      if (uint8_t* heap = allocate(bytes)) {
        heap_ = heap;
        buffer_ = std::span(heap, bytes);
        return;
      }
    }
    buffer_ = fallback;
  }
  ~TransferBuffer() { delete[] heap_; }
  TransferBuffer(const TransferBuffer&) = delete;
  TransferBuffer& operator=(const TransferBuffer&) = delete;

  std::span<uint8_t> span() const { return buffer_; }
  size_t size() const { return buffer_.size(); }
  bool onHeap() const { return heap_ != nullptr; }

 private:
  uint8_t* heap_ = nullptr;
  std::span<uint8_t> buffer_;
};

}  // namespace vorpex::platform
