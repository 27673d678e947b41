// QCMD at a real emulator: s3270 against `ravnmor serve`, checked against the
// scripted terminal that the interpreter's own tests use.
#include <gtest/gtest.h>
#include <iconv.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "monitor/net/session.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/scripted.hpp"
#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"
#include "shell/register.hpp"
#include "support/test_region.hpp"

namespace ravnmor::cli::testing {
namespace {

using Lines = std::vector<std::string>;

// Dates and times in headers differ between two runs; nothing else may.
Lines without_clock(Lines lines) {
  static const std::regex kClock(R"(\d{4}-\d{2}-\d{2} +\d{2}:\d{2}(:\d{2})?)");
  for (std::string& line : lines) line = std::regex_replace(line, kClock, "<clock>");
  return lines;
}

std::string joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// A scripted terminal that notes the screen each time the region waits for
// the user: what a person sees before pressing the next key.
class WatchedTerminal : public terminal::Terminal {
 public:
  explicit WatchedTerminal(terminal::ScriptedTerminal& user) : user_(user) {}
  bool send(std::span<const std::uint8_t> record) override { return user_.send(record); }
  bool receive(std::vector<std::uint8_t>& record) override {
    seen_.push_back(without_clock(user_.screen().lines()));
    return user_.receive(record);
  }
  terminal::Screen& screen() override { return user_.screen(); }
  const std::vector<Lines>& seen() const { return seen_; }

 private:
  terminal::ScriptedTerminal& user_;
  std::vector<Lines> seen_;
};

TEST(Qcmd, InitialScreenPagesAndReturnsToRoutingAsTheScriptedTerminalShows) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 emulator;
  connect(emulator, server);
  // What the user does; each step ends in one key.
  const std::vector<std::vector<std::string>> steps = {
      {"String(\"QCMD\")", "Enter"},   {"PF(8)"}, {"PF(7)"}, {"PF(3)"},
      {"String(\"nosuch\")", "Enter"},
  };
  std::vector<Lines> shown = {emulator.screen()};
  for (const auto& step : steps) {
    ASSERT_TRUE(act(emulator, step)) << step.front() << "\n" << emulator.screen_text();
    shown.push_back(emulator.screen());
  }
  EXPECT_TRUE(emulator.run("Disconnect").ok);
  ASSERT_EQ(shown.size(), steps.size() + 1);
  for (const Lines& screen : shown) ASSERT_EQ(screen.size(), 24u);

  // What each screen holds is the scripted terminal's tests' to say; here
  // only that the emulator saw QCMD's pages, then routing again.
  EXPECT_TRUE(has(shown[1][0], "Ravnmor Command Interpreter")) << joined(shown[1]);
  EXPECT_NE(shown[2][5], shown[1][5]);  // the second page of verbs
  EXPECT_TRUE(has(shown[5][2], "Transaction NOSUCH is not defined")) << joined(shown[5]);

  // The same keys at the scripted terminal, routed the same way.
  region::TestRegion scripted;
  qcmd::register_qcmd(region::program_table());
  terminal::ScriptedTerminal user;
  user.type("QCMD").enter().pf(8).pf(7).pf(3).type("nosuch").enter();
  WatchedTerminal watched(user);
  net::route_terminal(watched, net::terminal_identity(1));
  ASSERT_EQ(watched.seen().size(), shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(without_clock(shown[i]), watched.seen()[i]) << "screen " << i << ", s3270:\n"
                                                          << joined(shown[i]) << "scripted:\n"
                                                          << joined(watched.seen()[i]);
  }
}

TEST(Qcmd, TemporaryStorageIsSharedBySessionsAndOutlivesTheRegion) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 writer;
  S3270 reader;
  connect(writer, server);
  connect(reader, server);
  EXPECT_EQ(run_command(reader, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : QIDERR");
  EXPECT_EQ(run_command(writer, "WRITEQ TS QUEUE(Q1) FROM(&STRING)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(reader, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : NORMAL");
  ASSERT_TRUE(server.restart()) << server.startup_line();
  S3270 later;
  connect(later, server);
  EXPECT_EQ(run_command(later, "READQ TS QUEUE(Q1) INTO(&STRING) ITEM(1)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(later, "READQ TS QUEUE(Q2) INTO(&STRING)"), "EIBRESP : QIDERR");
  // After QCMD the terminal routes again.
  EXPECT_TRUE(act(later, {"String(\"nosuch\")", "Enter"}));
  EXPECT_TRUE(later.screen()[2].starts_with(" Transaction NOSUCH is not defined"));
}

// One screen per key: each Enter is answered by the screen of its step,
// never by the user's screen that QCMD writes before executing; a key typed
// ahead answers the screen it follows.
TEST(Qcmd, EachKeyIsAnsweredByTheScreenOfItsStep) {
  RegionServer server;
  S3270 emulator;
  connect(emulator, server);
  ASSERT_TRUE(act(emulator, {"String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(emulator, "ASKTIME ABSTIME(&DWORD)"), "EIBRESP : NORMAL");
  std::vector<std::string> sent(1);
  EXPECT_EQ(execute(emulator, "SEND TEXT FROM(&STRING) ERASE", &sent), "EIBRESP : NORMAL");
  EXPECT_TRUE(sent[0].starts_with("EXAMPLE STRING ARGUMENT")) << sent[0];
  // Enter twice on the confirmation screen: the second answers the result.
  ASSERT_TRUE(act(emulator, {"MoveCursor(2,6)", "EraseEOF", "String(\"QCMD ASKTIME\")", "Enter"}));
  ASSERT_TRUE(act(emulator, {"Enter"}) && act(emulator, {"Enter", "Enter"}));
  EXPECT_TRUE(shows(emulator, 18, "STATUS: Command syntax check")) << emulator.screen_text();
  EXPECT_TRUE(emulator.screen()[2].starts_with("====> QCMD ASKTIME ")) << emulator.screen_text();
}

TEST(Qcmd, SysReqAttnAndTheIdleLimitEndNothingButTheIdleSession) {
  RegionServer server({"--idle-timeout", "3"});
  S3270 emulator;
  connect(emulator, server);
  ASSERT_TRUE(act(emulator, {"String(\"QCMD\")", "Enter", "PF(5)"}));
  ASSERT_TRUE(act(emulator, {"String(\"&KEPT\")", "Tab", "String(\"4\")", "Enter"}));
  ASSERT_TRUE(act(emulator, {"String(\"&TYPED\")", "SysReq"}) && act(emulator, {"Attn"}));
  EXPECT_TRUE(server.log_shows("SysReq (a test request read)"));
  ASSERT_TRUE(act(emulator, {"Enter"}));  // the typed name was drawn again: it is taken
  EXPECT_TRUE(has(emulator.screen()[12], "&KEPT ")) << emulator.screen_text();
  EXPECT_TRUE(has(emulator.screen()[13], "&TYPED ")) << emulator.screen_text();
  // Left idle on the initial screen, the run ends as after PF3 and the session closes.
  ASSERT_TRUE(act(emulator, {"PF(3)"}));
  EXPECT_TRUE(emulator.run("Wait(20,Disconnect)").ok);
  EXPECT_TRUE(server.log_shows("no input for 3 seconds: the idle limit ended the session"));
  EXPECT_EQ(server.log("error.log").find("error 353"), std::string::npos)
      << server.log("error.log");
}

// The printable Latin-1 characters of a code page in the order of their
// EBCDIC bytes, from glibc's converter (the bracket page has 037's). Left
// out: the period (X'4B' in every page), which the edit-variable screen
// takes for "byte not shown here", and what s3270 4.1 does not type as such
// (the euro, cp285's overline).
std::string page_characters(std::string_view page) {
  constexpr int kFirst = 0x41, kLast = 0xFE, kPeriod = 0x4B;  // after the blank, before EO
  std::string characters;
  const std::string name = page == "bracket" ? "IBM037" : "IBM" + std::string(page.substr(2));
  iconv_t converter = iconv_open("ISO-8859-1", name.c_str());
  for (int byte = kFirst; byte <= kLast && converter != reinterpret_cast<iconv_t>(-1); ++byte) {
    char in = static_cast<char>(byte), out = 0, *in_at = &in, *out_at = &out;
    std::size_t in_left = 1, out_left = 1;
    if (byte != kPeriod && iconv(converter, &in_at, &in_left, &out_at, &out_left) == 0) {
      characters += out;
    }
  }
  iconv_close(converter);
  return characters;
}

class CodePages : public ::testing::TestWithParam<std::string_view> {};

// Typed at an emulator of the page into a variable, through a TS item and
// a file record into another, shown by SEND TEXT: every character comes back
// as typed, and the variables hold its ISO-8859-1 byte.
TEST_P(CodePages, EveryCharacterRoundTripsThroughAVariableATsItemAndAFile) {
  constexpr std::size_t kLine = 30;             // bytes of an edit-variable line
  constexpr int kFirstLine = 3, kLineData = 7;  // its row and column (from 0)
  const std::string page(GetParam()), characters = page_characters(page);
  ASSERT_GT(characters.size(), 185u) << page;
  RegionServer server({"--codepage", page});
  ASSERT_TRUE(server.restart([&] {  // with a file whose records hold them all
    std::ofstream(server.region_dir() + "/region.toml", std::ios::app)
        << "[[file]]\nname = \"CPFILE\"\nkey_length = 8\n";
  }));
  S3270 emulator({"s3270", "-utf8", "-codepage", page});
  connect(emulator, server);
  ASSERT_TRUE(act(emulator, {"String(\"QCMD\")", "Enter", "PF(5)"}));
  for (const char* name : {"&CP", "&CF"}) {  // on the rows after the five examples
    ASSERT_TRUE(act(emulator, {"String(\"" + std::string(name) + "\")", "Tab",
                               "String(\"" + std::to_string(characters.size()) + "\")", "Enter"}));
  }
  ASSERT_TRUE(act(emulator, {"MoveCursor(12,1)", "PF(10)"}));  // edit &CP
  std::string typed, hex, utf8;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const auto c = static_cast<unsigned char>(characters[i]);
    char escaped[8], digits[3];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
    std::snprintf(digits, sizeof digits, "%02x", c);
    typed += escaped;
    hex += digits;
    utf8 += c < 0x80 ? std::string(1, static_cast<char>(c))
                     : std::string{static_cast<char>(0xC0 | c >> 6),
                                   static_cast<char>(0x80 | (c & 0x3F))};
    if (i % kLine == kLine - 1 || i + 1 == characters.size()) {
      emulator.run("MoveCursor(" + std::to_string(kFirstLine + i / kLine) + "," +
                   std::to_string(kLineData) + ")");
      ASSERT_TRUE(emulator.run("String(\"" + typed + "\")").ok) << page << " " << i;
      typed.clear();
    }
  }
  ASSERT_TRUE(act(emulator, {"Enter"}) && act(emulator, {"PF(3)"}) && act(emulator, {"PF(3)"}));
  for (const char* command :
       {"WRITEQ TS QUEUE(CP) FROM(&CP)", "READQ TS QUEUE(CP) INTO(&CF)",
        "WRITE FILE(CPFILE) FROM(&CF) RIDFLD(&CF)", "READ FILE(CPFILE) INTO(&CP) RIDFLD(&CF)"}) {
    EXPECT_EQ(execute(emulator, command), "EIBRESP : NORMAL") << page << ": " << command;
  }
  std::vector<std::string> sent(3);
  EXPECT_EQ(execute(emulator, "SEND TEXT FROM(&CP) ERASE", &sent), "EIBRESP : NORMAL");
  EXPECT_TRUE((sent[0] + sent[1] + sent[2]).starts_with(utf8)) << page << "\n" << sent[0];
  ASSERT_TRUE(act(emulator, {"PF(5)", "MoveCursor(12,1)", "PF(10)", "PF(2)"}));
  const auto shown = emulator.screen();
  for (std::size_t at = 0; at < hex.size(); at += 2 * kLine) {
    EXPECT_EQ(shown[kFirstLine + at / (2 * kLine)]
                  .substr(kLineData, 2 * kLine)
                  .substr(0, hex.size() - at),
              hex.substr(at, 2 * kLine))
        << page;
  }
}

// The pages a region offers: 037, the x3270 family's bracket, and the rest.
INSTANTIATE_TEST_SUITE_P(EveryPage, CodePages,
                         ::testing::Values("cp037", "bracket", "cp1047", "cp500", "cp273", "cp277",
                                           "cp278", "cp280", "cp284", "cp285", "cp297", "cp871",
                                           "cp1140", "cp1141", "cp1142", "cp1143", "cp1144",
                                           "cp1145", "cp1146", "cp1147", "cp1148", "cp1149"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace ravnmor::cli::testing
