// How a file copy cuts the file into chunks: every chunk fills the transfer buffer except the
// last, which moves on the wire rounded up to whole 512-byte units while only its real length
// is read from or written to the PC file.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "protocol/write_header.h"

namespace vorpex::protocol {

struct Chunk {
  size_t fileLength;  // bytes of the file in this chunk
  size_t wireLength;  // bytes on the wire: fileLength, or a short last part rounded up to 512
};

// The chunk after `done` of `total` bytes, with a buffer of `chunkSize` bytes (a multiple of
// 512). Zero lengths once everything has moved.
inline Chunk NextChunk(uint64_t total, uint64_t done, size_t chunkSize) {
  const uint64_t left = done < total ? total - done : 0;
  if (left >= chunkSize) return {chunkSize, chunkSize};
  return {static_cast<size_t>(left), static_cast<size_t>(WireLength(left))};
}

}  // namespace vorpex::protocol
