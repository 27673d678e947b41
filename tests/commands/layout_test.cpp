// The region's description of each command it serves must agree with what
// the translator writes, position by position: every option the region
// reads, typed alone after the command's verb, must set the flag the region
// looks for and pass its argument at the region's parameter position, with
// no fewer bytes than the region reads there. (ADDRESS, ASSIGN and
// FORMATTIME pass their areas in the order of their options; their own tables
// describe them, and the command table covers them.)
#include <gtest/gtest.h>

#include <string>

#include "host/descriptor.hpp"
#include "monitor/exec/exec.hpp"
#include "monitor/services/command.hpp"
#include "shell/translate.hpp"
#include "translator/descriptor.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

using ravnmor::services::Arg;
using ravnmor::services::Option;

// An operand that makes the translator pass what the region expects: a
// literal for a value (so its stored length shows), a variable for an area.
std::string operand_for(const Option& option) {
  switch (option.kind) {
    case Arg::kNone:
      return "";
    case Arg::kChars:
      return "(" + std::string(static_cast<std::size_t>(option.size), 'X') + ")";
    case Arg::kHalf:
    case Arg::kFull:
    case Arg::kPacked:
      return "(5)";
    case Arg::kData:
    case Arg::kAnswer:
      return "(&STRING)";
    case Arg::kPointer:
      return "(&FWORD)";
    case Arg::kBytes:
      return "(&DWORD)";
    case Arg::kUnread:
      return "(ABCD)";
  }
  return "";
}

// The bytes the region reads or writes at an option's argument.
std::size_t region_reads(const Option& option) {
  switch (option.kind) {
    case Arg::kHalf:
      return sizeof(std::int16_t);
    case Arg::kFull:
    case Arg::kPointer:
      return sizeof(std::int32_t);
    case Arg::kChars:
    case Arg::kPacked:
    case Arg::kBytes:
    case Arg::kAnswer:
      return static_cast<std::size_t>(option.size);
    case Arg::kNone:
    case Arg::kData:
    case Arg::kUnread:
      break;
  }
  return 0;
}

// The bytes the translator passes at `position`: a literal's stored length,
// or the room of the variable it names.
std::size_t passed_bytes(int position) {
  const void* address = qcmd_args[position - 1];
  ArgumentOrigin origin = argument_origin(address);
  if (origin.kind == ArgumentKind::kLiteral) return static_cast<std::size_t>(origin.length);
  return argument_room(address);
}

TEST(Layout, TheRegionReadsWhatTheTranslatorWrites) {
  begin_translations();
  int checked = 0;
  for (const auto& row : ravnmor::exec::served_commands()) {
    // An option without a name is the resource that follows the verb, as in
    // INQUIRE FILE(F1), and stands with every other option.
    std::string verb(row.name);
    for (const Option& option : row.options) {
      if (option.name.empty()) verb += operand_for(option);
    }
    for (const Option& option : row.options) {
      std::string command =
          verb + (option.name.empty() ? "" : " " + std::string(option.name) + operand_for(option));
      SCOPED_TRACE(command);
      translate_line(command);
      ASSERT_EQ(host::function_code(tolData.descriptor[0], tolData.descriptor[1]), row.function);
      if (option.flag_position != 0) {
        EXPECT_EQ(tolData.descriptor[option.flag_position - 1], option.flag) << "flag";
      }
      if (option.argument != 0) {
        ASSERT_TRUE(checkTolParam(option.argument)) << "no argument at " << int{option.argument};
        std::size_t passed = passed_bytes(option.argument);
        if (passed != 0) {
          EXPECT_GE(passed, region_reads(option)) << "argument size";
        }
        if (option.kind == Arg::kPacked || option.kind == Arg::kChars) {
          EXPECT_EQ(passed, region_reads(option)) << "a literal as long as the region reads";
        }
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);  // every described option was tried
  deleteallvars();
}

}  // namespace
}  // namespace qcmd
