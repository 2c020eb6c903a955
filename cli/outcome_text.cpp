#include "cli/outcome_text.h"

#include <cinttypes>
#include <cstdio>

#include "cli/json_text.h"

namespace cli {
namespace {

using extract::Problem;

std::string Text(int64_t value) { return std::to_string(value); }

std::string Hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, value);
  return text;
}

// What was left of the file: for damaged data the file is still written in
// full length where it can be.
std::string Leftover(const extract::ExtractOutcome& o) {
  if (o.Unpacked < 0) return std::string();
  if (o.Compressed) {
    return "; " + Text(o.Unpacked) + " of " + Text(o.Size) +
           " bytes were unpacked, the rest written as zeros";
  }
  return "; " + Text(o.Unpacked) + " bytes were written";
}

std::string Reason(const extract::ExtractOutcome& o) {
  switch (o.Kind) {
    case Problem::None: return std::string();
    case Problem::NoOutputFolder: return "no output folder was given";
    case Problem::ClimbsOut: return "its path climbs out of the output folder (a \"..\" folder)";
    case Problem::DotsFolder: return "its path has a folder named only by dots";
    case Problem::BadCharInFolder:
      return "its path has a folder name with a character that cannot be in a file name";
    case Problem::DeviceFolder:
      return "its path has a folder named after a Windows device (" + o.Detail + ")";
    case Problem::EmptyName: return "its name is empty";
    case Problem::DotsName: return "its name \"" + o.Detail + "\" cannot be a file name";
    case Problem::SlashInName: return "its name contains a slash";
    case Problem::BadCharInName:
      return "its name contains a character that cannot be in a file name";
    case Problem::DeviceName: return "its name \"" + o.Detail + "\" is a Windows device name";
    case Problem::AliasMissing:
      return "it is an alias of " + o.Detail + ", which is not in the archive";
    case Problem::AliasLoop:
      return "it is an alias of " + o.Detail + ", and the chain of aliases comes back to it";
    case Problem::NegativeStoredSize: return "its stored size is negative (" + Text(o.Value) + ")";
    case Problem::NegativeSize: return "its unpacked size is negative (" + Text(o.Value) + ")";
    case Problem::TooFewForGzip:
      return "its " + Text(o.Value) + " bytes of compressed data are too few for a gzip member";
    case Problem::GzipTooShort:
      return "its " + Text(o.Value) + " bytes of compressed data end before the gzip trailer";
    case Problem::NoCompressionCode: return "it has no compression code; its data was not written";
    case Problem::UnknownCompression:
      return "its compression code " + Text(o.Value) + " is unknown; its data was not written";
    case Problem::LinkInside:
      return "a symbolic link stands in its way (" + ShownPath(o.Detail) +
             "); nothing is written through a link inside the output folder";
    case Problem::FolderNotCreated:
      return "cannot create folder " + ShownPath(o.Detail) + ": " + o.SystemError;
    case Problem::FileNotCreated: return "cannot create the file: " + o.SystemError;
    case Problem::NameTooLong:
      return "the name is too long for the file system (" + ShownPath(o.Detail) + ")";
    case Problem::WriteFailed:
      return "writing failed after " + Text(o.Done) + " of " + Text(o.Total) +
             " bytes: " + o.SystemError + (o.Removed ? "; the incomplete file was removed" : "");
    case Problem::OutOfMemory: return "there is not enough memory to unpack it";
    case Problem::ArchiveUnreadable: return "the archive cannot be read: " + o.SystemError;
    case Problem::DataBeyondEnd: return "its data lies beyond the end of the archive";
    case Problem::ArchiveEndsEarly:
      return "the archive ends after " + Text(o.Done) + " of its " + Text(o.Total) + " bytes";
    case Problem::ReadFailed:
      return o.Compressed ? "the archive could be read for only " + Text(o.Done) + " of " +
                                Text(o.Total) + " bytes of compressed data"
                          : "the archive could be read for only " + Text(o.Done) + " of its " +
                                Text(o.Total) + " bytes";
    case Problem::ZlibError: return "damaged compressed data (" + o.Detail + ")";
    case Problem::DataEndsEarly: return "the compressed data ends early";
    case Problem::LengthMismatch:
      return "the unpacked size " + Text(o.Value) + " differs from the gzip trailer's " +
             Text(o.Expected);
    case Problem::CrcMismatch:
      return "CRC-32 mismatch: the unpacked data has " + Hex(o.Found) + ", the gzip trailer says " +
             Hex(o.Expected);
  }
  return "unexpected problem";
}

}  // namespace

std::string OutcomeText(const extract::ExtractOutcome& outcome) {
  return Reason(outcome) + Leftover(outcome);
}

}  // namespace cli
