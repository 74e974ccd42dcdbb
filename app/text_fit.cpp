#include "app/text_fit.h"

#include <algorithm>
#include <vector>

namespace vorpex::app {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…" in UTF-8

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// Where each character of a UTF-8 text starts, and its end: cuts fall only there.
std::vector<size_t> CharacterStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

// The start and end of the text with "…" between them, as many characters of each as fit
// (one more at the start than at the end when the count is odd).
std::string CutCharacters(std::string_view text, double room, const TextWidth& width) {
  const std::vector<size_t> starts = CharacterStarts(text);
  const size_t characters = starts.size() - 1;
  auto joined = [&](size_t keep) {
    const size_t head = (keep + 1) / 2, tail = keep / 2;
    return std::string(text.substr(0, starts[head])) + std::string(kEllipsis) +
           std::string(text.substr(starts[characters - tail]));
  };
  size_t keep = 0;
  while (keep + 1 < characters && width(joined(keep + 1)) <= room) ++keep;
  return joined(keep);
}

}  // namespace

std::string TrimLineEnd(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ' ||
                     text[end - 1] == '\t')) {
    --end;
  }
  return std::string(text.substr(0, end));
}

std::string ShortenMiddle(std::string_view text, double room, const TextWidth& width) {
  if (width(text) <= room) return std::string(text);

  // The separators between the folders (one at the very start or end does not split).
  std::vector<size_t> cuts;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (IsSeparator(text[i])) cuts.push_back(i);
  }
  if (cuts.empty()) return CutCharacters(text, room, width);

  // The head ends after separator cuts[h - 1] (h = 0: no head), the tail starts at separator
  // cuts[t]; the file name, from the last separator on, is always kept.
  size_t h = 0, t = cuts.size() - 1;
  auto joined = [&](size_t head, size_t tail) {
    return std::string(text.substr(0, head == 0 ? 0 : cuts[head - 1] + 1)) +
           std::string(kEllipsis) + std::string(text.substr(cuts[tail]));
  };
  if (width(joined(0, t)) > room) {
    // The file name alone is too wide: keep its start and end.
    return CutCharacters(text.substr(cuts.back() + 1), room, width);
  }
  if (t >= 1 && width(joined(1, t)) <= room) h = 1;
  // Folders next to the file name first, then more from the start.
  while (t > h && width(joined(h, t - 1)) <= room) --t;
  while (h + 1 <= t && width(joined(h + 1, t)) <= room) ++h;
  return joined(h, t);
}

namespace {

// Where a word wider than the room is cut: after the last separator that keeps the piece within
// it, else after the last character that fits (at least one).
size_t WordCut(std::string_view word, double room, const TextWidth& width) {
  const std::vector<size_t> starts = CharacterStarts(word);
  size_t fits = starts[1];
  for (size_t k = 2; k < starts.size() && width(word.substr(0, starts[k])) <= room; ++k) {
    fits = starts[k];
  }
  for (size_t at = fits; at > 0; --at) {
    if (IsSeparator(word[at - 1])) return at;
  }
  return fits;
}

void WrapLine(std::string_view line, double room, const TextWidth& width, std::string& out) {
  std::string current;
  size_t at = 0;
  while (at < line.size()) {
    const size_t blank = line.find(' ', at);
    std::string_view word =
        line.substr(at, blank == std::string_view::npos ? std::string_view::npos : blank - at);
    at = blank == std::string_view::npos ? line.size() : blank + 1;
    for (;;) {
      const std::string joined =
          current.empty() ? std::string(word) : current + " " + std::string(word);
      if (width(joined) <= room || (current.empty() && word.empty())) {
        current = joined;
        break;
      }
      if (!current.empty()) {
        out += current + "\n";
        current.clear();
        continue;
      }
      const size_t cut = WordCut(word, room, width);
      out += std::string(word.substr(0, cut)) + "\n";
      word.remove_prefix(cut);
    }
  }
  out += current;
}

}  // namespace

std::string WrapText(std::string_view text, double room, const TextWidth& width) {
  std::string out;
  size_t at = 0;
  for (;;) {
    const size_t end = text.find('\n', at);
    WrapLine(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at),
             room, width, out);
    if (end == std::string_view::npos) break;
    out += '\n';
    at = end + 1;
  }
  return out;
}

double WidestLine(std::string_view text, const TextWidth& width) {
  double widest = 0;
  for (size_t at = 0;;) {
    const size_t end = text.find('\n', at);
    widest = std::max(
        widest,
        width(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at)));
    if (end == std::string_view::npos) return widest;
    at = end + 1;
  }
}

}  // namespace vorpex::app
