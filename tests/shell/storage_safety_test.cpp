// Commands whose areas are smaller than what they read or write, typed at
// QCMD with the example variables as a new user types them. Each must leave
// the session alive and every other variable as it was, and answer as the
// README says: the region refuses an access beyond an area with LENGERR
// (EIBRESP2 200 + the area's parameter position) and does nothing else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "shell/register.hpp"
#include "support/test_region.hpp"

namespace qcmd {
namespace {

using ravnmor::terminal::Screen;

struct Case {
  const char* before;   // a command run first, or nullptr
  const char* command;  // the command under test
  const char* response;
  const char* changed;  // the variable the command may change, or ""
  const char* after;    // a command that shows what was kept, or nullptr
  const char* after_response;
};

const Case kCases[] = {
    {nullptr, "GETMAIN SET(&HWORD) FLENGTH(100)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "ASKTIME ABSTIME(&PACKED)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "ASKTIME ABSTIME(&FWORD)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "ADDRESS EIB(&HWORD)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "ADDRESS TWA(&FWORD) EIB(&HWORD)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "INQUIRE FILE(&HWORD) OPENSTATUS(&FWORD)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "ASSIGN APPLID(&HWORD)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "DEQ RESOURCE(&HWORD) LENGTH(5)", "LENGERR", "", nullptr, nullptr},
    {nullptr, "WRITE FILE(KSDS) FROM(&STRING) RIDFLD(&HWORD)", "LENGERR", "",
     "READ FILE(KSDS) INTO(&STRING) RIDFLD(&STRING)", "NOTFND"},
    {"WRITEQ TS QUEUE(BIG2) FROM(&STRING) LENGTH(32767)",
     "READQ TS QUEUE(BIG2) INTO(&HWORD) LENGTH(&HWORD)", "LENGERR", "&HWORD", nullptr, nullptr},
    {nullptr, "WRITEQ TS QUEUE(LEAK) FROM(&HWORD) LENGTH(30000)", "LENGERR", "",
     "READQ TS QUEUE(LEAK) INTO(&STRING)", "QIDERR"},
    {nullptr, "WRITEQ TS QUEUE(&HWORD) FROM(&STRING)", "LENGERR", "", nullptr, nullptr},
    {"GETMAIN SET(&FWORD) FLENGTH(16)", "FREEMAIN DATA(&HWORD)", "INVREQ", "&FWORD", nullptr,
     nullptr},
};

constexpr char kVariablesTitle[] = "Variables";
constexpr int kFirstVariableRow = 5;
constexpr int kLastVariableRow = 18;

std::string response_line(const std::string& name) {
  std::string text = "EIBRESP : " + name;
  text.resize(29, ' ');
  return text;
}

class StorageSafetyTest : public ::testing::TestWithParam<Case> {
 protected:
  StorageSafetyTest() { register_qcmd(ravnmor::region::program_table()); }

  // Types `command` on the initial screen, checks, confirms and executes it,
  // and goes back to the initial screen from its result.
  void execute(const char* command) {
    region.terminal().type_field(1, std::string("QCMD ") + command).enter().enter().enter().pf(3);
  }

  std::vector<Screen> run() {
    region.run("QCMD");
    std::vector<Screen> screens;
    for (const auto& record : region.terminal().sent()) {
      screens.emplace_back();
      EXPECT_TRUE(screens.back().apply_outbound(record).ok());
    }
    return screens;
  }

  ravnmor::region::TestRegion region;
};

// The rows of each variables screen shown.
std::vector<std::vector<std::string>> variable_rows(const std::vector<Screen>& screens) {
  std::vector<std::vector<std::string>> shown;
  for (const Screen& screen : screens) {
    if (screen.row_text(1).find(kVariablesTitle) == std::string::npos) continue;
    shown.emplace_back();
    for (int row = kFirstVariableRow; row <= kLastVariableRow; ++row) {
      shown.back().push_back(screen.row_text(row));
    }
  }
  return shown;
}

// The responses shown on result screens, in order.
std::vector<std::string> responses(const std::vector<Screen>& screens) {
  std::vector<std::string> shown;
  for (const Screen& screen : screens) {
    if (screen.row_text(19).find("Command executed") == std::string::npos) continue;
    shown.push_back(screen.text_at(20, 46, 29));
  }
  return shown;
}

TEST_P(StorageSafetyTest, AreasTooSmallAreRefusedAndNothingElseChanges) {
  const Case& c = GetParam();
  region.terminal().pf(5).pf(3);  // the variables as the run starts
  if (c.before != nullptr) execute(c.before);
  execute(c.command);
  region.terminal().pf(5).pf(3);
  if (c.after != nullptr) execute(c.after);
  region.terminal().pf(3);
  auto screens = run();
  EXPECT_FALSE(region.terminal().hung_up()) << "the run ended before its keys did";

  std::vector<std::string> expected;
  if (c.before != nullptr) expected.push_back(response_line("NORMAL"));
  expected.push_back(response_line(c.response));
  if (c.after != nullptr) expected.push_back(response_line(c.after_response));
  EXPECT_EQ(responses(screens), expected);

  auto rows = variable_rows(screens);
  ASSERT_EQ(rows.size(), 2u);
  for (std::size_t i = 0; i < rows[0].size(); ++i) {
    bool may_change = c.changed[0] != '\0' && rows[0][i].find(c.changed) != std::string::npos;
    if (!may_change) {
      EXPECT_EQ(rows[1][i], rows[0][i]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, StorageSafetyTest, ::testing::ValuesIn(kCases));

// The EIB tells which area was too small: EIBRESP2 200 + its parameter
// position (ABSTIME is passed at position 2).
TEST(StorageSafety, TheEibNamesTheAreaTooSmall) {
  register_qcmd(ravnmor::region::program_table());
  ravnmor::region::TestRegion region;
  region.terminal()
      .type_field(1, "QCMD ASKTIME ABSTIME(&HWORD)")
      .enter()
      .enter()
      .enter()
      .pf(4)
      .pf(3)
      .pf(3)
      .pf(3);
  region.run("QCMD");
  Screen eib;
  for (const auto& record : region.terminal().sent()) {
    Screen screen;
    ASSERT_TRUE(screen.apply_outbound(record).ok());
    if (screen.row_text(1).find("Exec Interface Block") != std::string::npos) eib = screen;
  }
  EXPECT_EQ(eib.text_at(16, 52, 8), "00000016");  // LENGERR
  EXPECT_EQ(eib.text_at(17, 52, 8), "000000ca");  // 202
}

}  // namespace
}  // namespace qcmd
