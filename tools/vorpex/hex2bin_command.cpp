#include <cstdio>

#include "VORPEXUSB.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/hex_survey.h"
#include "tools/vorpex/interrupt.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

std::string SystemText(uint32_t code) {
  std::string text =
      platform::SystemErrorText(code).value_or("Windows error " + std::to_string(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

int RunHexToBin(const Options& options) {
  const std::string& in = options.input;
  const std::string& out = options.output;
  if (auto problem = UnreadableFile(in)) {
    ReportError("cannot read " + in + ": " + *problem);
    return kExitFailed;
  }
  const HexSurvey survey = SurveyHexFile(in).value_or(HexSurvey{});
  if (survey.failure != protocol::HexFailure::kNone) {
    ReportError(in + " is not a valid Intel HEX file: " +
                protocol::HexFailureText(survey.failure, survey.line) + "; " + out +
                " was not written");
    return kExitFailed;
  }
  if (!survey.data) {
    ReportError("no Intel HEX records in " + in + "; " + out + " was not written");
    return kExitFailed;
  }
  // The image would replace the HEX file it is made from.
  auto source = platform::File::Open(in, platform::Access::kRead, platform::Share::kReadWrite,
                                     platform::Disposition::kOpenExisting);
  if (source && source->SameFileAs(out)) {
    ReportError(out + " is the HEX file itself; nothing was written");
    return kExitFailed;
  }
  if (source) source->Close();
  // The image is made in a new file beside OUT and takes its place only when whole, so a file
  // that does not convert leaves an earlier OUT as it was. An interrupt waits for the
  // conversion; then the new file goes and OUT stays as it was.
  DeferInterrupts();
  platform::ReceivingFile image(out);
  if (!image.Reserve()) {
    ReportError("cannot write " + out + ": " + SystemText(platform::LastError()));
    return kExitFailed;
  }
  const bool converted = loc_ConvertHexToBin(in.c_str(), image.Path().c_str(), options.base) == 1;
  if (Interrupted()) {
    image.Discard();
    ReportError("interrupted; " + out + " was not written");
    return InterruptedStatus();
  }
  if (!converted) {
    ReportError(in + " is not a valid Intel HEX file: its image would exceed 33,553,920 bytes; " +
                out + " was not written");
    return kExitFailed;
  }
  auto written =
      platform::File::Open(image.Path(), platform::Access::kRead, platform::Share::kReadWrite,
                           platform::Disposition::kOpenExisting);
  const uint64_t size = written ? written->Size().value_or(0) : 0;
  if (written) written->Close();
  if (!image.Commit()) {
    ReportError("cannot write " + out + ": " + SystemText(platform::LastError()));
    return kExitFailed;
  }
  StopDeferringInterrupts();
  if (!survey.endOfFile) {
    ReportError("warning: " + in + " has no end-of-file record; converted what it holds");
  }
  if (size == 0) {
    ReportError("warning: no data of " + in + " lies at or above the base address; " + out +
                " is empty");
  }
  if (!options.quiet) {
    std::printf("%s: %llu bytes from address 0x%X\n", out.c_str(),
                static_cast<unsigned long long>(size), options.base);
  }
  return kExitOk;
}

}  // namespace vorpex::cli
