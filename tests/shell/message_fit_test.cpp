// Every message of the catalogue is seen whole on every screen with a
// message line: nothing else the screen puts on row 20 covers any of it.
#include <gtest/gtest.h>

#include <string>

#include "support/qcmd.hpp"

namespace qcmd::testing {
namespace {

// The scripted user, with `number` scheduled as key `at` (from 0) is read;
// notes the message line of the screen that answers that key.
class SchedulingTerminal : public terminal::Terminal {
 public:
  SchedulingTerminal(terminal::ScriptedTerminal& user, int at, std::uint32_t number)
      : user_(user), at_(at), number_(number) {}
  bool send(std::span<const std::uint8_t> record) override {
    const bool sent = user_.send(record);
    if (received_ == at_ + 1 && line.empty()) line = message_line(user_.screen());
    return sent;
  }
  bool receive(std::vector<std::uint8_t>& record) override {
    const bool got = user_.receive(record);
    if (received_++ == at_) cintschedmsg(number_);
    return got;
  }
  terminal::Screen& screen() override { return user_.screen(); }
  std::string line;

 private:
  terminal::ScriptedTerminal& user_;
  int at_, received_ = 0;
  std::uint32_t number_;
};

TEST_F(QcmdTest, EveryMessageIsSeenWholeOnEveryScreenWithAMessageLine) {
  // Keys to each screen, the last of them (numbered `again`) showing it again.
  const struct {
    const char* screen;
    void (*keys)(terminal::ScriptedTerminal&);
    int again;
  } visits[] = {
      {"initial", [](auto& u) { u.pf(8).pf(3); }, 0},
      {"command", [](auto& u) { u.type_field(1, "QCMD ASKTIME").enter().pf(2).pf(3).pf(3); }, 1},
      {"variables", [](auto& u) { u.pf(5).pf(2).pf(3).pf(3); }, 1},
      {"edit-variable", [](auto& u) { u.pf(5).cursor(11, 3).pf(10).pf(2).pf(3).pf(3).pf(3); }, 2},
  };
  for (const auto& visit : visits) {
    for (std::uint32_t number :
         {kMsgInitial, kMsgNoVerb, kMsgFirstPage, kMsgLastPage, kMsgUserScreenFailed,
          kMsgDiagnostics, kMsgNoVariable, kMsgNoParenthesis, kMsgNoCloseParenthesis,
          kMsgNoVerbArgument, kMsgNameWithoutAmpersand, kMsgLengthTooLarge, kMsgBadLength,
          kMsgNoMoreData, kMsgAtFirstPage, kMsgBadHexLine}) {
      const std::string expected = " " + catalogue_line(number) + " ";
      terminal::ScriptedTerminal scripted;
      visit.keys(scripted);
      SchedulingTerminal user(scripted, visit.again, number);
      test_region.run("QCMD", user);
      EXPECT_TRUE(user.line.starts_with(expected)) << visit.screen << ", " << number << ":\n"
                                                   << user.line;
    }
  }
}

}  // namespace
}  // namespace qcmd::testing
