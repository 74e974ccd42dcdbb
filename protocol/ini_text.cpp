#include "protocol/ini_text.h"

#include <vector>

namespace vorpex::protocol {
namespace {

struct Line {
  size_t begin = 0;  // first character
  size_t end = 0;    // one past the last character before the line end
  size_t next = 0;   // first character of the following line
};

enum class LineKind { kBlank, kSection, kEntry };

struct ParsedLine {
  Line span;
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section or key name, blanks trimmed
  std::string_view value;  // entries only, blanks trimmed, quotes kept
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::vector<ParsedLine> ParseLines(std::string_view text) {
  std::vector<ParsedLine> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t newline = text.find('\n', pos);
    Line span;
    span.begin = pos;
    span.next = newline == std::string_view::npos ? text.size() : newline + 1;
    span.end = newline == std::string_view::npos ? text.size() : newline;
    if (span.end > span.begin && text[span.end - 1] == '\r') --span.end;
    pos = span.next;

    ParsedLine line;
    line.span = span;
    std::string_view content = Trim(text.substr(span.begin, span.end - span.begin));
    if (content.empty()) {
      line.kind = LineKind::kBlank;
    } else if (content.front() == '[' && content.find(']') != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = Trim(content.substr(1, content.find(']') - 1));
    } else {
      line.kind = LineKind::kEntry;
      size_t equals = content.find('=');
      line.name = Trim(content.substr(0, equals));
      line.value =
          equals == std::string_view::npos ? std::string_view{} : Trim(content.substr(equals + 1));
    }
    lines.push_back(line);
  }
  return lines;
}

// Index of the first line of the first section called `section`, or npos.
size_t FindSection(const std::vector<ParsedLine>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection && SameName(lines[i].name, section)) return i;
  }
  return std::string_view::npos;
}

// One past the last line of the section that starts at `header`.
size_t SectionEnd(const std::vector<ParsedLine>& lines, size_t header) {
  size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::kSection) ++i;
  return i;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view LineEndOf(std::string_view text, std::string_view fallback) {
  size_t newline = text.find('\n');
  if (newline == std::string_view::npos) return fallback;
  return (newline > 0 && text[newline - 1] == '\r') ? "\r\n" : "\n";
}

// What must follow `text` so that a line can be added after it: nothing after a line end, "\n"
// after a lone "\r" (which would otherwise stay in the last line and join the new one to it),
// else `lineEnd`.
std::string_view MissingLineEnd(std::string_view text, std::string_view lineEnd) {
  if (text.empty() || text.back() == '\n') return {};
  return text.back() == '\r' ? "\n" : lineEnd;
}

}  // namespace

std::optional<std::string> IniLookup(std::string_view text, std::string_view section,
                                     std::string_view key) {
  std::vector<ParsedLine> lines = ParseLines(text);
  size_t header = FindSection(lines, section);
  if (header == std::string_view::npos) return std::nullopt;
  size_t end = SectionEnd(lines, header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind == LineKind::kEntry && SameName(lines[i].name, key)) {
      return std::string(Unquote(lines[i].value));
    }
  }
  return std::nullopt;
}

std::string ProfileValue(std::string_view text, std::string_view section, std::string_view key,
                         size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::string value = IniLookup(text, section, key).value_or("");
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

std::string IniAssign(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value, std::string_view newLine) {
  const std::string_view lineEnd = LineEndOf(text, newLine);
  std::vector<ParsedLine> lines = ParseLines(text);
  std::string result;
  result.reserve(text.size() + section.size() + key.size() + value.size() + 8);

  size_t header = FindSection(lines, section);
  if (header == std::string_view::npos) {
    result.append(text).append(MissingLineEnd(text, lineEnd));
    result.append("[").append(Trim(section)).append("]").append(lineEnd);
    result.append(Trim(key)).append("=").append(value).append(lineEnd);
    return result;
  }

  size_t end = SectionEnd(lines, header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind == LineKind::kEntry && SameName(lines[i].name, key)) {
      const Line& span = lines[i].span;
      result.append(text.substr(0, span.begin));
      result.append(lines[i].name).append("=").append(value);
      result.append(text.substr(span.end));
      return result;
    }
  }

  // A new key goes after the section's last non-blank line.
  size_t last = header;
  for (size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind != LineKind::kBlank) last = i;
  }
  const Line& after = lines[last].span;
  result.append(text.substr(0, after.next));
  result.append(MissingLineEnd(text.substr(0, after.next), lineEnd));
  result.append(Trim(key)).append("=").append(value).append(lineEnd);
  result.append(text.substr(after.next));
  return result;
}

}  // namespace vorpex::protocol
