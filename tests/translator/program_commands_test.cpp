// Program control and the handling stack: each case's descriptor and
// arguments are worked out from the option lists of the commands.
#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Programs = CommandCases;

constexpr unsigned kLink = 0x0E02, kXctl = 0x0E04, kLoad = 0x0E06, kReturn = 0x0E08,
                   kRelease = 0x0E0A, kAbend = 0x0E0C, kPush = 0x020C, kPop = 0x020E;

TEST_F(Programs, LinkAndXctlPassProgramCommareaAndItsLength) {
  check_all({
      // The COMMAREA's length defaults to its variable's (23 bytes).
      {"LINK PROGRAM(ECHO) COMMAREA(&STRING)",
       expected(kLink, 7, {{3, 'C'}}),
       {chr(2, "ECHO", 8), var(3, "&STRING"), half(4, 23)},
       {}},
      {"LINK COMMAREA(&STRING) LENGTH(10) DATALENGTH(5) SYSID(S1) TRANSID(T1) SYNCONRETURN",
       expected(kLink, 7, {{3, 'C'}, {4, 'D'}, {5, 'S'}, {6, 'T'}, {7, 'S'}}),
       {var(3, "&STRING"), half(4, 10), half(5, 5), chr(6, "S1", 4), chr(7, "T1", 4)},
       {requires_option("PROGRAM")}},
      {"XCTL", expected(kXctl, 4), {}, {requires_option("PROGRAM")}},
      {"XCTL PROGRAM(NEXTPROGRAM) COMMAREA(&STRING) LENGTH(5)",
       expected(kXctl, 4, {{3, 'C'}}),
       {chr(2, "NEXTPROG", 8), var(3, "&STRING"), half(4, 5)},
       {}},
      {"XCTL COMMAREA(&STRING)",
       expected(kXctl, 4, {{3, 'C'}}),
       {var(3, "&STRING"), half(4, 23)},
       {requires_option("PROGRAM")}},
  });
}

TEST_F(Programs, ReturnAndLoadCountTheHighestPositionUsed) {
  check_all({
      {"RETURN", expected(kReturn, 1), {}, {}},
      // A default length does not raise the count.
      {"RETURN TRANSID(T1) COMMAREA(&STRING) IMMEDIATE",
       expected(kReturn, 3, {{3, 'C'}, {4, 'T'}, {5, 'I'}}),
       {chr(2, "T1", 4), var(3, "&STRING"), half(4, 23)},
       {}},
      {"RETURN TRANSID(T1)", expected(kReturn, 2, {{4, 'T'}}), {chr(2, "T1", 4)}, {}},
      {"LOAD PROGRAM(P1) SET(&FWORD) LENGTH(&HWORD) HOLD",
       expected(kLoad, 4, {{3, 'S'}, {4, 'L'}, {6, 'H'}}),
       {chr(2, "P1", 8), var(3, "&FWORD"), var(4, "&HWORD")},
       {}},
      {"LOAD PROGRAM(P1) ENTRY(&FWORD)",
       expected(kLoad, 5, {{5, 'E'}}),
       {chr(2, "P1", 8), var(5, "&FWORD")},
       {}},
      {"LOAD PROGRAM(P1) LENGTH(&HWORD) FLENGTH(&FWORD)",
       expected(kLoad, 4, {{4, 'F'}}),
       {chr(2, "P1", 8), var(4, "&FWORD")},
       {duplicate_flag()}},
      {"RELEASE PROGRAM(P1)", expected(kRelease, 2), {chr(2, "P1", 8)}, {}},
  });
}

TEST_F(Programs, AbendPushAndPop) {
  const Diagnostic handle_twice{kSeverityError, "Option HANDLE already specified"};
  check_all({
      {"ABEND", expected(kAbend, 2), {}, {}},
      {"ABEND ABCODE(AB12) CANCEL",
       expected(kAbend, 2, {{3, 'A'}, {4, 'C'}}),
       {chr(2, "AB12", 4)},
       {}},
      {"ABEND CANCEL CANCEL", expected(kAbend, 2, {{4, 'C'}}), {}, {duplicate_flag()}},
      {"PUSH HANDLE", expected(kPush, 1), {}, {}},
      {"POP HANDLE", expected(kPop, 1), {}, {}},
      {"PUSH HANDLE HANDLE", expected(kPush, 1), {}, {handle_twice}},
      {"POP", expected(kPop, 1), {}, {requires_option("HANDLE")}},
      {"PUSH RESP(R)", expected(kPush, 1, {{26, 'N'}}), {}, {requires_option("HANDLE")}},
  });
}

}  // namespace
}  // namespace qcmd::testing
