// ravnmor check end to end: commands in, one JSON object per command out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/exec/exec.hpp"
#include "process.hpp"
#include "syntax/syntax.hpp"

namespace ravnmor::cli::testing {
namespace {

using nlohmann::json;

struct CheckRun {
  int status;
  std::vector<std::string> lines;
};

// Runs `ravnmor check` with `arguments` (shell-quoted by the caller).
CheckRun run_check(const std::string& arguments, const std::string& input = "") {
  const std::string command =
      "printf '" + input + "' | " + ravnmor_binary() + " check " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  CheckRun run{-1, {}};
  if (pipe == nullptr) return run;
  std::string line;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c == '\n') {
      run.lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(Check, JsonObjectsDescribeEachCommand) {
  const CheckRun run = run_check("--json 'ADDRESS EIB(&HWORD)' 'RETURN TRANSID(AB) FOO'");
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_EQ(run.status, 1);  // the second command is not accepted

  const json address = json::parse(run.lines[0]);
  EXPECT_EQ(address["command"], "ADDRESS EIB(&HWORD)");
  EXPECT_EQ(address["result"], "accepted");
  EXPECT_EQ(address["verb"], "ADDRESS");
  EXPECT_EQ(address["function"], "0202");
  EXPECT_EQ(address["param_count"], 2);
  // X'0202' biased by X'20' in each byte, "E" at 5, count 2 + X'20' at 23.
  std::string text(35, ' ');
  text[0] = text[1] = '"';
  text[4] = 'E';
  text[22] = '"';
  EXPECT_EQ(address["descriptor_text"], text);
  EXPECT_EQ(address["descriptor_hex"].get<std::string>().substr(0, 10), "2222202045");
  ASSERT_EQ(address["arguments"].size(), 1u);
  EXPECT_EQ(address["arguments"][0]["position"], 2);
  EXPECT_EQ(address["arguments"][0]["kind"], "variable");
  EXPECT_EQ(address["arguments"][0]["name"], "&HWORD");
  EXPECT_TRUE(address["diagnostics"].empty());

  const json refused = json::parse(run.lines[1]);
  EXPECT_EQ(refused["result"], "errors");
  ASSERT_EQ(refused["diagnostics"].size(), 1u);
  EXPECT_EQ(refused["diagnostics"][0]["severity"], "E");
  EXPECT_EQ(refused["diagnostics"][0]["text"], "Ravnmor option \"FOO\" is not supported.");
  EXPECT_EQ(refused["arguments"][0]["kind"], "literal");
  EXPECT_EQ(refused["arguments"][0]["value"], "AB  ");
}

// The message line's number where the screen shows one: no verb, a value
// the evaluation cannot take, a command the translator refuses; values as
// the screens show them.
TEST(Check, MessagesAndValuesAsTheScreensShowThem) {
  const CheckRun run = run_check(
      "--json NOSUCH 'LINK PROGRAM(ECHO) COMMAREA(&NOPE)' 'RETURN TRANSID(AB) FOO' "
      "'ASKTIME ABSTIME(&DWORD)' 'WRITEQ TS QUEUE(Q1) FROM(&HWORD) LENGTH(&FWORD)'");
  ASSERT_EQ(run.lines.size(), 5u);
  const int expected[] = {3211, 3230, 3220};
  for (int i = 0; i < 3; ++i) {
    const json checked = json::parse(run.lines[i]);
    EXPECT_EQ(checked["message"], expected[i]) << run.lines[i];
    EXPECT_TRUE(checked["message_line"].get<std::string>().starts_with(
        "OXM" + std::to_string(expected[i]) + "E "))
        << run.lines[i];
  }
  const json asktime = json::parse(run.lines[3]);
  EXPECT_TRUE(asktime["message"].is_null());
  EXPECT_EQ(asktime["arguments"][0]["value"], "00DCBA9876543210");
  const json writeq = json::parse(run.lines[4]);
  EXPECT_EQ(writeq["arguments"][1]["value"], "01234");
  EXPECT_EQ(writeq["arguments"][2]["value"], "0123456789");
}

TEST(Check, StandardInputAndExitStatus) {
  const CheckRun accepted = run_check("-", "RETURN\\nASKTIME\\n");
  EXPECT_EQ(accepted.status, 0);
  ASSERT_GE(accepted.lines.size(), 2u);
  EXPECT_EQ(accepted.lines[0], "RETURN");
  EXPECT_EQ(accepted.lines[1], "  result: accepted");
  EXPECT_NE(std::find(accepted.lines.begin(), accepted.lines.end(), "ASKTIME"),
            accepted.lines.end());
  const CheckRun unknown = run_check("--json NOSUCHVERB");
  EXPECT_EQ(unknown.status, 1);
  ASSERT_EQ(unknown.lines.size(), 1u);
  EXPECT_TRUE(json::parse(unknown.lines[0])["verb"].is_null());
  const CheckRun unknown_text = run_check("NOSUCHVERB");
  ASSERT_EQ(unknown_text.lines.size(), 3u);
  EXPECT_TRUE(unknown_text.lines[2].starts_with("  message: OXM3211E ")) << unknown_text.lines[2];
  EXPECT_EQ(run_check("").status, 2);  // no command at all
}

struct VerbRow {
  std::string verb;
  std::string example;
  std::string answer;
};

// The rows of the README's table of verbs: "| VERB | `EXAMPLE` | ANSWER |".
std::vector<VerbRow> readme_verb_rows() {
  std::ifstream readme(std::string(RAVNMOR_SOURCE_DIR) + "/README.md");
  std::vector<VerbRow> rows;
  bool in_table = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.starts_with("| Verb | For example |")) {
      in_table = true;
    } else if (in_table && line.starts_with("| ")) {
      const std::size_t example = line.find(" | `");
      const std::size_t answer = line.find("` | ", example);
      if (example == std::string::npos || answer == std::string::npos) continue;
      rows.push_back({line.substr(2, example - 2), line.substr(example + 4, answer - example - 4),
                      line.substr(answer + 4)});
    } else if (in_table && !line.starts_with("|---")) {
      break;
    }
  }
  return rows;
}

// The README says what the region does with each verb: its example is that
// verb's and translates (unless the row says it does not), and a verb it
// calls served has a service, one it does not has none.
TEST(Check, TheReadmeTableOfVerbsMatchesTheRegion) {
  const std::vector<VerbRow> rows = readme_verb_rows();
  ASSERT_EQ(rows.size(), qcmd::kVerbCount);
  std::string input;
  for (const VerbRow& row : rows) input += row.example + "\\n";
  const CheckRun run = run_check("--json -", input);
  ASSERT_EQ(run.lines.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const VerbRow& row = rows[i];
    const json checked = json::parse(run.lines[i]);
    EXPECT_EQ(checked["verb"], row.verb) << row.example;
    if (row.answer.starts_with("not translated")) {
      EXPECT_NE(checked["result"], "accepted") << row.verb;
      continue;
    }
    ASSERT_EQ(checked["result"], "accepted") << row.example;
    const auto function =
        static_cast<std::uint16_t>(std::stoi(checked["function"].get<std::string>(), nullptr, 16));
    EXPECT_EQ(exec::find_command(function) != nullptr, row.answer.starts_with("served"))
        << row.verb << ": " << row.answer;
  }
}

}  // namespace
}  // namespace ravnmor::cli::testing
