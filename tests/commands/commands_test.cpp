// Commands as a user types them at QCMD, translated by the interpreter's own
// pipeline (verb recognition, argument evaluation, the translator, with the
// example variables) and executed by cintroute against a fresh region: the
// response and what the command left in the variables. The cases are in
// commands.txt and verbs.txt beside this file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "host/host.hpp"
#include "monitor/net/scheduler.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/program_library.hpp"
#include "programs/builtins.hpp"
#include "shell/lifecycle.hpp"
#include "shell/translate.hpp"
#include "shell/usrscreen.hpp"
#include "support/cases.hpp"
#include "support/test_region.hpp"
#include "vars/eibscreen.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

struct Line {
  std::string command;
  std::string response;  // EIBRESP by name
  std::int32_t resp2 = 0;
  std::string effect;  // "&NAME=TEXT", "&NAME!=TEXT", or none
  int number = 0;      // in the case file
};

struct Scenario {
  std::string name;
  std::vector<Line> lines;
};

constexpr const char* kScenarioMark = "scenario";

// Commands whose answers are looked at by the test itself.
std::vector<Line> lines_of(const std::vector<std::string>& commands) {
  std::vector<Line> lines;
  for (const std::string& command : commands) {
    Line line;
    line.command = command;
    lines.push_back(line);
  }
  return lines;
}

// The scenarios of commands.txt.
std::vector<Scenario> scenarios() {
  std::vector<Scenario> all;
  for (const ravnmor::testing::CaseLine& line :
       ravnmor::testing::read_cases("commands/commands.txt")) {
    if (line.fields[0] == kScenarioMark) {
      all.push_back({line.fields.at(1), {}});
      continue;
    }
    if (all.empty() || line.fields.size() < 2) {
      ADD_FAILURE() << "commands.txt:" << line.number << ": not a case";
      continue;
    }
    Line parsed{line.fields[0], "", 0, line.fields.size() > 2 ? line.fields[2] : "", line.number};
    std::istringstream answer(line.fields[1]);
    answer >> parsed.response >> parsed.resp2;
    all.back().lines.push_back(parsed);
  }
  return all;
}

struct Outcome {
  std::string response;
  std::int32_t resp2 = 0;
  std::string effect;  // the effect's variable as it stands, or why it cannot be read
};

std::string current_year() {
  auto today = std::chrono::year_month_day(
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  return std::to_string(static_cast<int>(today.year()));
}

std::string with_year(std::string text) {
  constexpr std::string_view kYear = "{year}";
  if (auto at = text.find(kYear); at != std::string::npos)
    text.replace(at, kYear.size(), current_year());
  return text;
}

// An effect as a line gives it: the variable, what it must (or, negated,
// must not) show, the year put in.
struct Effect {
  std::string name;
  std::string value;
  bool negated = false;
};

std::optional<Effect> effect_of(const Line& line) {
  std::string effect = with_year(line.effect);
  auto at = effect.find('=');
  if (at == std::string::npos) return std::nullopt;
  bool negated = at > 0 && effect[at - 1] == '!';
  return Effect{effect.substr(0, negated ? at - 1 : at), effect.substr(at + 1), negated};
}

// The variable an effect names, as the effect compares it.
std::string variable_text(const std::string& name, std::size_t length) {
  const varnode* node = findnode(name.c_str());
  if (node == nullptr || node->value == nullptr) return "no variable " + name;
  switch (node->type) {
    case kTypeString:
      return std::string(reinterpret_cast<const char*>(node->value), length);
    case kTypeHalfword:
      return std::to_string(host::load_half(node->value, 0));
    default:
      return std::to_string(static_cast<std::int32_t>(host::load_word(node->value, 0)));
  }
}

std::string response_name(std::int32_t resp) {
  char name[kRespNameSize] = {};
  if (cnveibresp(resp, name) != 0) return std::to_string(resp);
  std::string text(name);
  return text.substr(0, text.find(' '));
}

// The queues and journals the cases use, beside those of a new region: an
// output and an input queue on one file, a queue with a trigger level and a
// disabled one.
constexpr std::string_view kDefinitions = R"toml(
[[tdqueue]]
name = "TDQ1"
[[tdqueue]]
name = "OUTQ"
type = "extrapartition"
file = "queues/lines.txt"
direction = "output"
[[tdqueue]]
name = "INQ"
type = "extrapartition"
file = "queues/lines.txt"
direction = "input"
[[tdqueue]]
name = "TRIG"
trigger_level = 2
transaction = "QCMD"
[[tdqueue]]
name = "OFFQ"
enabled = false
)toml";

// Runs lines as one task of a fresh region.
class TableRun : public ::testing::Test {
 protected:
  TableRun() {
    programs::register_builtin_programs(ravnmor::region::program_table());
    ravnmor::region::program_table().add_program("TABLE", [this] { run_lines(); });
    ravnmor::region::program_table().add_transaction("QCMD", "TABLE");
    ravnmor::region::program_table().add_interpreter("TABLE");  // as QCMD is
    // A program whose library is not there: defined, but never loadable.
    ravnmor::services::add_library_program("NOLIB", "/nonexistent/nolib.so", "nolib");
    ravnmor::net::attach_terminal("T001");  // connected, as a session connects its terminal
  }

  // The task's body: each line translated, executed and looked at.
  void run_lines() {
    xtcbp = host::xtcb;
    cintemptyscr();
    TerminateQCMD = 0;
    begin_translations();
    for (const Line& line : lines) {
      Outcome outcome;
      if (translate_line(line.command) != Translation::kAccepted) {
        outcome.response = "not accepted";
      } else {
        cintroute();
        const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
        outcome.response =
            response_name(static_cast<std::int32_t>(host::load_word(eib, host::kEibResp)));
        outcome.resp2 = static_cast<std::int32_t>(host::load_word(eib, host::kEibResp2));
      }
      if (std::optional<Effect> effect = effect_of(line)) {
        outcome.effect = variable_text(effect->name, effect->value.size());
      }
      outcomes.push_back(outcome);
    }
    deleteallvars();
  }

  // Runs `to_run`; a command that shows the user's screen waits for a key
  // after it, and RECEIVE waits for one.
  void run(const std::vector<Line>& to_run) {
    lines = to_run;
    for (const Line& line : lines) {
      for (const char* verb : {"SEND", "LINK", "RECEIVE", "CONVERSE"}) {
        if (line.command.starts_with(verb)) region.terminal().enter();
      }
    }
    region.run("QCMD");
  }

  ravnmor::region::TestRegion region{false, kDefinitions};
  std::vector<Line> lines;
  std::vector<Outcome> outcomes;
};

class CommandsTest : public TableRun, public ::testing::WithParamInterface<Scenario> {};

TEST_P(CommandsTest, EachLineAnswersAndLeavesItsEffect) {
  const Scenario& scenario = GetParam();
  run(scenario.lines);
  ASSERT_EQ(outcomes.size(), scenario.lines.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const Line& line = scenario.lines[i];
    SCOPED_TRACE("commands.txt:" + std::to_string(line.number) + ": " + line.command);
    EXPECT_EQ(outcomes[i].response, line.response);
    EXPECT_EQ(outcomes[i].resp2, line.resp2);
    if (std::optional<Effect> effect = effect_of(line)) {
      if (effect->negated) {
        EXPECT_NE(outcomes[i].effect, effect->value);
      } else {
        EXPECT_EQ(outcomes[i].effect, effect->value);
      }
    }
  }
}

// What DUMP, ENTER and ISSUE PRINT leave in the region directory.
TEST_F(TableRun, DumpTraceAndPrintWriteTheirFiles) {
  run(lines_of({"TRACE ON", "ENTER TRACEID(7) FROM(&STRING)",
                "DUMP DUMPCODE(AB1) FROM(&STRING) LENGTH(10)", "SEND TEXT FROM(&STRING) ERASE",
                "ISSUE PRINT"}));
  EXPECT_NE(region.trace().find("USER 7 4558414D504C4520535452494E472041"), std::string::npos);
  std::vector<std::filesystem::path> dumps;
  for (const auto& entry : std::filesystem::directory_iterator(region.directory() / "dumps")) {
    dumps.push_back(entry.path());
  }
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_NE(dumps[0].filename().string().find("-AB1_-1.txt"), std::string::npos);
  std::ifstream dump(dumps[0]);
  std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("FROM (10 bytes)\n  000000 4558414D504C45205354"), std::string::npos);
  EXPECT_NE(text.find("*EXAMPLE ST*"), std::string::npos);
  std::ifstream print(region.directory() / "print.txt");
  std::string printed((std::istreambuf_iterator<char>(print)), std::istreambuf_iterator<char>());
  EXPECT_NE(printed.find("EXAMPLE STRING ARGUMENT"), std::string::npos);
}

// Every verb of the initial screen in a plain form (verbs.txt), run in
// turn: each does something or answers as a region without the facility
// answers, never INVREQ with EIBRESP2 0, the answer of a command the region
// has no service for.
TEST_F(TableRun, EveryVerbHasAService) {
  std::vector<std::string> commands;
  for (const auto& line : ravnmor::testing::read_cases("commands/verbs.txt")) {
    commands.push_back(line.fields[0]);
  }
  std::vector<Line> every = lines_of(commands);
  run(every);
  ASSERT_EQ(outcomes.size(), every.size());
  for (std::size_t i = 0; i < every.size(); ++i) {
    EXPECT_NE(outcomes[i].response, "not accepted") << every[i].command;
    EXPECT_FALSE(outcomes[i].response == "INVREQ" && outcomes[i].resp2 == 0) << every[i].command;
  }
}

INSTANTIATE_TEST_SUITE_P(Services, CommandsTest, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace qcmd
