// Task, interval and storage control: ASKTIME, CANCEL, DELAY, DEQ, ENQ,
// FORMATTIME, FREEMAIN, GETMAIN, POST, RETRIEVE, START and SUSPEND.
// Intervals and times are packed decimal HHMMSS (7 digits); request
// identifiers are 8 characters, transaction and terminal names 4.
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

constexpr int kDateSepPriority = 19;
constexpr int kTimeSepPriority = 22;
constexpr int kSeparatorLength = 2;

const Command kTaskCommands[] = {
    {.words = {TK_ASKTIME},
     .index = 4,
     .bare = true,
     .options = {{TK_ABSTIME, kValueOrEmpty, {flag('A', 3), ref(2)}}}},
    {.words = {TK_CANCEL},
     .index = 7,
     .bare = true,
     .options = {{TK_REQID, kValue, {flag('R', 4), chars(8, 2)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 4)}},
                 {TK_TRANSID, kValue, {flag('T', 5), chars(4, 3)}}}},
    // FOR and UNTIL with HOURS, MINUTES and SECONDS are read but pass
    // nothing: INTERVAL and TIME are the forms the monitor acts on.
    {.words = {TK_DELAY},
     .index = 10,
     .bare = true,
     .bare_steps = {use_max()},
     .options = {{TK_FOR, kAlone, {}, Then::kHoursMinutesSeconds},
                 {TK_INTERVAL, kValue, {flag('I', 3), packed(2)}},
                 {TK_REQID, kValue, {flag('R', 4), chars(8, 3)}},
                 {TK_TIME, kValue, {flag('T', 3), packed(2)}},
                 {TK_UNTIL, kAlone, {}, Then::kHoursMinutesSeconds}},
     .completion = {use_max()}},
    {.words = {TK_DEQ},
     .index = 14,
     .options = {{TK_LENGTH, kValue, {flag('L', 3), half(3), length_given(1)}},
                 {TK_RESOURCE, kValueOrEmpty, {ref(2), data_area(1)}}},
     .completion = {required("RESOURCE", 2)}},
    {.words = {TK_ENQ},
     .index = 17,
     .options = {{TK_LENGTH, kValue, {flag('L', 3), half(3)}},
                 {TK_LUW, kAlone, {flag('L', 5)}},
                 {TK_MAXLIFETIME, kValueOrEmpty, {flag('M', 5), ref(4)}},
                 {TK_RESOURCE, kValueOrEmpty, {ref(2), data_area(1)}},
                 {TK_TASK, kAlone, {flag('T', 5)}}},
     .completion = {required("RESOURCE", 2)}},
    // Every FORMATTIME option sets one bit of a shared position (four options
    // to a position) and passes its area by priority, so the monitor finds
    // the areas in a fixed order whatever order they were written in.
    {.words = {TK_FORMATTIME},
     .index = 21,
     .options = {{TK_ABSTIME, kValue, {bit(8, 3), prio(2)}},
                 {TK_DATE, kValueOrEmpty, {bit(8, 8), prio(17)}},
                 {TK_DATEFORM, kValueOrEmpty, {bit(4, 8), prio(18)}},
                 {TK_DATESEP, kValue, {bit(2, 8), prio_char(kDateSepPriority, kSeparatorLength)}},
                 {TK_DATESEP,
                  kAlone,
                  {bit(2, 8), prio_char(kDateSepPriority, kSeparatorLength).from_text("/")}},
                 {TK_DAYCOUNT, kValueOrEmpty, {bit(1, 8), prio(20)}},
                 {TK_DAYOFMONTH, kValueOrEmpty, {bit(4, 7), prio(14)}},
                 {TK_DAYOFWEEK, kValueOrEmpty, {bit(8, 7), prio(13)}},
                 {TK_DDMMYY, kValueOrEmpty, {bit(1, 4), prio(6)}},
                 {TK_DDMMYYYY, kValueOrEmpty, {bit(1, 5), prio(10)}},
                 {TK_MMDDYY, kValueOrEmpty, {bit(2, 4), prio(5)}},
                 {TK_MMDDYYYY, kValueOrEmpty, {bit(2, 5), prio(9)}},
                 {TK_MONTHOFYEAR, kValueOrEmpty, {bit(2, 7), prio(15)}},
                 {TK_TIME, kValueOrEmpty, {bit(8, 9), prio(21)}},
                 {TK_TIMESEP, kValue, {bit(4, 9), prio_char(kTimeSepPriority, kSeparatorLength)}},
                 {TK_TIMESEP,
                  kAlone,
                  {bit(4, 9), prio_char(kTimeSepPriority, kSeparatorLength).from_text(":")}},
                 {TK_YEAR, kValueOrEmpty, {bit(1, 7), prio(16)}},
                 {TK_YYDDD, kValueOrEmpty, {bit(8, 6), prio(11)}},
                 {TK_YYDDMM, kValueOrEmpty, {bit(4, 4), prio(4)}},
                 {TK_YYMMDD, kValueOrEmpty, {bit(8, 4), prio(3)}},
                 {TK_YYYYDDD, kValueOrEmpty, {bit(4, 6), prio(12)}},
                 {TK_YYYYDDMM, kValueOrEmpty, {bit(4, 5), prio(8)}},
                 {TK_YYYYMMDD, kValueOrEmpty, {bit(8, 5), prio(7)}}},
     // ABSTIME is placed by priority, so what was written is what is checked.
     .completion = {required_option("ABSTIME", TK_ABSTIME)}},
    {.words = {TK_FREEMAIN}, .index = 23, .options = {{TK_DATA, kValueOrEmpty, {ref(2)}}}},
    {.words = {TK_GETMAIN},
     .index = 24,
     .options = {{TK_FLENGTH, kValue, {flag('F', 4), full(3), length_given(1)}},
                 {TK_INITIMG, kValue, {flag('I', 3), chars(1, 4)}},
                 {TK_LENGTH, kValue, {flag('L', 4), half(3), length_given(1)}},
                 {TK_SET, kValueOrEmpty, {ref(2)}},
                 {TK_SHARED, kAlone, {flag('S', 6)}}},
     .completion =
         {missing("FLENGTH or LENGTH ").unless_written(TK_LENGTH).unless_written(TK_FLENGTH),
          required("SET", 2)}},
    {.words = {TK_POST},
     .index = 47,
     .options = {{TK_INTERVAL, kValue, {flag('I', 3), packed(2)}},
                 {TK_REQID, kValue, {flag('R', 4), chars(8, 4)}},
                 {TK_SET, kValueOrEmpty, {ref(3)}},
                 {TK_TIME, kValue, {flag('T', 3), packed(2)}}},
     .completion = {required("SET", 3), use_max()}},
    {.words = {TK_RETRIEVE},
     .index = 59,
     .bare = true,
     .bare_steps = {use_max()},
     .options = {{TK_INTO, kValueOrEmpty, {flag('I', 3), ref(2), data_area(1)}},
                 {TK_LENGTH, kValueOrEmpty, {flag('L', 5), ref(3), length_given(1)}},
                 {TK_QUEUE, kValueOrEmpty, {flag('Q', 10), ref(6)}},
                 {TK_RTERMID, kValueOrEmpty, {flag('R', 9), ref(5)}},
                 {TK_RTRANSID, kValueOrEmpty, {flag('R', 8), ref(4)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(2)}},
                 {TK_WAIT, kAlone, {flag('W', 11)}}},
     .completion = {flag('L', 5).if_default_needed(1), default_length(1, 3), use_max()}},
    // AFTER and AT are read whole but not carried out: INTERVAL and TIME are.
    {.words = {TK_START},
     .index = 71,
     .options = {{TK_AFTER, kAlone, {unsupported()}, Then::kHoursMinutesSeconds},
                 {TK_AT, kAlone, {unsupported()}, Then::kHoursMinutesSeconds},
                 {TK_FROM, kValue, {flag('F', 5), ref(5), data_area(1)}},
                 {TK_INTERVAL, kValue, {flag('I', 3), packed(2)}},
                 {TK_LENGTH, kValue, {flag('L', 4), half(6), length_given(1)}},
                 {TK_PROTECT, kAlone, {flag('P', 12)}},
                 {TK_QUEUE, kValue, {flag('Q', 10), chars(8, 11)}},
                 {TK_REQID, kValue, {flag('R', 15), chars(8, 4)}},
                 {TK_RTERMID, kValue, {flag('R', 9), chars(4, 10)}},
                 {TK_RTRANSID, kValue, {flag('R', 8), chars(4, 9)}},
                 {TK_SYSID, kValue, {flag('S', 7), chars(4, 8)}},
                 {TK_TERMID, kValue, {flag('T', 6), chars(4, 7)}},
                 {TK_TIME, kValue, {flag('T', 3), packed(2)}},
                 {TK_TRANSID, kValue, {chars(4, 3)}}},
     .completion = {default_length(1, 6), flag('L', 4).if_default_needed(1), use_max(),
                    required("TRANSID", 3)}},
    {.words = {TK_SUSPEND}, .index = 73, .bare = true},
};

}  // namespace

std::span<const Command> task_commands() {
  return kTaskCommands;
}

}  // namespace qcmd
