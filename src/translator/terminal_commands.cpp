// The terminal and conversation commands: SEND and RECEIVE in their terminal
// and BMS forms, CONVERSE, ISSUE, WAIT, and the conversation verbs ALLOCATE,
// CONNECT PROCESS, EXTRACT, FREE and PURGE MESSAGE.
//
// SEND and RECEIVE encode most options only when the statement ends,
// because their flag and parameter positions depend on the form the command
// has reached by then: the options collect, and the completion writes each
// collected option for the final form.
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

// Table indexes of the forms.
constexpr int kSend = 63;
constexpr int kSendControl = 64;
constexpr int kSendMap = 65;
constexpr int kSendPage = 66;
constexpr int kSendText = 67;
constexpr int kReceive = 55;
constexpr int kReceiveMap = 56;
constexpr int kIssue = 1;  // until the second word
constexpr int kWaitConvid = 77;
constexpr int kWaitEvent = 78;
constexpr int kWaitJournal = 79;

const Command kTerminalCommands[] = {
    {.words = {TK_SEND},
     .index = kSend,
     .bare = true,
     .bare_steps = {complete()},
     .options = {{TK_ACCUM, kAlone, {flag('A', 11)}},
                 {TK_ACTPARTN, kValue, {collect(Field::kActpartn)}},
                 {TK_ALARM, kAlone, {flag('A', 15)}},
                 {TK_ALL, kAlone, {}},
                 {TK_ASIS, kAlone, {flag('A', 4)}},
                 {TK_AUTOPAGE, kAlone, {flag('A', 6)}},
                 {TK_CONFIRM, kAlone, {flag('C', 18)}},
                 {TK_CONTROL, kAlone, {form(kSendControl)}},
                 {TK_CONVID, kValue, {flag('C', 20), chars(4, 10)}},
                 {TK_CTLCHAR, kValue, {flag('C', 7), chars(1, 6)}},
                 {TK_CURRENT, kAlone, {}},
                 {TK_CURSOR, kValue, {flag('C', 8), collect(Field::kCursor)}},
                 {TK_CURSOR, kAlone, {flag('C', 8), collect(Field::kCursor).from_text("-1")}},
                 {TK_DATAONLY, kAlone, {flag('D', 3)}},
                 {TK_DEFRESP, kAlone, {flag('D', 8)}},
                 {TK_ERASE, kAlone, {collect(Field::kErase)}},
                 {TK_ERASEAUP, kAlone, {flag('A', 12)}},
                 {TK_FLENGTH, kValue, {flag('F', 19), full(3), length_given(1)}},
                 {TK_FMH, kAlone, {flag('F', 11)}},
                 {TK_FMHPARM, kAlone, {flag('F', 5)}},
                 {TK_FORMFEED, kAlone, {collect(Field::kFormfeed)}},
                 {TK_FREEKB, kAlone, {flag('F', 14)}},
                 {TK_FROM, kEmpty, {unsupported()}},
                 {TK_FROM, kValue, {collect(Field::kFrom), data_area(1)}},
                 {TK_FRSET, kAlone, {flag('F', 16)}},
                 {TK_HEADER, kValueOrEmpty, {flag('H', 3), ref(9)}},
                 {TK_HONEOM, kAlone, {flag('H', 17)}},
                 {TK_INVITE, kAlone, {flag('I', 10)}},
                 {TK_JUSFIRST, kAlone, {}},
                 {TK_JUSLAST, kAlone, {}},
                 {TK_JUSTIFY, kValue, {flag('J', 16), half(5)}},
                 {TK_L40, kAlone, {flag('H', 17)}},
                 {TK_L64, kAlone, {flag('H', 17)}},
                 {TK_L80, kAlone, {flag('8', 17)}},
                 {TK_LAST, kAlone, {collect(Field::kLast)}},
                 {TK_LDC, kValue, {collect(Field::kLdc)}},
                 {TK_LEAVEKB, kAlone, {flag('L', 12)}},
                 {TK_LENGTH, kValue, {collect(Field::kLength), length_given(1)}},
                 {TK_LINEADDR, kValue, {flag('L', 13), half(8)}},
                 {TK_MAP, kValue, {chars(7, 2), chars(7, 5), form(kSendMap), encoding::map_name()}},
                 {TK_MAPONLY, kAlone, {flag('M', 3)}},
                 {TK_MAPPED, kAlone, {flag('M', 11)}},
                 {TK_MAPSET, kValue, {chars(7, 5)}},
                 {TK_MSR, kValue, {collect(Field::kMsr)}},
                 {TK_OPERPURGE, kAlone, {flag('O', 7)}},
                 {TK_OUTPARTN, kValue, {collect(Field::kOutpartn)}},
                 {TK_PAGE, kAlone, {form(kSendPage)}},
                 {TK_PAGING, kAlone, {flag('P', 9)}},
                 {TK_PRINT, kAlone, {flag('P', 13)}},
                 {TK_REQID, kValue, {flag('R', 6), chars(2, 7)}},
                 {TK_SESSION, kValue, {flag('S', 20), chars(4, 10)}},
                 {TK_SET, kValue, {collect(Field::kSet)}},
                 // Empty parentheses need a form that passes SET.
                 {TK_SET, kEmpty, {collect(Field::kSet).unless_form(kSend)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 22), ref(11)}},
                 {TK_STRFIELD, kAlone, {flag('S', 16)}},
                 {TK_TERMINAL, kAlone, {flag('T', 9)}},
                 {TK_TEXT, kAlone, {form(kSendText)}},
                 {TK_TRAILER, kValue, {collect(Field::kTrailer)}},
                 {TK_TRAILER, kEmpty, {collect(Field::kTrailer).if_form(kSendText)}},
                 {TK_WAIT, kAlone, {collect(Field::kWait)}}},
     .completion =
         {// The collected options, option by option, for each form that has them.
          on(kSend, Field::kLength, flag('L', 19)), on(kSend, Field::kLength, half(3)),
          on(kSendMap, Field::kLength, flag('L', 4)), on(kSendMap, Field::kLength, half(4)),
          on(kSendText, Field::kLength, half(3)),

          on(kSend, Field::kFrom, flag('F', 21)), on(kSend, Field::kFrom, ref(2)),
          on(kSendMap, Field::kFrom, flag('F', 21).unless_dynamic()),
          on(kSendMap, Field::kFrom, ref(3).unless_dynamic()),
          on(kSendText, Field::kFrom, flag('F', 21).if_blank(21)),
          on(kSendText, Field::kFrom, ref(2)),

          on(kSend, Field::kWait, flag('W', 18)), on(kSendControl, Field::kWait, flag('W', 10)),
          on(kSendMap, Field::kWait, flag('W', 10)), on(kSendText, Field::kWait, flag('W', 10)),

          on(kSend, Field::kErase, flag('E', 9)), on(kSendControl, Field::kErase, flag('E', 12)),
          on(kSendMap, Field::kErase, flag('E', 12)), on(kSendText, Field::kErase, flag('E', 12)),

          on(kSend, Field::kLast, flag('L', 10)), on(kSendControl, Field::kLast, flag('L', 19)),
          on(kSendMap, Field::kLast, flag('L', 19)), on(kSendPage, Field::kLast, flag('L', 9)),
          on(kSendText, Field::kLast, flag('L', 19)),

          on(kSend, Field::kLdc, flag('L', 11)), on(kSend, Field::kLdc, chars(2, 7)),
          on(kSendControl, Field::kLdc, flag('L', 7)), on(kSendControl, Field::kLdc, chars(2, 6)),
          on(kSendMap, Field::kLdc, flag('L', 7)), on(kSendMap, Field::kLdc, chars(2, 8)),
          on(kSendText, Field::kLdc, flag('L', 7)), on(kSendText, Field::kLdc, chars(2, 8)),

          on(kSendControl, Field::kCursor, half(5)), on(kSendMap, Field::kCursor, half(9)),
          on(kSendText, Field::kCursor, half(4)),

          on(kSendControl, Field::kFormfeed, flag('F', 3)),
          on(kSendMap, Field::kFormfeed, flag('F', 20)),
          on(kSendText, Field::kFormfeed, flag('F', 20)),

          on(kSendControl, Field::kSet, flag('S', 9)), on(kSendControl, Field::kSet, ref(8)),
          on(kSendMap, Field::kSet, flag('S', 9)), on(kSendMap, Field::kSet, ref(6)),
          on(kSendPage, Field::kSet, flag('S', 10)), on(kSendPage, Field::kSet, ref(5)),
          on(kSendText, Field::kSet, flag('S', 9)), on(kSendText, Field::kSet, ref(6)),

          on(kSendControl, Field::kOutpartn, flag('O', 5)),
          on(kSendControl, Field::kOutpartn, chars(2, 3)),
          on(kSendMap, Field::kOutpartn, flag('O', 21)),
          on(kSendMap, Field::kOutpartn, chars(2, 10)),
          on(kSendText, Field::kOutpartn, force_flag('O', 21)),
          on(kSendText, Field::kOutpartn, chars(2, 11)),

          on(kSendControl, Field::kActpartn, flag('A', 18)),
          on(kSendControl, Field::kActpartn, chars(2, 4)),
          on(kSendMap, Field::kActpartn, flag('A', 22)),
          on(kSendMap, Field::kActpartn, chars(2, 11)),
          on(kSendText, Field::kActpartn, flag('A', 22)),
          on(kSendText, Field::kActpartn, chars(2, 12)),

          on(kSendControl, Field::kMsr, flag('M', 4)), on(kSendControl, Field::kMsr, full(2)),
          on(kSendMap, Field::kMsr, full(12)), on(kSendText, Field::kMsr, full(13)),

          on(kSendText, Field::kTrailer, flag('T', 4)), on(kSendText, Field::kTrailer, ref(10)),

          // Then what each form adds.
          flag('L', 19).if_form(kSend).if_default_needed(1), default_length(1, 3).if_form(kSend),

          flag('T', 9).if_form(kSendControl).if_blank(9),
          flag('H', 17).if_form(kSendControl).if_blank(17),

          flag('L', 19).if_form(kSendMap).if_default_needed(1),
          default_length(1, 4).if_form(kSendMap), flag('T', 9).if_form(kSendMap).if_blank(9),
          flag('H', 17).if_form(kSendMap).if_blank(17),

          flag('L', 19).if_form(kSendText).unless_passed(3).if_blank(19),
          default_length(1, 3).if_form(kSendText), flag('T', 9).if_form(kSendText).if_blank(9),
          flag('H', 17).if_form(kSendText).if_blank(17).unless_holds(11, 'M').unless_holds(11, 'N'),
          required("FROM", 2).if_form(kSendText)}},

    {.words = {TK_RECEIVE},
     .index = kReceive,
     .bare = true,
     .bare_steps = {missing("INTO or SET"), missing("LENGTH")},
     .options = {{TK_ASIS, kAlone, {flag('A', 4)}},
                 {TK_BUFFER, kAlone, {flag('B', 5)}},
                 {TK_CONVID, kValue, {flag('C', 20), chars(4, 6)}},
                 {TK_FLENGTH, kValueOrEmpty, {flag('F', 8), ref(3), length_given(1)}},
                 {TK_FROM, kValueOrEmpty, {flag('F', 3), ref(6), data_area(1)}},
                 {TK_INPARTN, kValue, {flag('I', 6), chars(2, 7)}},
                 {TK_INTO, kValueOrEmpty, {collect(Field::kInto)}},
                 {TK_LEAVEKB, kAlone, {flag('L', 12)}},
                 {TK_LENGTH,
                  kEmpty,
                  {collect(Field::kLength).if_form(kReceive), length_given(1).if_form(kReceive),
                   unsupported().if_form(kReceiveMap)}},
                 {TK_LENGTH, kValue, {collect(Field::kLength), length_given(1)}},
                 {TK_MAP,
                  kValue,
                  {chars(7, 2), chars(7, 5), form_unchecked(kReceiveMap), encoding::map_name()}},
                 {TK_MAPSET, kValue, {chars(7, 5)}},
                 {TK_MAXFLENGTH, kValue, {flag('F', 7), full(4)}},
                 {TK_MAXLENGTH, kValue, {flag('H', 7), half(4)}},
                 {TK_PASSBK, kAlone, {flag('P', 14)}},
                 {TK_SESSION, kValue, {flag('S', 15), chars(4, 6)}},
                 {TK_SET, kValueOrEmpty, {collect(Field::kSet)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 22), ref(7)}},
                 {TK_TERMINAL, kAlone, {flag('T', 3)}}},
     .completion = {on(kReceiveMap, Field::kInto, flag('I', 5)),
                    on(kReceiveMap, Field::kInto, ref(3)),
                    on(kReceiveMap, Field::kSet, flag('S', 5)),
                    on(kReceiveMap, Field::kSet, ref(3)), on(kReceiveMap, Field::kLength, half(4)),
                    flag('T', 3).if_form(kReceiveMap).if_blank(3),
                    default_map().if_form(kReceiveMap), default_length(1, 4).if_form(kReceiveMap),

                    on(kReceive, Field::kInto, flag('I', 3)), on(kReceive, Field::kInto, ref(2)),
                    on(kReceive, Field::kSet, flag('S', 3)), on(kReceive, Field::kSet, ref(2)),
                    on(kReceive, Field::kLength, flag('L', 8)),
                    on(kReceive, Field::kLength, ref(3)), on(kReceive, Field::kInto, data_area(1)),
                    flag('L', 8).if_form(kReceive).if_default_needed(1),
                    default_length(1, 3).if_form(kReceive)}},

    {.words = {TK_CONVERSE},
     .index = 9,
     .options = {{TK_CONVID, kValue, {flag('C', 20), chars(4, 6)}},
                 {TK_CTLCHAR, kValue, {flag('C', 7), chars(1, 7)}},
                 {TK_DEST, kValue, {flag('D', 9), chars(4, 9)}},
                 {TK_ERASE, kAlone, {flag('E', 10)}},
                 {TK_FROM, kValueOrEmpty, {flag('F', 3), ref(2), data_area(1)}},
                 {TK_FROMFLENGTH, kValue, {flag('F', 16), full(3), length_given(1)}},
                 {TK_FROMLENGTH, kValue, {half(3), length_given(1)}},
                 {TK_INTO, kEmpty, {flag('I', 4), ref(4), data_area(2)}},
                 {TK_INTO, kValue, {flag('I', 4), data_area(2)}},
                 {TK_MAXFLENGTH, kValue, {flag('F', 15), full(13), length_given(1)}},
                 {TK_MAXLENGTH, kValue, {flag('H', 15), half(13), length_given(1)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 4), ref(4)}},
                 {TK_STATE, kValue, {unsupported()}},
                 {TK_STRFIELD, kAlone, {flag('S', 14)}},
                 {TK_TOFLENGTH, kValueOrEmpty, {flag('F', 5), ref(5), length_given(2)}},
                 {TK_TOLENGTH, kValueOrEmpty, {flag('T', 5), ref(5), length_given(2)}}},
     .completion = {default_length(1, 3), flag('T', 5).if_default_needed(2), default_length(2, 5),
                    required("FROM", 2)}},

    {.words = {TK_ISSUE},
     .index = kIssue,
     .bare = true,
     .bare_steps = {complete()},
     .options = {{TK_ABEND, kAlone, {form(37)}},
                 {TK_CONFIRMATION, kAlone, {form(38)}},
                 {TK_CONVID, kValue, {chars(4, 2)}},
                 {TK_ERASEAUP, kAlone, {form(39)}},
                 {TK_ERROR, kAlone, {form(40)}},
                 {TK_PREPARE, kAlone, {form(kNoOpcode)}},
                 {TK_PRINT, kAlone, {form(41)}},
                 {TK_SIGNAL, kAlone, {form(42)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 22), ref(3)}},
                 {TK_WAIT, kAlone, {flag('W', 3)}}},
     .completion = {fixed(FixedDiagnostic::kMissingIssueWord).if_form(kIssue)},
     .clash = FixedDiagnostic::kConflictingOption},

    // Which operand WAIT requires at position 2 depends on the form: ECADDR
    // for WAIT EVENT, JFILEID for WAIT JOURNAL; CONVID always passes it.
    {.words = {TK_WAIT},
     .index = kOpenWaitForm,
     .options = {{TK_CONVID, kValue, {chars(4, 2), form(kWaitConvid)}},
                 {TK_ECADDR, kValueOrEmpty, {ref(2)}},
                 {TK_EVENT, kAlone, {form(kWaitEvent)}},
                 {TK_JFILEID, kValue, {half(2)}},
                 {TK_JOURNAL, kAlone, {form(kWaitJournal)}},
                 {TK_REQID, kValue, {flag('R', 3), full(3)}},
                 {TK_STARTIO, kAlone, {flag('S', 4)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 3), ref(3)}},
                 {TK_TERMINAL,
                  kAlone,
                  {unsupported_command("WAIT TERMINAL").if_form(kOpenWaitForm),
                   fixed(FixedDiagnostic::kConflictingOptions).unless_form(kOpenWaitForm)}}},
     .completion = {required("ECADDR", 2).if_form(kWaitEvent),
                    required("JFILEID", 2).if_form(kWaitJournal)}},

    {.words = {TK_ALLOCATE},
     .index = 3,
     .options = {{TK_PROFILE, kValue, {flag('P', 3), chars(8, 3)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 4), ref(4)}},
                 {TK_SYSID, kValue, {chars(4, 2)}}},
     .completion = {required_option("SYSID", TK_SYSID)}},

    {.words = {TK_CONNECT, TK_PROCESS},
     .index = 8,
     .options = {{TK_CONVID, kValue, {chars(4, 2)}},
                 {TK_PIPLENGTH, kValue, {unsupported()}},
                 {TK_PIPLIST, kValue, {unsupported()}},
                 {TK_PROCLENGTH, kValue, {half(4), length_given(1)}},
                 {TK_PROCNAME, kValueOrEmpty, {ref(3), data_area(1)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 6), ref(6)}},
                 {TK_SYNCLEVEL, kValue, {half(5)}}},
     .completion = {default_length(1, 4), required("CONVID", 2), required("PROCNAME", 3),
                    required("SYNCLEVEL", 5)}},

    {.words = {TK_EXTRACT, TK_ATTRIBUTES},
     .index = 19,
     .options = {{TK_CONVID, kValue, {chars(4, 2)}},
                 {TK_SESSION, kValue, {chars(4, 2)}},
                 {TK_STATE, kValueOrEmpty, {ref(3)}}},
     .completion = {required("STATE", 3)}},

    {.words = {TK_EXTRACT, TK_PROCESS},
     .index = 20,
     .options = {{TK_CONVID, kValue, {chars(4, 2)}},
                 {TK_MAXPROCLEN, kValue, {flag('M', 6), full(5)}},
                 {TK_PIPLENGTH, kValueOrEmpty, {flag('I', 9), ref(8)}},
                 {TK_PIPLIST, kValueOrEmpty, {flag('P', 8), ref(7)}},
                 {TK_PROCLENGTH, kValueOrEmpty, {flag('L', 5), ref(4)}},
                 {TK_PROCNAME, kValueOrEmpty, {flag('N', 4), ref(3)}},
                 {TK_SYNCLEVEL, kValueOrEmpty, {flag('S', 7), ref(6)}}},
     .completion = {missing("PIPLENGTH").if_holds(8, 'P').unless_holds(9, 'I')}},

    {.words = {TK_FREE},
     .index = 22,
     .bare = true,
     .options = {{TK_CONVID, kValue, {flag('C', 3), chars(4, 2)}},
                 {TK_STATE, kValueOrEmpty, {flag('S', 4), ref(3)}}}},

    {.words = {TK_PURGE, TK_MESSAGE}, .index = 48, .bare = true},
};

}  // namespace

std::span<const Command> terminal_commands() {
  return kTerminalCommands;
}

}  // namespace qcmd
