#include "tools/vorpex/json_text.h"

#include <algorithm>
#include <cstdio>

namespace vorpex::cli {
namespace {

size_t LineDepth(const auto& open) {
  return static_cast<size_t>(
      std::count_if(open.begin(), open.end(), [](const auto& o) { return o.lines; }));
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (open_.empty()) return;
  Open& current = open_.back();
  if (current.lines) {
    out_ += current.empty ? "\n" : ",\n";
    out_.append(2 * LineDepth(open_), ' ');
  } else if (!current.empty) {
    out_ += ", ";
  }
  current.empty = false;
}

void JsonWriter::Close(char bracket) {
  const Open closed = open_.back();
  open_.pop_back();
  if (closed.lines && !closed.empty) {
    out_ += '\n';
    out_.append(2 * LineDepth(open_), ' ');
  }
  out_ += bracket;
}

JsonWriter& JsonWriter::BeginObject(Layout layout) {
  BeforeValue();
  out_ += '{';
  open_.push_back({layout == kLines});
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  Close('}');
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  open_.push_back({true});
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  Close(']');
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  String(name);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ += '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out_ += '\\';
      out_ += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out_ += escape;
    } else {
      out_ += c;
    }
  }
  out_ += '"';
  return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

std::string JsonWriter::Text() const {
  return open_.empty() ? out_ + "\n" : out_;
}

}  // namespace vorpex::cli
