#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host.hpp"
#include "monitor/exec/builtins.hpp"
#include "qcmd_fixture.hpp"
#include "syntax/syntax.hpp"
#include "translator/descriptor.hpp"
#include "vars/cmdline.hpp"
#include "vars/run.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;

// Descriptors as the translator writes them: the function code's two bytes
// plus 0x20, option flags at 3-22, 0x20 + the parameter count at 23.
constexpr char kAsktime[] = "0\"A                   \"            ";  // ABSTIME
constexpr char kSendControlErase[] = "82      T  E F  H     (   #00000013";
constexpr char kGetmain[] = ",\" L                  $            ";   // SET, LENGTH
constexpr char kFreemain[] = ",$                    \"            ";  // DATA
constexpr char kXctl[] = ".$                    $            ";       // PROGRAM, -, LENGTH

constexpr std::int32_t kInvreq = 16;

// The recognised verb and the argument list of a prepared command.
void prepare(const char* verb, const char* descriptor, std::initializer_list<void*> arguments) {
  initialize();
  CmdIntSyntax = SyntaxEntry{};
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (std::strcmp(entry.verb, verb) == 0) CmdIntSyntax = entry;
  }
  ASSERT_NE(CmdIntSyntax.verblen, 0u) << verb;
  std::memset(ArgList, 0, sizeof ArgList);
  std::memcpy(CmdIntBuffer.Descriptor, descriptor, std::strlen(descriptor) + 1);
  ArgList[0] = CmdIntBuffer.Descriptor;
  int slot = 1;
  for (void* argument : arguments) ArgList[slot++] = argument;
}

std::int32_t eibresp() {
  return static_cast<std::int32_t>(
      host::load_word(host::linked_block(host::xtcb, host::kTcbEib), host::kEibResp));
}

std::uint8_t user_screen_byte() {
  return host::linked_block(host::xtcb, host::kTcbTerminalState)[host::kTermStateUserScreen];
}

class RouteTest : public ProgramTest {
 protected:
  RouteTest() : ProgramTest(true) {}
};

TEST_F(RouteTest, ACommandThatLeavesTheScreenAloneRunsWithoutAKeyWait) {
  std::uint8_t abstime[8] = {};
  std::int32_t resp = -1;
  run_program([&] {
    prepare("ASKTIME", kAsktime, {abstime});
    cintroute();
    resp = eibresp();
  });
  EXPECT_EQ(resp, 0);
  EXPECT_NE(std::memcmp(abstime, std::string(8, '\0').data(), 8), 0);
  ASSERT_EQ(user.sent().size(), 1u);  // the saved (empty) user screen, written first
  EXPECT_FALSE(user.hung_up());       // no key was waited for
  EXPECT_EQ(TerminateQCMD, 0);
  std::string trace = test_region.trace();
  EXPECT_THAT(trace, HasSubstr("ArgList[1] = "));
  EXPECT_THAT(trace, HasSubstr("ArgList[22] = "));
  EXPECT_THAT(trace, HasSubstr("EXEC 1002 ASKTIME: EIBRESP 0"));
  EXPECT_LT(trace.find("EXEC 1002 ASKTIME"), trace.find("cintroute - returned from oxdfhei1"));
}

TEST_F(RouteTest, AScreenChangingCommandIsReadBackAndAKeyAwaited) {
  user.pf(1);  // ends the wait after the command
  char dummy[4] = {};
  std::int8_t key = 0;
  std::uint8_t marked = 0;
  std::int16_t saved_length = 0;
  run_program([&] {
    prepare("SEND CONTROL", kSendControlErase, {dummy, dummy, dummy, dummy, dummy, dummy, dummy});
    cintroute();
    host::oxrdkey(&key);
    marked = user_screen_byte();
    saved_length = host::load_half(cint_tioa, host::kTioaDataLength);
  });
  ASSERT_EQ(user.sent().size(), 2u);  // the saved screen, then the command's erase
  EXPECT_FALSE(user.hung_up());
  EXPECT_EQ(key_aid(key), aid_pf(1));  // the wait took the key
  EXPECT_EQ(marked, host::kUserScreenMode);
  EXPECT_GT(saved_length, 4);  // the read-back screen and the cursor orders
  EXPECT_EQ(TerminateQCMD, 0);
}

TEST_F(RouteTest, FreemainIsGivenTheAddressHeldInItsDataArea) {
  std::uint32_t held = 0;
  std::uint32_t bad = 0x1234;
  std::int32_t freed = -1;
  std::int32_t refused = -1;
  run_program([&] {
    std::int16_t length = 64;
    void* getmain[kArgSlots - 1] = {&held, &length};
    host::oxdfhei1(kGetmain, std::span<void* const>(getmain));
    ASSERT_EQ(eibresp(), 0);
    prepare("FREEMAIN", kFreemain, {&held});
    cintroute();
    freed = eibresp();
    prepare("FREEMAIN", kFreemain, {&bad});
    cintroute();
    refused = eibresp();
  });
  EXPECT_NE(held, 0u);
  EXPECT_EQ(freed, 0);
  EXPECT_EQ(refused, kInvreq);  // not an address the region handed out
}

TEST_F(RouteTest, OnlyFreemainHasItsDataAreaFollowed) {
  std::uint32_t word = 0x00123450;
  void* passed = nullptr;
  run_program([&] {
    prepare("FREE", kFreemain, {&word});  // FREE begins like FREEMAIN
    cintroute();
    passed = ArgList[1];
  });
  EXPECT_EQ(passed, &word);
}

TEST_F(RouteTest, ASuccessfulXctlEndsTheRunWithoutAReadBackAndItsTargetRuns) {
  ravnmor::exec::register_builtin_programs(region::program_table());
  char program[8] = {'H', 'E', 'L', 'L', 'O', ' ', ' ', ' '};
  std::int16_t length = 0;
  std::int32_t resp = -1;
  run_program([&] {
    prepare("XCTL", kXctl, {program, nullptr, &length});
    cintroute();
    resp = eibresp();
  });
  EXPECT_EQ(resp, 0);
  EXPECT_EQ(TerminateQCMD, 1);
  // The saved screen written before the command, then HELLO's own screen: no
  // read-back and no key wait came between.
  ASSERT_EQ(user.sent().size(), 2u);
  terminal::Screen hello;
  ASSERT_TRUE(hello.apply_outbound(user.sent()[1]).ok());
  EXPECT_NE(hello.row_text(4).find("Hello from program HELLO"), std::string::npos);
  EXPECT_FALSE(user.hung_up());
}

TEST_F(RouteTest, AFailedXctlKeepsTheRunAndIsReadBackAfterAKey) {
  user.enter();
  char program[8] = {'N', 'O', 'S', 'U', 'C', 'H', ' ', ' '};
  std::int16_t length = 1;
  std::int32_t resp = 0;
  run_program([&] {
    prepare("XCTL", kXctl, {program, nullptr, &length});
    cintroute();
    resp = eibresp();
  });
  EXPECT_NE(resp, 0);
  EXPECT_EQ(TerminateQCMD, 0);
  EXPECT_FALSE(user.hung_up());  // the key was waited for and came
}

// Whether any row of `screen` holds `text`.
bool shows(const terminal::Screen& screen, const std::string& text) {
  for (const std::string& line : screen.lines()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(QcmdTest, AScreenChangingCommandWaitsForAKeyBeforeItsResultAndPf6ShowsItsScreen) {
  user.type_field(1, "QCMD SEND CONTROL").enter();
  user.enter();  // check: accepted
  user.enter();  // confirm: executed
  user.pf(1);    // the key that ends the wait after the command
  user.pf(6);    // on the result screen: the saved user screen
  user.pf(1);    // ends that wait
  user.pf(3).pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 10u);
  // 0 initial, 1 check, 2 confirm, 3 the saved screen written back, 4 the
  // command's own write, 5 the result after the key, 6 the saved screen on
  // PF6, 7 the command again, 8 initial, 9 the erase of the ending calls.
  EXPECT_THAT(user.sent()[3].front(), host::xcnv[host::kCnvWriteCmd]);
  EXPECT_TRUE(shows(screen_sent(5), "EIBRESP : NORMAL"));
  terminal::Screen saved;
  auto result = saved.apply_outbound(user.sent()[6]);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.command, terminal::Command::erase_write);
  EXPECT_EQ(user.sent()[6].back(), host::xcnv[host::kCnvIc]);  // the cursor put back
  EXPECT_TRUE(shows(screen_sent(7), "SEND CONTROL"));
  EXPECT_EQ(screen_sent(8).row_text(3).substr(0, 23), "====> QCMD SEND CONTROL");
}

TEST_F(QcmdTest, SendTextShowsOnTheUserScreenAndReceiveTakesWhatIsTypedThere) {
  user.type_field(1, "QCMD SEND TEXT FROM(&STRING) ERASE").enter().enter().enter();
  user.pf(1);  // ends the wait after the command
  user.pf(6);  // the saved user screen
  user.pf(1);
  user.pf(3);
  user.type_field(1, "QCMD RECEIVE INTO(&STRING)").enter().enter().enter();
  // RECEIVE waits on the user screen: the user types over it and presses Enter.
  user.cursor(1, 1).erase_eof().type("hello").enter();
  user.pf(3).pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 15u);
  // 0 initial, 1 check, 2 confirm, 3 the saved screen, 4 SEND TEXT, 5 the
  // result after the key, 6 the saved screen on PF6, 7 the command again,
  // 8 initial; 9 check, 10 confirm, 11 the saved screen, then RECEIVE's wait
  // and 12 the result at once, 13 initial, 14 the erase of the ending calls.
  EXPECT_EQ(screen_sent(4).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_TRUE(shows(screen_sent(5), "EIBRESP : NORMAL"));
  EXPECT_EQ(screen_sent(6).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_EQ(screen_sent(11).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_TRUE(shows(screen_sent(12), "EIBRESP : NORMAL"));
  EXPECT_TRUE(shows(screen_sent(12), "HELLOLE STRING ARGUMENT"));  // five bytes received
}

TEST_F(QcmdTest, ACommandThatLeavesTheScreenAloneShowsItsResultAtOnce) {
  user.type_field(1, "QCMD ASKTIME ABSTIME(&DWORD)").enter().enter().enter();
  user.pf(3).pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_FALSE(outcome.terminal_lost);  // every key was used as expected
  ASSERT_EQ(user.sent().size(), 7u);
  // 0 initial, 1 check, 2 confirm, 3 the saved screen written back, 4 the
  // result, 5 initial (PF3 on the result), 6 erase.
  EXPECT_TRUE(shows(screen_sent(4), "EIBRESP : NORMAL"));
  EXPECT_THAT(screen_sent(3).lines(), ::testing::Each(std::string(80, ' ')));
}

TEST(Enablefreemain, ReplacesTheFirstArgumentByTheAddressItHolds) {
  std::uint32_t word = 0x00123450;  // an address of the region's low memory
  void* list[kArgSlots] = {nullptr, &word};
  EXPECT_EQ(enablefreemain(list), 0);
  EXPECT_EQ(list[1], host::word_to_ptr(0x00123450));
  list[1] = nullptr;
  EXPECT_EQ(enablefreemain(list), 0);  // nothing given: nothing to follow
  EXPECT_EQ(list[1], nullptr);
}

}  // namespace
}  // namespace qcmd::testing
