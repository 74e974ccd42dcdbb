// JSON for scripts: the one writer of every --json document. Objects keep their members on one
// line unless opened as kLines; arrays put each element on a line of its own, indented two
// spaces for each such container around it, so a listing reads one entry per line:
//   {"memories": [
//     {"memory": "M", "count": 0, "files": []}
//   ]}
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorpex::cli {

class JsonWriter {
 public:
  enum Layout { kInline, kLines };

  JsonWriter& BeginObject(Layout layout = kInline);
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the open object.
  JsonWriter& Key(std::string_view name);
  // Quotes, backslashes and control characters escaped, other bytes as they are.
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(int64_t value);
  JsonWriter& Bool(bool value);

  // The document so far, with the newline that ends it once every container is closed.
  std::string Text() const;

 private:
  struct Open {
    bool lines;
    bool empty = true;
  };
  void BeforeValue();
  void Close(char bracket);

  std::string out_;
  std::vector<Open> open_;
  bool afterKey_ = false;
};

}  // namespace vorpex::cli
