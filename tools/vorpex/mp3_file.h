// Music files read from disk: where the MPEG audio stream in a file lies and what it is, for
// mp3info, and whether a file holds audio the player plays, for choosing the files to copy.
#pragma once
#include <optional>
#include <string>

#include "protocol/mp3_stream.h"

namespace vorpex::cli {

struct MusicFile {
  std::optional<std::string> unreadable;      // why the file cannot be read (the system's words)
  std::optional<protocol::StreamInfo> audio;  // nullopt: no MPEG audio in it
  uint64_t size = 0;                          // of the whole file
};

// Reads the whole file once its start shows MPEG audio (a file that is none is read no further
// than its ID3v2 tags, its last bytes and the first protocol::kStreamWindowBytes after the tags).
MusicFile ReadMusicFile(const std::string& path);

// MPEG audio of Layer II or III, which the player plays, found by the file's content; reads no
// more than the ID3v2 tags' headers, the file's last bytes and protocol::kStreamWindowBytes.
// False for a file that cannot be read.
bool IsPlayableMpegAudio(const std::string& path);

}  // namespace vorpex::cli
