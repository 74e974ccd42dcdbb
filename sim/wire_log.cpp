#include "sim/wire_log.h"

namespace vorpex::sim {
namespace {

// Past this many logged bytes the log keeps only lengths, so a long upgrade stays affordable;
// past this much more in entries it keeps none.
constexpr size_t kMaxStoredBytes = 64u << 20;
constexpr size_t kMaxEntryBytes = 16u << 20;

const char* KindName(LogKind kind) {
  switch (kind) {
    case LogKind::kOut:
      return "OUT";
    case LogKind::kIn:
      return "IN";
    case LogKind::kControl:
      return "CONTROL";
    case LogKind::kHalt:
      return "HALT";
    case LogKind::kReset:
      return "RESET";
    case LogKind::kAbort:
      return "ABORT";
    case LogKind::kViolation:
      return "VIOLATION";
    case LogKind::kOpen:
      return "OPEN";
    case LogKind::kConfiguration:
      return "CONFIGURATION";
  }
  return "?";
}

}  // namespace

void WireLog::Keep(bool on) {
  keep_ = on;
  if (!on) Clear();
}

void WireLog::Add(LogKind kind, uint32_t pipe, bool ok, std::span<const uint8_t> bytes,
                  std::string note) {
  if (!keep_) return;
  const bool keepBytes = storedBytes_ + bytes.size() <= kMaxStoredBytes;
  if (!keepBytes) {
    note += (note.empty() ? "" : "; ") + std::to_string(bytes.size()) + " bytes not kept";
  }
  const size_t cost = sizeof(LogEntry) + note.capacity();
  if (entryBytes_ + cost > kMaxEntryBytes) {
    ++dropped_;
    return;
  }
  entryBytes_ += cost;
  std::vector<uint8_t> copy;
  if (keepBytes) copy.assign(bytes.begin(), bytes.end());
  storedBytes_ += copy.size();
  entries_.push_back({kind, pipe, ok, std::move(copy), std::move(note)});
}

void WireLog::Clear() {
  std::deque<LogEntry>().swap(entries_);
  storedBytes_ = 0;
  entryBytes_ = 0;
  dropped_ = 0;
}

std::string WireLog::Text() const {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const auto& entry : entries_) {
    char pipe[8];
    pipe[0] = '0';
    pipe[1] = 'x';
    pipe[2] = kDigits[(entry.pipe >> 4) & 15];
    pipe[3] = kDigits[entry.pipe & 15];
    pipe[4] = '\0';
    text += std::string(KindName(entry.kind)) + " pipe " + pipe + (entry.ok ? " ok " : " failed ") +
            std::to_string(entry.bytes.size());
    if (!entry.note.empty()) text += " (" + entry.note + ")";
    if (!entry.bytes.empty()) text += ":";
    for (uint8_t b : entry.bytes) {
      text += ' ';
      text += kDigits[b >> 4];
      text += kDigits[b & 15];
    }
    text += '\n';
  }
  if (dropped_ > 0) text += std::to_string(dropped_) + " more entries not kept\n";
  return text;
}

}  // namespace vorpex::sim
