#include "translator/scanner.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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

// Token numbers written out, as the grammar knows them.
constexpr std::int32_t kExecCics = 444, kName = 491, kNumber = 510, kLparen = 574, kRparen = 792,
                       kComma = 333, kPeriod = 683, kColon = 331, kInfixop = 309, kMinus = 597,
                       kPlus = 715, kArrow = 285, kSemicolon = 813, kString = 844;

TEST_F(Scanner, ReadsACommandWithItsPrefixKeywordsStringsAndNames) {
  const std::vector<Token> expected = {{kExecCics, "EXEC CICS"},
                                       {749, "READ"},
                                       {714, "FILE"},
                                       {kLparen, "FILE"},
                                       {kString, "ABC"},
                                       {kRparen, "ABC"},
                                       {516, "INTO"},
                                       {kLparen, "INTO"},
                                       {kName, "&X"},
                                       {kRparen, "&X"},
                                       {kSemicolon, "&X"}};
  EXPECT_EQ(scan_command("READ FILE('ABC') INTO(&X)"), expected);
  EXPECT_EQ(exec_cics, 1);
  EXPECT_EQ(lex_mode, LexMode::kInitial);
  EXPECT_EQ(output_.str(), "");
}

TEST_F(Scanner, MatchesKeywordsInAnyCaseButNeverInsideParentheses) {
  const std::vector<Token> lower = {{kExecCics, "EXEC CICS"}, {749, "read"}, {714, "file"},
                                    {kLparen, "file"},        {kName, "x"},  {kRparen, "x"},
                                    {kSemicolon, "x"}};
  EXPECT_EQ(scan_command("read file(x)"), lower);

  // Inside parentheses FILE is a plain name; parentheses are not counted, so
  // after the inner ")" the next word is a keyword again.
  const std::vector<Token> nested = {{kExecCics, "EXEC CICS"},
                                     {kName, "NOTAKEYWORD"},
                                     {730, "PROGRAM"},
                                     {kLparen, "PROGRAM"},
                                     {kName, "FILE"},
                                     {kLparen, "FILE"},
                                     {kName, "B"},
                                     {kRparen, "B"},
                                     {714, "FILE"},
                                     {kRparen, "FILE"},
                                     {kSemicolon, "FILE"}};
  EXPECT_EQ(scan_command("NOTAKEYWORD PROGRAM(FILE(B) FILE)"), nested);
  EXPECT_EQ(is_argument, 0);
}

TEST_F(Scanner, SplitsNumbersOperatorsAndPunctuation) {
  const std::vector<Token> expected = {{kExecCics, "EXEC CICS"},
                                       {563, "LENGTH"},
                                       {kLparen, "LENGTH"},
                                       {kPlus, "+"},
                                       {kNumber, "2"},
                                       {kRparen, "2"},
                                       {kNumber, "1"},
                                       {kPeriod, "."},
                                       {kNumber, "5"},
                                       {kNumber, "12"},
                                       {kName, "AB"},
                                       {kName, "P"},
                                       {kArrow, "->"},
                                       {kName, "Q"},
                                       {kInfixop, "**"},
                                       {kInfixop, "*"},
                                       {kInfixop, "/"},
                                       {kInfixop, "||"},
                                       {kName, "R"},
                                       {kMinus, "-"},
                                       {kComma, ","},
                                       {kColon, ":"},
                                       {kName, "#A$_@9"},
                                       {kSemicolon, "#A$_@9"}};
  EXPECT_EQ(scan_command("LENGTH(+2) 1.5 12AB P->Q *** / || | R - , : #A$_@9"), expected);
}

TEST_F(Scanner, DropsCharactersThatMakeNoToken) {
  const std::vector<Token> expected = {
      {kExecCics, "EXEC CICS"}, {784, "RETURN"}, {kName, "A"}, {kName, "B"}, {kSemicolon, "B"}};
  EXPECT_EQ(scan_command("RETURN = \"A\"\t\n\xE9 ! B"), expected);
}

TEST_F(Scanner, ReadsStringsWithoutEscapes) {
  const std::vector<Token> expected = {
      {kExecCics, "EXEC CICS"}, {472, "FROM"},         {kLparen, "FROM"},
      {kString, "IT"},          {kString, "S"},        {kString, ""},
      {kString, " A=(B); "},    {kRparen, " A=(B); "}, {kSemicolon, " A=(B); "}};
  EXPECT_EQ(scan_command("FROM('IT''S' '' ' A=(B); ')"), expected);

  const std::vector<Token> split = {{kExecCics, "EXEC CICS"}, {kString, "AB"}, {kSemicolon, "AB"}};
  EXPECT_EQ(scan_command("'A\nB'"), split);
  EXPECT_EQ(output_.str(), "\n");  // the newline leaves the string for the output
}

TEST_F(Scanner, LeavesBuiltinFunctionsInsideCommandsToTheGrammar) {
  const std::vector<Token> expected = {
      {kExecCics, "EXEC CICS"}, {775, "RESP"},        {kLparen, "RESP"},
      {kName, "DFHRESP"},       {kLparen, "DFHRESP"}, {kName, "NORMAL"},
      {kRparen, "NORMAL"},      {kRparen, "NORMAL"},  {kSemicolon, "NORMAL"}};
  EXPECT_EQ(scan_command("RESP(DFHRESP(NORMAL))"), expected);
  EXPECT_EQ(output_.str(), "");
  EXPECT_EQ(lex_error_no, -1);
}

TEST_F(Scanner, RecognisesThePrefixOnlyInOneCasePerWord) {
  struct Case {
    const char* text;
    std::vector<Token> tokens;
  };
  const Case cases[] = {
      {"exec cics RETURN;", {{kExecCics, "exec cics"}, {784, "RETURN"}, {kSemicolon, "RETURN"}}},
      {"EXEC \t cics;", {{kExecCics, "EXEC \t cics"}, {kSemicolon, "EXEC \t cics"}}},
      {"EXEC CICSX;", {{kExecCics, "EXEC CICS"}, {kName, "X"}, {kSemicolon, "X"}}},
      {"Exec CICS RETURN;", {{kSemicolon, ""}}},
      {"EXECCICS RETURN;", {{kSemicolon, ""}}},
      {"EXEC\nCICS RETURN;", {{kSemicolon, ""}}},
      {"XEXEC CICS;", {{kExecCics, "EXEC CICS"}, {kSemicolon, "EXEC CICS"}}},
  };
  for (const Case& c : cases) {
    reset_scanner();
    EXPECT_EQ(scan_text(c.text), c.tokens) << c.text;
  }
}

TEST_F(Scanner, SkipsCommentsOutsideCommandsOnly) {
  const std::vector<Token> expected = {
      {kExecCics, "EXEC CICS"}, {784, "RETURN"}, {kSemicolon, "RETURN"}};
  EXPECT_EQ(scan_text("/* EXEC CICS SEND;\n */ EXEC CICS RETURN;"), expected);

  reset_scanner();
  const std::vector<Token> in_command = {{kExecCics, "EXEC CICS"}, {kInfixop, "/"},
                                         {kInfixop, "*"},          {kInfixop, "*"},
                                         {kInfixop, "/"},          {kSemicolon, "/"}};
  EXPECT_EQ(scan_command("/* */"), in_command);
}

TEST_F(Scanner, ReplacesBuiltinFunctionsOutsideCommands) {
  const std::vector<Token> semicolon = {{kSemicolon, ""}};
  EXPECT_EQ(scan_text("X = DFHVALUE(OPEN);\n"), semicolon);
  EXPECT_EQ(output_.str(), "/*DFHVALUE(OPEN)*/18\n");

  output_.str("");
  EXPECT_EQ(scan_text("IF R = dfhresp( notfnd ) THEN\n"), std::vector<Token>{});
  EXPECT_EQ(output_.str(), "/*dfhresp(NOTFND)*/13  \n");  // the passed-over blanks follow

  output_.str("");
  EXPECT_EQ(scan_text("DFHRESP(NORMAL)\nDFHVALUE(ACQUIRED)\n"), std::vector<Token>{});
  EXPECT_EQ(output_.str(), "/*DFHRESP(NORMAL)*/0\n/*DFHVALUE(ACQUIRED)*/69\n");
  EXPECT_EQ(lex_error_no, -1);
  EXPECT_EQ(errors_reported() + warnings_reported(), 0);

  // What the function passed over is written before a command only when it
  // holds more than blanks, and before a comment in any case.
  const std::vector<Token> command = {{kExecCics, "EXEC CICS"}, {kSemicolon, "EXEC CICS"}};
  output_.str("");
  EXPECT_EQ(scan_text("DFHVALUE(OPEN, X) EXEC CICS;"), command);
  EXPECT_EQ(output_.str(), "/*DFHVALUE(OPEN)*/18, ");
  output_.str("");
  EXPECT_EQ(scan_text("DFHVALUE( OPEN ) EXEC CICS;"), command);
  EXPECT_EQ(output_.str(), "/*DFHVALUE(OPEN)*/18");
  output_.str("");
  EXPECT_EQ(scan_text("DFHVALUE( OPEN )/* A */"), std::vector<Token>{});
  EXPECT_EQ(output_.str(), "/*DFHVALUE(OPEN)*/18  ");
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

TEST_F(Scanner, ReportsMissingParenthesesAndArguments) {
  // L1 at once: an argument without "(".
  EXPECT_EQ(scan_text("DFHVALUE OPEN)"), std::vector<Token>{});
  EXPECT_EQ(errors_reported(), 1);
  EXPECT_EQ(output_.str(), "/*DFHVALUEOPEN)*/18");

  // L2 at once for the third argument on; the second is passed over.
  start_counting();
  EXPECT_EQ(scan_text("DFHVALUE(OPEN,CLOSED,FIXED,ESDS)"), std::vector<Token>{});
  EXPECT_EQ(errors_reported(), 2);
  EXPECT_EQ(lex_error_no, -1);

  // L2 and L3 stored at a ";" inside the function, which is no token. The
  // DFHRESP left open by the first ";" is still open at the last one.
  start_counting();
  reset_scanner();
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
