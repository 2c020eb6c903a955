// Every problem the core can report reaches the user in words of its own, in
// the CLI's English and in the desktop program's Russian, with the details
// the problem carries, and nothing reaches a terminal as a control character.
#include <gtest/gtest.h>

#include <set>

#include "cli/json_text.h"
#include "cli/outcome_text.h"
#include "extract/unpack_report.h"

using namespace extract;

TEST(OutcomeText, EveryProblemHasItsOwnWordsWithItsDetails) {
  using enum Problem;
  // Each detail a wording may show, told apart by its value; the rows say
  // which of them each problem carries (see extract_outcome.h).
  // clang-format off
  ExtractOutcome o{.Detail = "D", .SystemError = "E", .Value = 7, .Done = 2, .Total = 3, .Found = 8,
                   .Expected = 9};
  const struct { Problem Kind; std::vector<std::string> Shows; } cases[] = {
      {NoOutputFolder, {}}, {ClimbsOut, {}}, {DotsFolder, {}}, {BadCharInFolder, {}},
      {DeviceFolder, {"D"}}, {EmptyName, {}}, {DotsName, {"D"}}, {SlashInName, {}},
      {BadCharInName, {}}, {DeviceName, {"D"}}, {AliasMissing, {"D"}}, {AliasLoop, {"D"}},
      {NegativeStoredSize, {"7"}}, {NegativeSize, {"7"}}, {TooFewForGzip, {"7"}},
      {NoCompressionCode, {}}, {UnknownCompression, {"7"}}, {LinkInside, {"D"}},
      {FolderNotCreated, {"D", "E"}}, {FileNotCreated, {"E"}}, {NameTooLong, {"D"}},
      {WriteFailed, {"2", "3", "E"}}, {OutOfMemory, {}}, {ArchiveUnreadable, {"E"}},
      {DataBeyondEnd, {}}, {ArchiveEndsEarly, {"2", "3"}}, {ReadFailed, {"2", "3"}},
      {GzipTooShort, {"7"}}, {ZlibError, {"D"}}, {DataEndsEarly, {}}, {LengthMismatch, {"7", "9"}},
      {CrcMismatch, {"00000008", "00000009"}}};
  // clang-format on
  // No problem's words are those of an outcome without one (o as made).
  std::set<std::string> english = {cli::OutcomeText(o)}, russian;
  for (const auto& [kind, shows] : cases) {
    o.Kind = kind;
    o.Status = kind >= DataBeyondEnd ? ExtractStatus::Damaged : ExtractStatus::NotWritten;
    const std::string text = cli::OutcomeText(o);
    EXPECT_TRUE(english.insert(text).second) << "said twice: " << text;
    for (const std::string& detail : shows) EXPECT_NE(text.find(detail), std::string::npos) << text;
    EXPECT_NE(FailureReason(o), "") << text;
    russian.insert(FailureReason(o));
  }
  EXPECT_EQ(english.size(), static_cast<size_t>(CrcMismatch) + 1) << "a problem is missing";
  EXPECT_GT(russian.size(), 1u);
  // No control character, C0 or C1 (U+0080 to U+009F), reaches a terminal.
  EXPECT_EQ(cli::PrintableText("a\x01\x7F\xC2\x85\xC2\xA0z\xC2\x9F"), "a???\xC2\xA0z?");
}
