// The storage exchanges: one command with its one reply, and the directory read.
#pragma once
#include <cstdint>
#include <span>

#include "operations/player_channel.h"

namespace vorpex::operations {

// How far one command and its reply went.
enum class Answer { kOk = 0, kNotSent = 1, kNoReply = 2, kRefused = 3 };

Answer Exchange(PlayerChannel& channel, int32_t selector, uint8_t command,
                std::span<const uint8_t> payload = {});
// The error an answer records: none for kOk, 4 for a command not sent or not answered, else
// `refused`.
int32_t AnswerCode(Answer answer, int32_t refused);

// Reads the directory of `selector` into `info` (five words), `entries` (32-byte records, up to
// `*count` of them) and `count` (the files found); null ones are not written. False when it was
// not read; the directory read records no error of its own.
bool ReadDirectory(PlayerChannel& channel, int32_t selector, uint32_t* info, uint8_t* entries,
                   uint32_t* count);

}  // namespace vorpex::operations
