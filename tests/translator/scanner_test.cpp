#include "translator/scanner.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/cases.hpp"
#include "translator/diagnostics.hpp"
#include "translator/keywords.hpp"

namespace qcmd {
namespace {

struct Token {
  std::int32_t token;
  std::string value;  // yylval after the token
  bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Token& t) {
  return out << '{' << t.token << ", \"" << t.value << "\"}";
}

class Scanner : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_hash_table(); }
  void SetUp() override {
    reset_scanner();
    yyout = &output_;
    start_counting();
  }
  void TearDown() override { yyout = &std::cout; }

  // Loads a command as the parse entry does: "EXEC CICS ", the text, "; ".
  static void load_command(const std::string& command) {
    std::memset(ParseBuffer, 0, sizeof ParseBuffer);
    const std::string statement = "EXEC CICS " + command + "; ";
    std::memcpy(ParseBuffer + kParseTextOffset, statement.data(), statement.size());
    ParseBufferPtr = ParseBuffer + kParseTextOffset;
  }

  // Points the scanner at any text (host text around commands).
  void load_text(const std::string& text) {
    text_.assign(text.begin(), text.end());
    text_.push_back('\0');
    ParseBufferPtr = text_.data();
  }

  static std::vector<Token> scan_all() {
    std::vector<Token> tokens;
    while (const std::int32_t token = yylex()) tokens.push_back({token, yylval});
    EXPECT_EQ(yylex(), 0) << "the end of input stays the end";
    return tokens;
  }

  std::vector<Token> scan_command(const std::string& command) {
    load_command(command);
    return scan_all();
  }

  std::vector<Token> scan_text(const std::string& text) {
    load_text(text);
    return scan_all();
  }

  void start_counting() {
    errors_ = print_error_count;
    warnings_ = print_warning_count;
  }
  int errors_reported() const { return print_error_count - errors_; }
  int warnings_reported() const { return print_warning_count - warnings_; }

  std::ostringstream output_;
  std::vector<char> text_;
  int errors_ = 0;
  int warnings_ = 0;
};

constexpr std::int32_t kExecCics = 444, kName = 491, kSemicolon = 813, kString = 844;

// \s \n \t \p \xHH of scanner.txt.
std::string unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'p' ? '|' : c;
    }
  }
  return out;
}

std::vector<Token> tokens_of(const std::string& field) {
  static const std::map<std::string, std::int32_t> kinds = {
      {"EXEC", kExecCics}, {"NAME", kName}, {"NUMBER", 510}, {"STRING", kString}, {"(", 574},
      {")", 792},          {",", 333},      {".", 683},      {":", 331},          {"INFIX", 309},
      {"-", 597},          {"+", 715},      {"->", 285},     {";", kSemicolon}};
  std::vector<Token> tokens;
  std::string value;
  std::istringstream words(field);
  for (std::string word; words >> word;) {
    const std::size_t equals = word.find('=', 1);
    if (equals != std::string::npos) value = unescaped(word.substr(equals + 1));
    const std::string kind = word.substr(0, equals);
    tokens.push_back({kinds.count(kind) ? kinds.at(kind) : std::stoi(kind), value});
  }
  return tokens;
}

TEST_F(Scanner, GivesTheTokensAndOutputOfTheTableOfCases) {
  const auto lines = ravnmor::testing::read_cases("translator/scanner.txt");
  ASSERT_FALSE(lines.empty());
  for (const auto& line : lines) {
    SCOPED_TRACE("scanner.txt:" + std::to_string(line.number) + " " + line.fields.at(1));
    ASSERT_GE(line.fields.size(), 3u);
    reset_scanner();
    output_.str("");
    start_counting();
    const std::string text = unescaped(line.fields[1]);
    const auto tokens = line.fields[0] == "command" ? scan_command(text) : scan_text(text);
    EXPECT_EQ(tokens, tokens_of(line.fields[2]));
    if (line.fields.size() > 3 && line.fields[3] != "-") {
      EXPECT_EQ(output_.str(), unescaped(line.fields[3]));
    }
    std::istringstream counts(line.fields.size() > 4 ? line.fields[4] : "0 0");
    int errors = 0, warnings = 0;
    counts >> errors >> warnings;
    EXPECT_EQ(errors_reported(), errors);
    EXPECT_EQ(warnings_reported(), warnings);
  }
}

TEST_F(Scanner, StoresUnsupportedArgumentsUntilTheNextSemicolon) {
  load_text("DFHVALUE(ACQUIRING) DFHVALUE(NOSUCH) DFHRESP(NOSUCH) ;");
  std::int32_t token = yylex();
  EXPECT_EQ(output_.str(), "/*DFHVALUE(ACQUIRING)*/71/*DFHVALUE(NOSUCH)*/0/*DFHRESP(NOSUCH)*/-1");
  EXPECT_EQ(token, kSemicolon);
  EXPECT_EQ(lex_error_no, -1);  // reported at the ";"
  EXPECT_STREQ(lex_error[0], "Argument 'ACQUIRING' for macro DFHVALUE is not supported.");
  EXPECT_EQ(lex_severity[0], 1);
  EXPECT_STREQ(lex_error[1], "Argument 'NOSUCH' for macro DFHVALUE is not supported.");
  EXPECT_EQ(lex_severity[1], 2);
  EXPECT_STREQ(lex_error[2], "Argument 'NOSUCH' for macro DFHRESP is not supported.");
  EXPECT_EQ(lex_severity[2], 2);
  EXPECT_EQ(errors_reported(), 2);
  EXPECT_EQ(warnings_reported(), 1);
}

TEST_F(Scanner, StoresMissingParenthesesAndArgumentsUntilTheSemicolon) {
  // L2 and L3 stored at a ";" inside the function, which is no token. The
  // DFHRESP left open by the first ";" is still open at the last one.
  EXPECT_EQ(scan_text("DFHRESP(; DFHVALUE(OPEN; DFHRESP;"), std::vector<Token>{});
  EXPECT_EQ(errors_reported(), 0);  // stored, not yet reported
  ASSERT_EQ(lex_error_no, 4);
  EXPECT_STREQ(lex_error[0], "DFHRESP macro requires \")\"");
  EXPECT_STREQ(lex_error[1], "DFHRESP macro requires an argument");
  EXPECT_STREQ(lex_error[2], "DFHVALUE macro requires \")\"");
  EXPECT_STREQ(lex_error[3], "DFHRESP macro requires \")\"");
  EXPECT_STREQ(lex_error[4], "DFHRESP macro requires an argument");
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(lex_severity[i], 2);
  EXPECT_EQ(dfhvalue_argument, 0);  // reset by its ";" after one argument

  EXPECT_EQ(scan_text(";"), (std::vector<Token>{{kSemicolon, ""}}));
  EXPECT_EQ(errors_reported(), 5);
  EXPECT_EQ(lex_error_no, -1);
}

TEST_F(Scanner, KeepsSixteenLexicalMessagesAndReportsThem) {
  std::string text;
  for (int i = 1; i <= 17; ++i) text += "DFHVALUE(X" + std::to_string(i) + ") ";
  load_text(text + ";");
  EXPECT_EQ(yylex(), kSemicolon);
  EXPECT_EQ(errors_reported(), 16);
  EXPECT_STREQ(lex_error[15], "Argument 'X16' for macro DFHVALUE is not supported.");
}

TEST_F(Scanner, CarriesItsStateFromOneParseToTheNext) {
  // An unbalanced "(" leaves is_argument set: the next command's verb is a name.
  scan_command("READ FILE(X");
  EXPECT_EQ(is_argument, 1);
  const std::vector<Token> after_paren = {
      {kExecCics, "EXEC CICS"}, {kName, "READ"}, {kSemicolon, "READ"}};
  EXPECT_EQ(scan_command("READ"), after_paren);

  // An unclosed string runs on into the next command.
  reset_scanner();
  scan_command("FROM('AB");
  EXPECT_EQ(lex_mode, LexMode::kString);
  const std::vector<Token> after_quote = {
      {kString, "AB; EXEC CICS X"}, {kName, "RETURN"}, {kSemicolon, "RETURN"}};
  EXPECT_EQ(scan_command("X' RETURN"), after_quote);

  // A built-in function opened at the end of one text is closed in the next.
  reset_scanner();
  EXPECT_EQ(scan_text("DFHVALUE("), std::vector<Token>{});
  EXPECT_EQ(lex_mode, LexMode::kDfhvalue);
  EXPECT_EQ(scan_text("OPEN)"), std::vector<Token>{});
  EXPECT_EQ(output_.str(), "/*DFHVALUE(OPEN)*/18");
  EXPECT_EQ(errors_reported(), 0);
}

TEST_F(Scanner, TakesTokensUpTo1024CharactersAndStopsTheProcessBeyond) {
  const std::string longest(1024, 'A');
  EXPECT_EQ(scan_text("EXEC CICS " + longest + ";").at(1), (Token{kName, longest}));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        yyout = &std::cout;
        scan_text("EXEC CICS " + longest + "B;");
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace qcmd
