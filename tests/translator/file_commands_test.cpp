// The file commands: each case's descriptor and arguments are worked out from
// the option lists of the commands.
#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Files = CommandCases;

const Diagnostic kKeylengthWithRecordNumber{kSeverityError,
                                            "Incompatible options KEYLENGTH and RBA/RRN."};

TEST_F(Files, ReadDefaultsLengthAndEqual) {
  check_all({
      {"READ FILE(F1) INTO(&STRING) RIDFLD(K1)",
       expected(0x0602, 8, {{3, 'I'}, {4, 'L'}, {12, 'E'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 23), dyn(5, 2)},
       {}},
      // INTO() asks for a dynamic variable: the default length is 32767.
      {"READ DATASET(F1) INTO() RIDFLD(K1)",
       expected(0x0602, 8, {{3, 'I'}, {4, 'L'}, {12, 'E'}}),
       {chr(2, "F1", 8), dyn(3, 2), half(4, 32767), dyn(5, 3)},
       {}},
      {"READ DATASET(F1) SET(&FWORD) RIDFLD(&STRING) LENGTH(&HWORD) GTEQ UPDATE KEYLENGTH(4) "
       "GENERIC",
       expected(0x0602, 8, {{3, 'S'}, {4, 'L'}, {6, 'K'}, {7, 'G'}, {12, 'G'}, {13, 'U'}}),
       {chr(2, "F1", 8), var(3, "&FWORD"), var(4, "&HWORD"), var(5, "&STRING"), half(6, 4)},
       {}},
      {"READ FILE(F1) INTO(&STRING) SET(&FWORD) RIDFLD(&HWORD) SYSID(S1) SEGSET(G1) DEBKEY RRN",
       expected(0x0602, 8,
                {{3, 'S'}, {4, 'L'}, {8, 'S'}, {9, 'S'}, {10, 'R'}, {11, 'K'}, {12, 'E'}}),
       {chr(2, "F1", 8), var(3, "&FWORD"), half(4, 23), var(5, "&HWORD"), chr(7, "S1", 4),
        chr(8, "G1", 8)},
       {duplicate_flag()}},
      {"READ UPDATE",
       expected(0x0602, 8, {{12, 'E'}, {13, 'U'}}),
       {},
       {requires_option("FILE or DATASET"), requires_option("SET or INTO"),
        requires_option("RIDFLD")}},
  });
}

// Every parenthesised operand not naming a variable takes a dynamic number in
// turn, a literal 0 and a keyword inside parentheses included, so INTO()
// receives into the third dynamic variable and RIDFLD(FILE) is the fourth.
TEST_F(Files, OperandsTakeTheirDynamicVariablesInTextOrder) {
  check_all({
      {"READ FILE(F1) KEYLENGTH(0) INTO() RIDFLD(FILE)",
       expected(0x0602, 8, {{3, 'I'}, {4, 'L'}, {6, 'K'}, {12, 'E'}}),
       {chr(2, "F1", 8), dyn(3, 3), half(4, 32767), dyn(5, 4), half(6, 0)},
       {}},
  });
  EXPECT_STREQ(reinterpret_cast<const char*>(finddynnode(4)->value), "FILE");
}

TEST_F(Files, BrowseReads) {
  check_all({
      {"READNEXT FILE(F1) INTO(&STRING) RIDFLD(&HWORD) REQID(2) SYSID(S1)",
       expected(0x060E, 9, {{3, 'I'}, {4, 'L'}, {8, 'S'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 23), var(5, "&HWORD"), half(7, 2),
        chr(8, "S1", 4)},
       {}},
      {"READNEXT RBA",
       expected(0x060E, 9, {{10, 'B'}}),
       {},
       {requires_option("DATASET or FILE"), requires_option("SET or INTO"),
        requires_option("RIDFLD")}},
      {"READPREV FILE(F1) SET(&FWORD) RIDFLD(&HWORD) REQID(2) SEGSET(G1) KEYLENGTH(3)",
       expected(0x0610, 9, {{3, 'S'}, {5, 'R'}, {6, 'K'}, {9, 'S'}}),
       {chr(2, "F1", 8), var(3, "&FWORD"), var(5, "&HWORD"), half(6, 3), half(7, 2),
        chr(9, "G1", 8)},
       {}},
      {"READPREV SEGSETALL",
       expected(0x0610, 9, {{9, 'A'}}),
       {},
       {requires_option("DATASET or FILE"), requires_option("SET or INTO"),
        requires_option("RIDFLD")}},
      {"STARTBR FILE(F1) RIDFLD(&STRING) REQID(3) RRN DEBREC",
       expected(0x060C, 6, {{5, 'R'}, {10, 'R'}, {11, 'R'}, {12, 'G'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(5, 3)},
       {}},
      {"STARTBR EQUAL GENERIC KEYLENGTH(2) SYSID(S1)",
       expected(0x060C, 6, {{6, 'K'}, {7, 'G'}, {8, 'S'}, {12, 'E'}}),
       {half(4, 2), chr(6, "S1", 4)},
       {requires_option("FILE or DATASET"), requires_option("RIDFLD")}},
      {"RESETBR FILE(F1) RIDFLD(&STRING) GTEQ KEYLENGTH(4) REQID(1)",
       expected(0x0614, 6, {{5, 'R'}, {6, 'K'}, {12, 'G'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 4), half(5, 1)},
       {}},
      {"RESETBR RBA SYSID(S1)",
       expected(0x0614, 6, {{8, 'S'}, {10, 'B'}, {12, 'G'}}),
       {chr(6, "S1", 4)},
       {requires_option("DATASET"), requires_option("RIDFLD")}},
      {"ENDBR FILE(F1) REQID(2) SYSID(S1)",
       expected(0x0612, 4, {{5, 'R'}, {8, 'S'}}),
       {chr(2, "F1", 8), half(3, 2), chr(4, "S1", 4)},
       {}},
      {"ENDBR REQID(2)",
       expected(0x0612, 4, {{5, 'R'}}),
       {half(3, 2)},
       {requires_option("FILE or DATASET")}},
  });
}

TEST_F(Files, WritesAndDeletes) {
  check_all({
      // Base count 7: the copy in the command buffer doubles the quote.
      {"WRITE FILE(F1) FROM(&STRING) RIDFLD(&HWORD) MASSINSERT",
       expected(0x0604, 7, {{4, 'L'}, {14, 'M'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 23), var(5, "&HWORD")},
       {}},
      {"WRITE FILE(F1) FROM(&STRING) LENGTH(10) RIDFLD(&HWORD) SYSID(S1) RBA",
       expected(0x0604, 7, {{4, 'L'}, {8, 'S'}, {10, 'B'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 10), var(5, "&HWORD"), chr(7, "S1", 4)},
       {}},
      {"WRITE KEYLENGTH(4) RRN SEGSETALL",
       expected(0x0604, 7, {{6, 'K'}, {9, 'A'}, {10, 'R'}}),
       {half(6, 4)},
       {requires_option("FILE or DATASET"), requires_option("FROM"), requires_option("RIDFLD"),
        kKeylengthWithRecordNumber}},
      {"REWRITE FILE(F1) FROM(&STRING) SYSID(S1)",
       expected(0x0606, 5, {{4, 'L'}, {8, 'S'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 23), chr(5, "S1", 4)},
       {}},
      {"REWRITE LENGTH(10) SEGSETALL",
       expected(0x0606, 5, {{4, 'L'}, {9, 'A'}}),
       {half(4, 10)},
       {requires_option("FILE or DATASET"), requires_option("FROM")}},
      // GENERIC and NUMREC in either order: "N" at 7 without a warning.
      {"DELETE FILE(F1) RIDFLD(&STRING) GENERIC NUMREC(&HWORD) KEYLENGTH(4)",
       expected(0x0608, 6, {{5, 'R'}, {6, 'K'}, {7, 'N'}}),
       {chr(2, "F1", 8), var(3, "&STRING"), half(4, 4), var(5, "&HWORD")},
       {}},
      {"DELETE FILE(F1) NUMREC(&HWORD) GENERIC",
       expected(0x0608, 6, {{7, 'N'}}),
       {chr(2, "F1", 8), var(5, "&HWORD")},
       {}},
      {"DELETE NUMREC(&HWORD) SYSID(S1) RBA",
       expected(0x0608, 6, {{7, 'n'}, {8, 'S'}, {10, 'B'}}),
       {var(5, "&HWORD"), chr(6, "S1", 4)},
       {requires_option("FILE or DATASET")}},
      {"DELETE FILE(F1) GENERIC GENERIC",
       expected(0x0608, 6, {{7, 'G'}}),
       {chr(2, "F1", 8)},
       {duplicate_flag()}},
      {"UNLOCK FILE(F1) SYSID(S1)",
       expected(0x060A, 3, {{8, 'S'}}),
       {chr(2, "F1", 8), chr(3, "S1", 4)},
       {}},
      {"UNLOCK SYSID(S1)",
       expected(0x060A, 3, {{8, 'S'}}),
       {chr(3, "S1", 4)},
       {requires_option("FILE or DATASET")}},
  });
}

}  // namespace
}  // namespace qcmd::testing
