#include <gmock/gmock.h>

#include <cstring>
#include <string>

#include "host/host.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "programs/builtins.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

using ::testing::HasSubstr;

// LINK X'0E02' (".", double quote), base count 7; XCTL X'0E04' (".$"), 4;
// ABEND X'0E0C' (".,"), 2; RETURN X'0E08' (".("), TRANSID "T" at 4.
const std::string kLink = make_descriptor(".\"", {{3, 'C'}}, 7);
const std::string kLinkBare = make_descriptor(".\"", {}, 7);
const std::string kXctl = make_descriptor(".$", {{3, 'C'}}, 4);
const std::string kAbend = make_descriptor(".,", {{3, 'A'}}, 2);
const std::string kAbendCancel = make_descriptor(".,", {{3, 'A'}, {4, 'C'}}, 2);
const std::string kReturnTransid = make_descriptor(".(", {{4, 'T'}}, 2);

std::int16_t eibcalen() {
  return host::load_half(host::linked_block(host::xtcb, host::kTcbEib), host::kEibCalen);
}

class ProgramTest : public ServiceTest {
 protected:
  ProgramTest() {
    programs::register_builtin_programs(region::program_table());
    task.program = "CALLER";
  }

  Answer link(std::string_view program, char* commarea, std::int16_t length,
              const std::string& descriptor = kLink) {
    std::string name = padded(program);
    return call(descriptor.c_str(), {name.data(), commarea, &length});
  }

  // A program of the test's own: `body` runs as its work between its entry and its RETURN.
  void add_program(const char* name, std::function<void()> body) {
    region::program_table().add_program(name, [name, body] {
      std::string padded_name = padded(name);
      char storage[2] = {};
      host::oxdfhei1("9#                    $  N#00000000", &storage[0], &storage[1],
                     padded_name.data());
      body();
      host::oxdfhei1(".(                    !  N#00000001");
      host::oxdfhei1("9%                    \"  N#00000002", padded_name.data());
    });
  }
};

TEST_F(ProgramTest, TheLinkedProgramSeesItsCommareaAndLevel) {
  std::int16_t seen_length = -1;
  std::string seen_program, seen_caller;
  add_program("PROBE", [&] {
    control::Task& running = *control::current_task();
    seen_length = eibcalen();
    seen_program = running.program;
    seen_caller = running.linking_programs.empty() ? "" : running.linking_programs.back();
  });
  char data[] = "0123456789";
  EXPECT_EQ(link("PROBE", data, 10), kNormal);
  EXPECT_EQ(seen_length, 10);
  EXPECT_EQ(seen_program, "PROBE");
  EXPECT_EQ(seen_caller, "CALLER");
  EXPECT_TRUE(task.linking_programs.empty());

  // A program waiting for its LINK cannot be entered again: its storage is in use.
  Answer inner{-1, -1};
  add_program("RECURSE", [&] {
    std::string name = padded("RECURSE");
    std::int16_t length = 0;
    inner = call(kLinkBare.c_str(), {name.data(), nullptr, &length});
  });
  EXPECT_EQ(link("RECURSE", data, 10), kNormal);
  EXPECT_EQ(inner, (Answer{16, 2}));

  // A linked program can RETURN, but not name the next transaction.
  Answer returned{-1, -1};
  add_program("NEXTTRAN", [&] {
    char transid[] = "QCMD";
    returned = call(kReturnTransid.c_str(), {transid});
  });
  EXPECT_EQ(link("NEXTTRAN", data, 10), kNormal);
  EXPECT_EQ(returned, (Answer{16, 4}));
  EXPECT_FALSE(task.next_transaction);
}

TEST_F(ProgramTest, ALinkedProgramsAbendCancelComesBackAsInvreq) {
  add_program("FAILING", [this] {
    char code[] = "FAIL";
    call(kAbendCancel.c_str(), {code});
  });
  char data[] = "AB";
  EXPECT_EQ(link("FAILING", data, 2), (Answer{16, 3}));
  EXPECT_FALSE(task.abended);  // the caller goes on
  EXPECT_EQ(task.abend_code, "FAIL");
  EXPECT_EQ(link("ECHO", data, 2), kNormal);
}

TEST_F(ProgramTest, HelloSendsItsScreenAndSaysWhoGetsControlBack) {
  char data[] = "GREETINGS";
  EXPECT_EQ(link("HELLO", data, 9), kNormal);
  ASSERT_EQ(terminal.sent.size(), 1u);
  std::string screen(terminal.sent[0].begin(), terminal.sent[0].end());
  EXPECT_THAT(screen, HasSubstr("Hello from program HELLO, running for transaction TEST"));
  EXPECT_THAT(screen, HasSubstr("Its COMMAREA has 9 bytes: GREETINGS"));
  EXPECT_THAT(screen, HasSubstr("Program CALLER linked to it and gets control back."));
}

// LOAD X'0E06' (".&"), base count 5: SET "S" at 3 (3), LENGTH "L" or FLENGTH
// "F" at 4 (4), ENTRY "E" at 5 (5), HOLD "H" at 6. RELEASE X'0E0A' (".*"), 2.
const std::string kLoad = make_descriptor(".&", {{3, 'S'}, {4, 'L'}, {5, 'E'}}, 5);
const std::string kLoadHold = make_descriptor(".&", {{3, 'S'}, {4, 'F'}, {6, 'H'}}, 5);
const std::string kRelease = make_descriptor(".*", {}, 2);

// The answers of LOAD and RELEASE (lengths, the count of loads, PGMIDERR)
// are the commands table's; here the image itself.
TEST_F(ProgramTest, LoadGivesOneImagePerProgram) {
  std::string name = padded("ECHO");
  std::uint32_t set = 0, entry = 0, again = 0;
  std::int16_t length = 0;
  std::int32_t flength = 0;
  ASSERT_EQ(call(kLoad.c_str(), {name.data(), &set, &length, &entry}), kNormal);
  ASSERT_NE(set, 0u);
  EXPECT_EQ(entry, set);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(host::word_to_ptr(set)), 8), "ECHO    ");
  ASSERT_EQ(call(kLoadHold.c_str(), {name.data(), &again, &flength}), kNormal);
  EXPECT_EQ(again, set);  // loaded once, used twice
  EXPECT_EQ(call(kRelease.c_str(), {name.data()}), kNormal);
  EXPECT_EQ(call(kRelease.c_str(), {name.data()}), kNormal);
}

TEST_F(ProgramTest, AnImageLoadedWithoutHoldEndsWithItsTask) {
  std::string echo = padded("ECHO"), hello = padded("HELLO");
  std::uint32_t set = 0, entry = 0;
  std::int16_t length = 0;
  std::int32_t flength = 0;
  task.number = 71;
  ASSERT_EQ(call(kLoad.c_str(), {echo.data(), &set, &length, &entry}), kNormal);
  ASSERT_EQ(call(kLoadHold.c_str(), {hello.data(), &set, &flength}), kNormal);
  task.number = 72;  // the next task of the session
  EXPECT_EQ(call(kRelease.c_str(), {echo.data()}), (Answer{16, 5}));
  EXPECT_EQ(call(kRelease.c_str(), {hello.data()}), kNormal);
}

// Whole tasks through the runner: XCTL's target runs with the COMMAREA passed,
// ABEND ends the task abnormally and nothing more is done after it. ABEND
// without CANCEL taken by an interpreter is the commands table's.
TEST(ProgramTasks, XctlRunsItsTargetAndAbendCancelEndsTheTask) {
  region::TestRegion test_region;
  programs::register_builtin_programs(region::program_table());
  std::string seen;
  region::program_table().add_program("TARGET", [&] {
    control::Task& running = *control::current_task();
    seen = std::string(running.commarea, running.commarea + running.commarea_length) + "/" +
           std::to_string(eibcalen());
  });
  region::program_table().add_program("STARTER", [] {
    std::string name = padded("TARGET");
    char data[] = "HANDED";
    std::int16_t length = 6;
    host::oxdfhei1(kXctl.c_str(), name.data(), data, &length);
    data[0] = 'X';  // the target has its own copy
  });
  region::program_table().add_transaction("XCT", "STARTER");
  region::TaskOutcome outcome = test_region.run("XCT");
  EXPECT_EQ(outcome.end, region::TaskEnd::program_ended);
  EXPECT_EQ(outcome.programs, (std::vector<std::string>{"STARTER", "TARGET"}));
  EXPECT_EQ(seen, "HANDED/6");

  region::program_table().add_program("QUITTER", [] {
    char code[] = "QU";  // shorter than four: blank-padded
    host::oxdfhei1(kAbend.c_str(), code);
    host::oxdfhei1(".(                    !  N#00000001");  // refused: the task is over
  });
  region::program_table().add_transaction("ABN", "QUITTER");
  outcome = test_region.run("ABN");
  EXPECT_EQ(outcome.end, region::TaskEnd::abended);
  EXPECT_EQ(outcome.abend_code, "QU  ");
}

}  // namespace
}  // namespace ravnmor::testing
