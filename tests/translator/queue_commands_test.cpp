// The queue commands in their TS and TD forms: each case's descriptor and
// arguments are worked out from the option lists of the commands.
#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Queues = CommandCases;

const Diagnostic kConflictingOption{kSeverityError, "Conflicting or duplicate option"};

TEST_F(Queues, ReadqFormsEncodeQueueSysidAndLength) {
  check_all({
      {"READQ TS QUEUE(Q1) INTO(&STRING)",
       expected(0x0A04, 7, {{3, 'I'}, {8, 'L'}}),
       {chr(2, "Q1", 8), var(3, "&STRING"), half(4, 23)},
       {}},
      // Neither TD nor TS: the TS form.
      {"READQ QUEUE(Q1) INTO(&STRING)",
       expected(0x0A04, 7, {{3, 'I'}, {8, 'L'}}),
       {chr(2, "Q1", 8), var(3, "&STRING"), half(4, 23)},
       {}},
      {"READQ TS QUEUE(ABCDEFGHIJ) INTO(&STRING) ITEM(2) NUMITEMS(&HWORD) SYSID(S1) "
       "LENGTH(&FWORD)",
       expected(0x0A04, 7, {{3, 'I'}, {4, 'I'}, {6, 'S'}, {7, 'N'}, {8, 'L'}}),
       {chr(2, "ABCDEFGH", 8), var(3, "&STRING"), var(4, "&FWORD"), half(5, 2), chr(6, "S1", 4),
        var(7, "&HWORD")},
       {}},
      // TD: the count is the highest position used; a default length does not raise it.
      {"READQ TD QUEUE(LONGNAME) INTO(&STRING)",
       expected(0x0804, 3, {{3, 'I'}, {4, 'L'}}),
       {chr(2, "LONG", 4), var(3, "&STRING"), half(4, 23)},
       {}},
      {"READQ TD QUEUE(Q1) SET(&FWORD) LENGTH(&HWORD) SYSID(S1)",
       expected(0x0804, 5, {{3, 'S'}, {4, 'L'}, {5, 'S'}}),
       {chr(2, "Q1", 4), var(3, "&FWORD"), var(4, "&HWORD"), chr(5, "S1", 4)},
       {}},
      {"READQ TD TS QUEUE(Q1) INTO(&STRING)",
       expected(0x0804, 3, {{3, 'I'}, {4, 'L'}}),
       {chr(2, "Q1", 4), var(3, "&STRING"), half(4, 23)},
       {kConflictingOption}},
      // RESP(R) is no option of the screen's row but still takes number 2.
      {"READQ TS QUEUE(Q1) RESP(R) INTO()",
       expected(0x0A04, 7, {{3, 'I'}, {8, 'L'}, {26, 'N'}}),
       {chr(2, "Q1", 8), dyn(3, 3), half(4, 32767)},
       {}},
      {"READQ TS ITEM(1)",
       expected(0x0A04, 7, {{4, 'I'}}),
       {half(5, 1)},
       {requires_option("QUEUE"), requires_option("SET or INTO")}},
  });
}

TEST_F(Queues, WriteqForms) {
  check_all({
      {"WRITEQ TS QUEUE(Q1) FROM(&STRING) MAIN",
       expected(0x0A02, 6, {{7, 'M'}}),
       {chr(2, "Q1", 8), var(3, "&STRING"), half(4, 23)},
       {}},
      {"WRITEQ QUEUE(Q1) FROM(&STRING) ITEM(&HWORD) REWRITE AUXILIARY SYSID(S1)",
       expected(0x0A02, 6, {{4, 'I'}, {5, 'R'}, {6, 'S'}, {7, 'A'}}),
       {chr(2, "Q1", 8), var(3, "&STRING"), half(4, 23), var(5, "&HWORD"), chr(6, "S1", 4)},
       {}},
      {"WRITEQ TD QUEUE(Q1) FROM(&STRING) LENGTH(5) SYSID(S1)",
       expected(0x0802, 5, {{4, 'L'}, {5, 'S'}}),
       {chr(2, "Q1", 4), var(3, "&STRING"), half(4, 5), chr(5, "S1", 4)},
       {}},
      {"WRITEQ TD QUEUE(Q1) FROM(&STRING)",
       expected(0x0802, 5, {{4, 'L'}}),
       {chr(2, "Q1", 4), var(3, "&STRING"), half(4, 23)},
       {}},
      {"WRITEQ TS TD QUEUE(Q1) FROM(&STRING) LENGTH(3)",
       expected(0x0A02, 6, {}),
       {chr(2, "Q1", 8), var(3, "&STRING"), half(4, 3)},
       {kConflictingOption}},
      {"WRITEQ TS MAIN",
       expected(0x0A02, 6, {{7, 'M'}}),
       {},
       {requires_option("QUEUE"), requires_option("FROM")}},
  });
}

TEST_F(Queues, DeleteqForms) {
  check_all({
      {"DELETEQ TS QUEUE(Q1)", expected(0x0A06, 3, {}), {chr(2, "Q1", 8)}, {}},
      {"DELETEQ TD QUEUE(Q1) SYSID(S1)",
       expected(0x0806, 3, {{5, 'S'}}),
       {chr(2, "Q1", 4), chr(3, "S1", 4)},
       {}},
      {"DELETEQ QUEUE(Q1) SYSID(S1)",
       expected(0x0A06, 3, {{6, 'S'}}),
       {chr(2, "Q1", 8), chr(3, "S1", 4)},
       {}},
      // A queue named by a variable is passed as the variable's own value.
      {"DELETEQ QUEUE(&STRING) NOHANDLE",
       expected(0x0A06, 3, {{26, 'N'}}),
       {var(2, "&STRING")},
       {}},
      {"DELETEQ SYSID(S1)",
       expected(0x0A06, 3, {{6, 'S'}}),
       {chr(3, "S1", 4)},
       {requires_option("QUEUE")}},
      {"DELETEQ TS TD QUEUE(Q1)", expected(0x0A06, 3, {}), {chr(2, "Q1", 8)}, {kConflictingOption}},
  });
}

}  // namespace
}  // namespace qcmd::testing
