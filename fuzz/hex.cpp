// Intel HEX text of any shape: its first line as one record, then the whole text as a file
// through the real conversion into an image file, with and without the end-of-file record
// required. A conversion that fails must leave no image behind; one that succeeds must leave it.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "chiplib/hex_convert.h"
#include "fuzz/scratch_folder.h"
#include "protocol/hex_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  protocol::HexRecord record;
  protocol::ParseHexLine(text.substr(0, text.find('\n')), record);

  const std::string source = fuzz::ScratchFolder() + "/in.hex";
  const std::string image = fuzz::ScratchFolder() + "/out.bin";
  std::ofstream(source, std::ios::binary).write(text.data(), static_cast<std::streamsize>(size));
  struct Run {
    uint32_t base;
    bool requireEndOfFile;
  };
  for (const Run run : {Run{0, false}, Run{0x10000, true}}) {
    const auto result = chip::ConvertHex(source.c_str(), image.c_str(), run.base,
                                         run.requireEndOfFile);
    const bool converted = result.outcome == chip::HexOutcome::kConverted;
    if (converted != std::filesystem::exists(image)) abort();
    std::filesystem::remove(image);
  }
  return 0;
}
