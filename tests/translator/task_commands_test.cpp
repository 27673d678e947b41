// Task, interval and storage control: each case's descriptor and arguments
// are worked out from the option lists of the commands.
#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Tasks = CommandCases;

constexpr unsigned kAsktime = 0x1002, kDelay = 0x1004, kPost = 0x1006, kStart = 0x1008,
                   kRetrieve = 0x100A, kCancel = 0x100C, kEnq = 0x1204, kDeq = 0x1206,
                   kSuspend = 0x1208, kFormattime = 0x4A04, kGetmain = 0x0C02, kFreemain = 0x0C04;

TEST_F(Tasks, IntervalControl) {
  check_all({
      {"ASKTIME", expected(kAsktime, 2), {}, {}},
      {"ASKTIME ABSTIME(&DWORD)", expected(kAsktime, 2, {{3, 'A'}}), {var(2, "&DWORD")}, {}},
      {"DELAY", expected(kDelay, 1), {}, {}},
      {"DELAY INTERVAL(500) REQID(R1)",
       expected(kDelay, 3, {{3, 'I'}, {4, 'R'}}),
       {any(2), chr(3, "R1", 8)},
       {}},
      // FOR and UNTIL read their parts but pass nothing.
      {"DELAY FOR HOURS(1) SECONDS(30)", expected(kDelay, 1), {}, {}},
      {"DELAY UNTIL MINUTES(5)", expected(kDelay, 1), {}, {}},
      {"DELAY INTERVAL(1) TIME(2)", expected(kDelay, 2, {{3, 'T'}}), {any(2)}, {duplicate_flag()}},
      {"CANCEL", expected(kCancel, 4), {}, {}},
      {"CANCEL REQID(R1) TRANSID(T1) SYSID(S1)",
       expected(kCancel, 4, {{4, 'R'}, {5, 'T'}, {8, 'S'}}),
       {chr(2, "R1", 8), chr(3, "T1", 4), chr(4, "S1", 4)},
       {}},
      {"POST SET(&FWORD) INTERVAL(10)",
       expected(kPost, 3, {{3, 'I'}}),
       {any(2), var(3, "&FWORD")},
       {}},
      {"POST REQID(R1)",
       expected(kPost, 4, {{4, 'R'}}),
       {chr(4, "R1", 8)},
       {requires_option("SET")}},
  });
}

TEST_F(Tasks, StartAndRetrieve) {
  check_all({
      // The FROM area's length defaults to its variable's, and marks LENGTH.
      {"START TRANSID(T1) FROM(&STRING)",
       expected(kStart, 5, {{4, 'L'}, {5, 'F'}}),
       {chr(3, "T1", 4), var(5, "&STRING"), half(6, 23)},
       {}},
      {"START TRANSID(T1) INTERVAL(100) TERMID(L1) REQID(R1) PROTECT",
       expected(kStart, 7, {{3, 'I'}, {6, 'T'}, {12, 'P'}, {15, 'R'}}),
       {any(2), chr(3, "T1", 4), chr(4, "R1", 8), chr(7, "L1", 4)},
       {}},
      {"START FROM(&STRING) LENGTH(5) QUEUE(Q1) RTRANSID(R1) RTERMID(T2) SYSID(S1)",
       expected(kStart, 11, {{4, 'L'}, {5, 'F'}, {7, 'S'}, {8, 'R'}, {9, 'R'}, {10, 'Q'}}),
       {var(5, "&STRING"), half(6, 5), chr(8, "S1", 4), chr(9, "R1", 4), chr(10, "T2", 4),
        chr(11, "Q1", 8)},
       {requires_option("TRANSID")}},
      {"START TRANSID(T1) AFTER HOURS(1)",
       expected(kStart, 3),
       {chr(3, "T1", 4)},
       {unsupported("AFTER")}},
      {"RETRIEVE", expected(kRetrieve, 1), {}, {}},
      {"RETRIEVE INTO(&STRING) RTRANSID(&HWORD)",
       expected(kRetrieve, 4, {{3, 'I'}, {5, 'L'}, {8, 'R'}}),
       {var(2, "&STRING"), half(3, 23), var(4, "&HWORD")},
       {}},
      {"RETRIEVE SET(&FWORD) LENGTH(&HWORD) QUEUE(&STRING) RTERMID(&PACKED) WAIT",
       expected(kRetrieve, 6, {{3, 'S'}, {5, 'L'}, {9, 'R'}, {10, 'Q'}, {11, 'W'}}),
       {var(2, "&FWORD"), var(3, "&HWORD"), var(5, "&PACKED"), var(6, "&STRING")},
       {}},
  });
}

TEST_F(Tasks, ResourcesAndStorage) {
  check_all({
      {"ENQ RESOURCE(&STRING) LENGTH(4) LUW",
       expected(kEnq, 6, {{3, 'L'}, {5, 'L'}}),
       {var(2, "&STRING"), half(3, 4)},
       {}},
      {"ENQ RESOURCE(&STRING) TASK LUW",
       expected(kEnq, 6, {{5, 'L'}}),
       {var(2, "&STRING")},
       {duplicate_flag()}},
      {"ENQ MAXLIFETIME(&FWORD)",
       expected(kEnq, 6, {{5, 'M'}}),
       {var(4, "&FWORD")},
       {requires_option("RESOURCE")}},
      {"DEQ RESOURCE(&STRING) LENGTH(5)",
       expected(kDeq, 3, {{3, 'L'}}),
       {var(2, "&STRING"), half(3, 5)},
       {}},
      {"DEQ LENGTH(5)", expected(kDeq, 3, {{3, 'L'}}), {half(3, 5)}, {requires_option("RESOURCE")}},
      {"SUSPEND", expected(kSuspend, 1), {}, {}},
      {"GETMAIN SET(&FWORD) LENGTH(100) INITIMG(X)",
       expected(kGetmain, 4, {{3, 'I'}, {4, 'L'}}),
       {var(2, "&FWORD"), half(3, 100), chr(4, "X", 1)},
       {}},
      {"GETMAIN SET(&FWORD) SHARED",
       expected(kGetmain, 4, {{6, 'S'}}),
       {var(2, "&FWORD")},
       {requires_option("FLENGTH or LENGTH ")}},
      {"GETMAIN FLENGTH(70000)",
       expected(kGetmain, 4, {{4, 'F'}}),
       {full(3, 70000)},
       {requires_option("SET")}},
      {"FREEMAIN DATA(&FWORD)", expected(kFreemain, 2), {var(2, "&FWORD")}, {}},
  });
}

// FORMATTIME sets one bit per option in positions shared by four options
// and passes its areas in the order of their priorities.
TEST_F(Tasks, FormattimeBitsAndPriorities) {
  check_all({
      {"FORMATTIME ABSTIME(&DWORD) YYMMDD(&STRING) DATESEP TIME(&PACKED) TIMESEP(X)",
       expected(kFormattime, 6, {{3, 0x28}, {4, 0x28}, {8, 0x22}, {9, 0x2C}}),
       {var(2, "&DWORD"), var(3, "&STRING"), chr(4, "/", 2), var(5, "&PACKED"), chr(6, "X", 2)},
       {}},
      // Written out of order, three of one position: 8, 2 and 1 above 0x20.
      {"FORMATTIME DDMMYY(&STRING) MMDDYY(&FWORD) ABSTIME(&DWORD) YYMMDD(&HWORD)",
       expected(kFormattime, 5, {{3, 0x28}, {4, 0x2B}}),
       {var(2, "&DWORD"), var(3, "&HWORD"), var(4, "&FWORD"), var(5, "&STRING")},
       {}},
      {"FORMATTIME TIME(&STRING) TIMESEP",
       expected(kFormattime, 3, {{9, 0x2C}}),
       {var(2, "&STRING"), chr(3, ":", 2)},
       {requires_option("ABSTIME")}},
  });
}

}  // namespace
}  // namespace qcmd::testing
