// The queue commands READQ, WRITEQ and DELETEQ, each in a transient data
// (TD) and a temporary storage (TS) form. They start under the table entry
// of the file verb and take their form from TD or TS, or TS when neither is
// written; the queue name and SYSID are collected, because their lengths and
// positions differ between the forms.
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

// Table indexes: the start of each verb and its two forms.
constexpr int kReadqStart = 50;
constexpr int kReadqTd = 53;
constexpr int kReadqTs = 54;
constexpr int kWriteqStart = 80;
constexpr int kWriteqTd = 81;
constexpr int kWriteqTs = 82;
constexpr int kDeleteqStart = 11;
constexpr int kDeleteqTd = 12;
constexpr int kDeleteqTs = 13;

const Command kQueueCommands[] = {
    {.words = {TK_READQ},
     .index = kReadqStart,
     .options = {{TK_INTO, kValueOrEmpty, {flag('I', 3), ref(3), data_area(1)}},
                 {TK_ITEM, kValue, {flag('I', 4), half(5)}},
                 {TK_LENGTH, kValueOrEmpty, {ref(4), length_given(1)}},
                 {TK_NUMITEMS, kValueOrEmpty, {flag('N', 7), ref(7)}},
                 {TK_QUEUE, kValue, {collect(Field::kQueue)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(3)}},
                 {TK_SYSID, kValue, {collect(Field::kSysid)}},
                 {TK_TD, kAlone, {form(kReadqTd)}},
                 {TK_TS, kAlone, {form(kReadqTs)}}},
     .completion =
         {form_unchecked(kReadqTs).if_form(kReadqStart),

          on(kReadqTs, Field::kQueue, chars(8, 2)),
          flag('L', 8).if_form(kReadqTs).if_written(TK_LENGTH),
          on(kReadqTs, Field::kSysid, flag('S', 6)), on(kReadqTs, Field::kSysid, chars(4, 6)),
          flag('L', 8).if_form(kReadqTs).if_default_needed(1),
          default_length(1, 4).if_form(kReadqTs),

          on(kReadqTd, Field::kQueue, chars(4, 2)),
          flag('L', 4).if_form(kReadqTd).if_written(TK_LENGTH),
          on(kReadqTd, Field::kSysid, flag('S', 5)), on(kReadqTd, Field::kSysid, chars(4, 5)),
          default_length(1, 4).if_form(kReadqTd),
          flag('L', 4).if_form(kReadqTd).if_default_needed(1), use_max().if_form(kReadqTd),

          required("QUEUE", 2), required("SET or INTO", 3)},
     .clash = FixedDiagnostic::kConflictingOption},

    {.words = {TK_WRITEQ},
     .index = kWriteqStart,
     .options = {{TK_AUXILIARY, kAlone, {flag('A', 7)}},
                 {TK_FROM, kValueOrEmpty, {ref(3), data_area(1)}},
                 {TK_ITEM, kValueOrEmpty, {flag('I', 4), ref(5)}},
                 {TK_LENGTH, kValue, {half(4), length_given(1)}},
                 {TK_MAIN, kAlone, {flag('M', 7)}},
                 {TK_QUEUE, kValue, {collect(Field::kQueue)}},
                 {TK_REWRITE, kAlone, {flag('R', 5)}},
                 {TK_SYSID, kValue, {collect(Field::kSysid)}},
                 {TK_TD, kAlone, {form(kWriteqTd)}},
                 {TK_TS, kAlone, {form(kWriteqTs)}}},
     .completion =
         {form_unchecked(kWriteqTs).if_form(kWriteqStart),

          on(kWriteqTd, Field::kQueue, chars(4, 2)),
          flag('L', 4).if_form(kWriteqTd).if_written(TK_LENGTH),
          on(kWriteqTd, Field::kSysid, flag('S', 5)), on(kWriteqTd, Field::kSysid, chars(4, 5)),
          flag('L', 4).if_form(kWriteqTd).if_default_needed(1),
          default_length(1, 4).if_form(kWriteqTd),

          on(kWriteqTs, Field::kQueue, chars(8, 2)), on(kWriteqTs, Field::kSysid, flag('S', 6)),
          on(kWriteqTs, Field::kSysid, chars(4, 6)), default_length(1, 4).if_form(kWriteqTs),

          required("QUEUE", 2), required("FROM", 3)},
     .clash = FixedDiagnostic::kConflictingOption},

    {.words = {TK_DELETEQ},
     .index = kDeleteqStart,
     .options = {{TK_QUEUE, kValue, {collect(Field::kQueue)}},
                 {TK_SYSID, kValue, {chars(4, 3)}},
                 {TK_TD, kAlone, {form(kDeleteqTd)}},
                 {TK_TS, kAlone, {form(kDeleteqTs)}}},
     .completion = {form_unchecked(kDeleteqTs).if_form(kDeleteqStart),
                    flag('S', 5).if_form(kDeleteqTd).if_passed(3),
                    on(kDeleteqTd, Field::kQueue, chars(4, 2)),
                    flag('S', 6).if_form(kDeleteqTs).if_passed(3),
                    on(kDeleteqTs, Field::kQueue, chars(8, 2)), required("QUEUE", 2)},
     .clash = FixedDiagnostic::kConflictingOption},
};

}  // namespace

std::span<const Command> queue_commands() {
  return kQueueCommands;
}

}  // namespace qcmd
