// mp3info: what each music file is, from its content: the MPEG version, layer, sampling rate,
// channel mode, duration and bit rate (constant, or the average of a variable one).
#include <array>
#include <cstdio>
#include <string>

#include "protocol/mp3_frame.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/json_text.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/mp3_file.h"

namespace vorpex::cli {
namespace {

using protocol::StreamInfo;

std::string VersionName(uint32_t version) {
  return version == protocol::kMpegVersion1   ? "1"
         : version == protocol::kMpegVersion2 ? "2"
                                              : "2.5";
}

const char* LayerName(uint32_t layer) {
  return layer == 1 ? "I" : layer == 2 ? "II" : "III";
}

const char* ModeName(protocol::ChannelMode mode) {
  switch (mode) {
    case protocol::ChannelMode::kStereo:
      return "stereo";
    case protocol::ChannelMode::kJointStereo:
      return "joint stereo";
    case protocol::ChannelMode::kDualChannel:
      return "dual channel";
    case protocol::ChannelMode::kMono:
      break;
  }
  return "mono";
}

const char* VbrHeaderName(protocol::VbrHeader header) {
  switch (header) {
    case protocol::VbrHeader::kXing:
      return "Xing";
    case protocol::VbrHeader::kInfo:
      return "Info";
    case protocol::VbrHeader::kVbri:
      return "VBRI";
    case protocol::VbrHeader::kNone:
      break;
  }
  return "";
}

// "3:25.4", hours in front when there are some.
std::string DurationText(uint64_t milliseconds) {
  const uint64_t tenths = (milliseconds + 50) / 100;
  const uint64_t seconds = tenths / 10;
  std::array<char, 48> text{};
  if (seconds >= 3600) {
    std::snprintf(text.data(), text.size(), "%llu:%02llu:%02llu.%llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60),
                  static_cast<unsigned long long>(tenths % 10));
  } else {
    std::snprintf(text.data(), text.size(), "%llu:%02llu.%llu",
                  static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60),
                  static_cast<unsigned long long>(tenths % 10));
  }
  return text.data();
}

// "MPEG-1 Layer III, 44100 Hz, joint stereo, 3:25.4, 128 kbit/s" ("VBR, 108 kbit/s average").
std::string Describe(const StreamInfo& audio) {
  const protocol::MpegHeader& h = audio.first;
  std::string rate = std::to_string(audio.bitRate) + " kbit/s";
  return "MPEG-" + VersionName(h.version) + " Layer " + LayerName(h.layer) + ", " +
         std::to_string(h.sampleRate) + " Hz, " + ModeName(h.mode) + ", " +
         DurationText(audio.milliseconds) + ", " +
         (audio.variable ? "VBR, " + rate + " average" : rate);
}

void AddJson(JsonWriter& json, const std::string& path, const MusicFile& music) {
  json.BeginObject().Key("file").String(path);
  if (music.unreadable) {
    json.Key("error").String(*music.unreadable).EndObject();
    return;
  }
  json.Key("mpegAudio").Bool(music.audio.has_value());
  if (music.audio) {
    const StreamInfo& a = *music.audio;
    json.Key("version").String(VersionName(a.first.version));
    json.Key("layer").Number(a.first.layer).Key("sampleRate").Number(a.first.sampleRate);
    json.Key("channelMode").String(ModeName(a.first.mode));
    json.Key("durationMs").Number(static_cast<int64_t>(a.milliseconds));
    json.Key("frames").Number(static_cast<int64_t>(a.frames));
    if (a.vbrHeader != protocol::VbrHeader::kNone) {
      json.Key("vbrHeader").String(VbrHeaderName(a.vbrHeader));
    }
    json.Key("vbr").Bool(a.variable).Key("bitRate").Number(a.bitRate);
  }
  json.EndObject();
}

}  // namespace

int RunMp3Info(const Options& options) {
  int status = kExitOk;
  JsonWriter json;
  json.BeginObject(JsonWriter::kLines).Key("files").BeginArray();
  for (const std::string& path : options.operands) {
    const MusicFile music = ReadMusicFile(path);
    if (!music.audio) status = kExitFailed;
    if (options.json) {
      AddJson(json, path, music);
    } else if (music.unreadable) {
      ReportError("cannot read " + path + ": " + *music.unreadable);
    } else if (!music.audio) {
      ReportError(path + ": not MPEG audio (no " + std::to_string(protocol::kConfirmingFrames) +
                  " consecutive frames of one stream near its start)");
    } else {
      std::printf("%s: %s\n", path.c_str(), Describe(*music.audio).c_str());
    }
  }
  if (options.json) {
    json.EndArray().EndObject();
    std::fputs(json.Text().c_str(), stdout);
  }
  return status;
}

}  // namespace vorpex::cli
