#include "translator/diagnostics.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "translator/scanner.hpp"

namespace qcmd {
namespace {

class DiagnosticList : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error_tokens();
    exec_cics = 0;
  }
  void TearDown() override { exec_cics = 0; }
};

TEST_F(DiagnosticList, SyntaxErrorsAreRecordedOnlyAfterTheExecCicsPrefix) {
  std::strcpy(yylval, "MAP");
  yyerror("syntax error");
  EXPECT_EQ(err_token_no, -1);

  exec_cics = 1;
  yyerror("syntax error");
  yyerror("yacc stack overflow");
  ASSERT_EQ(err_token_no, 1);
  EXPECT_STREQ(err_token[0], "CICS option MAP unsupported or syntax error\n");
  EXPECT_STREQ(err_token[1], "CICS option MAP unsupported or yacc stack overflow\n");
  EXPECT_EQ(err_severity[1], 2);
}

TEST_F(DiagnosticList, KeepsLongTextsWholeUpTo256AndCutsLongerOnes) {
  const std::string longest(256, 'x');
  const std::string too_long = "0123456789012345678901234567890123456789" + std::string(217, 'y');
  save_error_token(longest.c_str(), 1);
  save_error_token(too_long.c_str(), 2);
  EXPECT_EQ(err_token[0], longest);
  EXPECT_STREQ(err_token[1], "0123456789012345678901234567890");
  bad_option(std::string(300, 'Z').c_str());  // a builder's text is cut the same way
  EXPECT_STREQ(err_token[2], "Ravnmor option \"ZZZZZZZZZZZZZZZ");
}

TEST_F(DiagnosticList, HoldsSixteenEntriesAndDropsTheRest) {
  for (int i = 1; i <= 17; ++i) save_error_token(("finding " + std::to_string(i)).c_str(), 1);
  EXPECT_EQ(err_token_no, 15);
  EXPECT_STREQ(err_token[0], "finding 1");
  EXPECT_STREQ(err_token[15], "finding 16");
}

TEST_F(DiagnosticList, EmptyingAndTheResultOfAParse) {
  EXPECT_EQ(highest_error_severity(), 0);
  save_fixed_diagnostic(FixedDiagnostic::kDuplicateOption);
  EXPECT_EQ(highest_error_severity(), 1);
  bad_option("FOO");
  save_fixed_diagnostic(FixedDiagnostic::kDuplicateOption);
  EXPECT_EQ(highest_error_severity(), 2);

  clear_error_tokens();
  EXPECT_EQ(err_token_no, -1);
  EXPECT_EQ(highest_error_severity(), 0);
  EXPECT_EQ(err_token[0], std::string(256, ' '));
  for (int severity : err_severity) EXPECT_EQ(severity, 0);
}

TEST(ScannerReports, AreCountedApartAndNotListed) {
  clear_error_tokens();
  const int errors = print_error_count;
  const int warnings = print_warning_count;
  print_error("DFHVALUE macro requires \"(\"");
  print_warning("a warning");
  print_warning("another");
  EXPECT_EQ(print_error_count - errors, 1);
  EXPECT_EQ(print_warning_count - warnings, 2);
  EXPECT_EQ(err_token_no, -1);
}

}  // namespace
}  // namespace qcmd
