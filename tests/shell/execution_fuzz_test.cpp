// Commands made by mutating real ones (a variable swapped for another of a
// different type, a length replaced by 0, 1, 32767, 65535, -1 or 2^31),
// each checked, confirmed and executed through QCMD at the scripted
// terminal. Run under AddressSanitizer, any read or write outside the
// storage a command names ends the test program; the run must also go on
// to the end of its keys with the variables intact.
//
// The commands come from a seeded generator: RAVNMOR_FUZZ_SEED (default
// kDefaultSeed) and RAVNMOR_FUZZ_COMMANDS (default kDefaultCommands) repeat
// or widen a run; a failure names its seed and batch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "host/layout.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "programs/builtins.hpp"
#include "shell/register.hpp"
#include "support/test_region.hpp"

namespace qcmd {
namespace {

constexpr unsigned kDefaultSeed = 20261207;
constexpr int kDefaultCommands = 3000;
constexpr int kBatch = 250;  // commands in one run of QCMD

// Real commands over the example variables. Commands that wait (DELAY,
// RECEIVE) or end the run (XCTL, ABEND, RETURN) are left out: the keys of
// the script would no longer meet the screens they are meant for.
const char* const kCommands[] = {
    "WRITEQ TS QUEUE(FZQ) FROM(&STRING) LENGTH(&HWORD)",
    "WRITEQ TS QUEUE(FZQ) FROM(&STRING) LENGTH(23) ITEM(&HWORD) REWRITE",
    "READQ TS QUEUE(FZQ) INTO(&STRING) LENGTH(&HWORD) ITEM(1)",
    "READQ TS QUEUE(FZQ) SET(&FWORD) LENGTH(&HWORD) NUMITEMS(&HWORD)",
    "DELETEQ TS QUEUE(FZQ)",
    "WRITEQ TD QUEUE(FZTD) FROM(&STRING) LENGTH(10)",
    "READQ TD QUEUE(FZTD) INTO(&STRING) LENGTH(&HWORD)",
    "WRITE FILE(FZF) FROM(&STRING) RIDFLD(&DWORD) LENGTH(20)",
    "READ FILE(FZF) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD) UPDATE",
    "REWRITE FILE(FZF) FROM(&STRING) LENGTH(5)",
    "DELETE FILE(FZF) RIDFLD(&DWORD) KEYLENGTH(8)",
    "STARTBR FILE(FZF) RIDFLD(&DWORD)",
    "READNEXT FILE(FZF) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD)",
    "ENDBR FILE(FZF)",
    "GETMAIN SET(&FWORD) FLENGTH(64) INITIMG(&STRING)",
    "FREEMAIN DATA(&FWORD)",
    "ASKTIME ABSTIME(&DWORD)",
    "FORMATTIME ABSTIME(&DWORD) DATE(&STRING) TIME(&STRING) YEAR(&FWORD) DATESEP(-)",
    "ASSIGN APPLID(&STRING) SCRNHT(&HWORD) USERID(&STRING) CWALENG(&HWORD)",
    "ADDRESS EIB(&FWORD) CWA(&FWORD) TWA(&FWORD)",
    "ENQ RESOURCE(&STRING) LENGTH(8)",
    "DEQ RESOURCE(&STRING) LENGTH(8)",
    "LINK PROGRAM(ECHO) COMMAREA(&STRING) LENGTH(&HWORD)",
    "LOAD PROGRAM(ECHO) SET(&FWORD) LENGTH(&HWORD)",
    "RELEASE PROGRAM(ECHO)",
    "START TRANSID(QCMD) FROM(&STRING) LENGTH(&HWORD)",
    "RETRIEVE INTO(&STRING) LENGTH(&HWORD)",
    "CANCEL REQID(&STRING)",
    "SEND TEXT FROM(&STRING) LENGTH(&HWORD)",
    "SEND FROM(&STRING) LENGTH(&HWORD)",
    "SEND CONTROL CURSOR(&HWORD)",
    "INQUIRE FILE(&STRING) OPENSTATUS(&FWORD)",
    "BIF DEEDIT FIELD(&STRING) LENGTH(&HWORD)",
    "DUMP DUMPCODE(FZ) FROM(&STRING) LENGTH(&HWORD)",
    "ENTER TRACEID(&HWORD) FROM(&STRING)",
    "HANDLE ABEND PROGRAM(ECHO)",
    "CONVERSE FROM(&STRING) FROMLENGTH(&HWORD) SET(&FWORD) TOLENGTH(&HWORD)",
};

const char* const kVariables[] = {"&HWORD", "&FWORD", "&DWORD", "&STRING", "&PACKED"};
const char* const kLengths[] = {"0", "1", "32767", "65535", "-1", "2147483648"};
const char* const kLengthOptions[] = {"LENGTH(",   "FLENGTH(", "MAXLENGTH(", "FROMLENGTH(",
                                      "TOLENGTH(", "ITEM(",    "CURSOR("};

// The commands that take a key of their own: QCMD waits for one after a
// command that shows the user's screen, and CONVERSE reads one.
bool takes_a_key(const std::string& command) {
  return command.starts_with("SEND") || command.starts_with("LINK") ||
         command.starts_with("CONVERSE");
}

int setting(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atoi(text) : fallback;
}

// Where the argument of the n-th match of any of `marks` begins, or npos.
std::size_t nth_argument(const std::string& command, std::initializer_list<const char*> marks,
                         std::size_t n) {
  std::vector<std::size_t> found;
  for (const char* mark : marks) {
    for (std::size_t at = command.find(mark); at != std::string::npos;
         at = command.find(mark, at + 1)) {
      found.push_back(at + std::string(mark).size());
    }
  }
  return n < found.size() ? found[n] : std::string::npos;
}

class Mutator {
 public:
  explicit Mutator(unsigned seed) : random_(seed) {}

  std::string next() {
    std::string command = pick(kCommands);
    int changes = 1 + static_cast<int>(random_() % 3);
    for (int i = 0; i < changes; ++i) {
      if (random_() % 2 == 0) {
        swap_variable(command);
      } else {
        replace_length(command);
      }
    }
    return command;
  }

 private:
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) {
    return items[random_() % N];
  }

  // One variable argument becomes another variable.
  void swap_variable(std::string& command) {
    std::size_t at = nth_argument(command, {"(&"}, random_() % 4);
    if (at == std::string::npos) return;
    --at;  // the "&"
    std::size_t end = command.find(')', at);
    command.replace(at, end - at, pick(kVariables));
  }

  // The argument of one length option becomes an edge value.
  void replace_length(std::string& command) {
    std::size_t at = nth_argument(command, {"LENGTH(", "ITEM(", "CURSOR("}, random_() % 2);
    if (at == std::string::npos) {
      // A command without one gets one added.
      command += std::string(" ") + pick(kLengthOptions) + pick(kLengths) + ")";
      return;
    }
    std::size_t end = command.find(')', at);
    command.replace(at, end - at, pick(kLengths));
  }

  std::mt19937 random_;
};

TEST(ExecutionFuzz, MutatedCommandsStayInsideTheirStorage) {
  register_qcmd(ravnmor::region::program_table());
  programs::register_builtin_programs(ravnmor::region::program_table());
  auto seed = static_cast<unsigned>(setting("RAVNMOR_FUZZ_SEED", kDefaultSeed));
  int total = setting("RAVNMOR_FUZZ_COMMANDS", kDefaultCommands);
  Mutator mutator(seed);
  for (int batch = 0; batch * kBatch < total; ++batch) {
    SCOPED_TRACE("RAVNMOR_FUZZ_SEED=" + std::to_string(seed) + " batch " + std::to_string(batch));
    ravnmor::region::TestRegion region;
    auto& user = region.terminal();
    for (int i = 0; i < kBatch && batch * kBatch + i < total; ++i) {
      // To the command screen, check, confirm and execute; a command that
      // changes the terminal's screen then waits for a key. A command the
      // translator refuses is checked again at each of these keys instead.
      // PF3 on the result (or check) screen goes back to the initial screen.
      std::string command = mutator.next();
      user.type_field(1, "QCMD " + command).enter().enter().enter();
      if (takes_a_key(command)) user.enter();
      user.pf(3);
    }
    user.pf(5).pf(3).pf(3);
    region.run("QCMD");
    ASSERT_FALSE(user.hung_up()) << "the run did not reach the end of its keys";
    ASSERT_GE(user.sent().size(), 3u);
    ravnmor::terminal::Screen variables;
    ASSERT_TRUE(variables.apply_outbound(user.sent()[user.sent().size() - 3]).ok());
    std::string shown;
    for (int row = 1; row <= host::kScreenRows; ++row) shown += variables.row_text(row);
    for (const char* name : kVariables) EXPECT_NE(shown.find(name), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace qcmd
