#include <gtest/gtest.h>

#include <string>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/recording_terminal.hpp"

namespace ravnmor {
namespace {

// The descriptors that QCMD's shell passes (35 characters).
constexpr const char* kSendControl = "82      T  E F  H     (   #00000013";
constexpr const char* kReturn = ".(                    $   #00000014";
constexpr const char* kGoBack = "9%                    \"  N#00009999";

// A descriptor: function characters, flags at positions, parameter count.
std::string descriptor(std::string_view function, std::initializer_list<std::pair<int, char>> flags,
                       int count) {
  std::string text(35, ' ');
  text[0] = function[0];
  text[1] = function[1];
  for (auto [position, flag] : flags) text[static_cast<std::size_t>(position - 1)] = flag;
  text[22] = static_cast<char>(0x20 + count);
  return text;
}

class ExecTest : public ::testing::Test, public testing::TaskAtTerminal {
 protected:
  std::uint8_t* eib() { return host::linked_block(host::xtcb, host::kTcbEib); }
  std::int32_t resp() { return static_cast<std::int32_t>(host::load_word(eib(), host::kEibResp)); }
  std::int32_t resp2() {
    return static_cast<std::int32_t>(host::load_word(eib(), host::kEibResp2));
  }
  std::string fn() {
    char text[5];
    std::snprintf(text, sizeof text, "%02X%02X", eib()[host::kEibFn], eib()[host::kEibFn + 1]);
    return text;
  }
  // Leaves a response in the EIB that every call below must overwrite.
  void dirty_eib() {
    host::store_word(eib(), host::kEibResp, 99);
    host::store_word(eib(), host::kEibResp2, 99);
  }

  char dummy[4] = {};
};

TEST_F(ExecTest, SendControlWritesTheCommandAndWcc) {
  struct Case {
    std::string descriptor;
    std::string record;  // command and WCC in image form
  };
  const Case cases[] = {
      {kSendControl, "5C"},                                           // ERASE FREEKB: X'F5' X'C3'
      {descriptor("82", {{9, 'T'}, {14, 'F'}, {17, 'H'}}, 8), "1B"},  // FREEKB: X'F1' X'C2'
      {descriptor("82", {{9, 'T'}, {14, 'F'}, {15, 'A'}}, 8), "1F"},  // FREEKB ALARM: X'C6'
      {descriptor("82", {{9, 'T'}, {12, 'E'}, {17, 'H'}}, 8), "5A"},  // ERASE alone: X'C1'
  };
  for (const Case& c : cases) {
    terminal.sent.clear();
    dirty_eib();
    host::oxdfhei1(c.descriptor.c_str(), dummy, dummy, dummy, dummy, dummy, dummy, dummy);
    EXPECT_EQ(fn(), "1812") << c.descriptor;
    EXPECT_EQ(resp(), 0) << c.descriptor;
    ASSERT_EQ(terminal.sent.size(), 1u) << c.descriptor;
    EXPECT_EQ(std::string(terminal.sent[0].begin(), terminal.sent[0].end()), c.record);
  }

  terminal.hung_up = true;
  host::oxdfhei1(kSendControl, dummy, dummy, dummy, dummy, dummy, dummy, dummy);
  EXPECT_EQ(resp(), 81);  // TERMERR
  EXPECT_TRUE(task.terminal_lost);
}

TEST_F(ExecTest, ReturnEndsTheTaskAndOnlyGoBackMayFollow) {
  dirty_eib();
  host::oxdfhei1(kReturn, dummy, dummy, dummy);
  EXPECT_EQ(fn(), "0E08");
  EXPECT_EQ(resp(), 0);
  EXPECT_TRUE(task.returned);
  EXPECT_FALSE(task.next_transaction.has_value());

  host::oxdfhei1(kSendControl, dummy, dummy, dummy, dummy, dummy, dummy, dummy);
  EXPECT_EQ(fn(), "1812");
  EXPECT_EQ(resp(), 16);
  EXPECT_EQ(resp2(), 4);
  EXPECT_TRUE(terminal.sent.empty());

  host::oxdfhei1(kGoBack, dummy);
  EXPECT_EQ(resp(), 0);
  EXPECT_TRUE(task.went_back);
}

TEST_F(ExecTest, ReturnTransidAndCommareaAreKeptForTheNextTask) {
  char transid[4] = {'q', 'c', 'm', 'd'};
  char data[5] = {'H', 'E', 'L', 'L', 'O'};
  std::int16_t length = 3;
  host::oxdfhei1(descriptor(".(", {{3, 'C'}, {4, 'T'}}, 4).c_str(), transid, data, &length);
  EXPECT_EQ(resp(), 0);
  EXPECT_EQ(task.next_transaction, "QCMD");
  EXPECT_EQ(task.next_commarea, (std::vector<std::uint8_t>{'H', 'E', 'L'}));

  task.returned = false;
  length = -1;
  host::oxdfhei1(descriptor(".(", {{3, 'C'}, {4, 'T'}}, 4).c_str(), transid, data, &length);
  EXPECT_EQ(resp(), 22);  // LENGERR
  EXPECT_FALSE(task.returned);
}

TEST_F(ExecTest, MalformedDescriptorsAnswerInvreq) {
  struct Case {
    const char* descriptor;
    int arguments;
    std::int32_t resp2;
  };
  const Case cases[] = {
      {nullptr, 0, 1},
      {"", 0, 1},
      {"82", 0, 1},                             // ends before the parameter count
      {"82      T  E F  H     ", 0, 1},         // 22 characters
      {"82      T  E F  H      ", 0, 2},        // count blank: 0 addresses
      {"82      T  E F  H     z", 7, 2},        // count 90
      {"82      T  E F  H     (", 2, 2},        // 8 claimed, 2 passed
      {"\x01\x02                    !", 0, 5},  // function bytes below X'20'
  };
  void* args[7] = {dummy, dummy, dummy, dummy, dummy, dummy, dummy};
  for (const Case& c : cases) {
    dirty_eib();
    host::oxdfhei1(c.descriptor,
                   std::span<void* const>(args, static_cast<std::size_t>(c.arguments)));
    EXPECT_EQ(resp(), 16) << (c.descriptor ? c.descriptor : "null");
    EXPECT_EQ(resp2(), c.resp2) << (c.descriptor ? c.descriptor : "null");
  }
  EXPECT_TRUE(terminal.sent.empty());

  control::set_current_task(nullptr);
  host::oxdfhei1(kGoBack, dummy);
  EXPECT_EQ(resp(), 16);
  EXPECT_EQ(resp2(), 3);
}

}  // namespace
}  // namespace ravnmor
