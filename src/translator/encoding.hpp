// How a command of the language is written down for the translator: one
// `Command` row per command form with its verb words, its table index, what
// its start does, the options it accepts (each with the forms it may be
// written in and the steps its action takes) and the steps of its
// completion. One generic engine (grammar.cpp) reads these rows: it parses
// the statement, runs the steps in the order of the text, and supplies
// everything every command shares (the response options RESP, RESP2 and
// NOHANDLE, a word that is no keyword as an unsupported option, expressions,
// condition and key lists, syntax errors and their recovery).
//
// A step is one operation of descriptor.hpp with its arguments, written with
// the constexpr helpers below, optionally guarded by up to four tests that
// must all hold when the step runs:
//
//   flag('E', 12)                 "E" at descriptor position 12, duplicate check
//   force_flag('N', 7)            the same without the check
//   bit(8, 3)                     OR 0x20|8 into position 3 (ASSIGN, FORMATTIME)
//   ref(3)                        the operand by reference at parameter position 3
//   chars(8, 2) half(4) full(3) packed(2)
//                                 the operand by value at a parameter position
//   prio(5)  prio_char(19, 2)     the operand placed by priority
//   data_area(1)  length_given(1) default-length bookkeeping
//   collect(Field::kFrom)         keep the operand for the completion
//   form(65)  form_unchecked(56)  switch the command's table index (with or
//                                 without the clash check of a second deciding word)
//   map_name()  abend_label()     record the operand
//   unsupported()                 bad_option with the option word as written
//   unsupported_command("WAIT TERMINAL")
//   once(FixedDiagnostic::kHandleAlreadySpecified)
//                                 the diagnostic when the option was written before
//   required("RIDFLD", 5)         missing_option unless parameter 5 was passed
//   required_option("HANDLE", TK_HANDLE)
//                                 missing_option unless the option was written
//   missing("INTO or SET")        missing_option
//   incompatible("KEYLENGTH and RBA/RRN")
//   default_length(1, 4)          the default length of data area 1 at parameter 4
//                                 (only when the data area was named without LENGTH)
//   use_max()  sequence_number()  excess_check()  default_map()
//   fixed(FixedDiagnostic::kMissingIssueWord)
//   complete()                    run the command's completion steps (for `bare`)
//
// Guards: .if_blank(p) .if_holds(p, c) .unless_holds(p, c) .if_form(i)
// .unless_form(i) .if_passed(p) .unless_passed(p) .if_collected(f)
// .unless_dynamic() (the operand does not begin with "&DYNAMIC")
// .if_default_needed(n) .if_written(TK_X) .unless_written(TK_X).
// A step reads the option's operand; .from(Field::kLength) makes it read a
// collected operand instead, .from_text("-1") a fixed text.
//
// Example, the whole encoding of RETURN:
//
//   {.words = {TK_RETURN},
//    .index = 60,
//    .bare = true,
//    .bare_steps = {use_max()},
//    .options = {{TK_COMMAREA, kValueOrEmpty, {flag('C', 3), ref(3), data_area(1)}},
//                {TK_IMMEDIATE, kAlone, {flag('I', 5)}},
//                {TK_LENGTH, kValue, {half(4), length_given(1)}},
//                {TK_TRANSID, kValue, {flag('T', 4), chars(4, 2)}}},
//    .completion = {default_length(1, 4), use_max()}},
//
// A family of commands keeps its rows in one array in its own file and
// gives them to the engine through one function listed in families.cpp:
//
//   const Command kProgramCommands[] = {...};
//   std::span<const Command> program_commands() { return kProgramCommands; }
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "translator/descriptor.hpp"
#include "translator/diagnostics.hpp"
#include "translator/tokens.hpp"

namespace qcmd::encoding {

// The forms an option may be written in (a mask).
using Forms = std::uint8_t;
inline constexpr Forms kAlone = 1;  // the keyword by itself
inline constexpr Forms kValue = 2;  // keyword ( expression )
inline constexpr Forms kEmpty = 4;  // keyword ( ): the operand is "&DYNAMIC"
inline constexpr Forms kValueOrEmpty = kValue | kEmpty;
inline constexpr Forms kAnyForm = kAlone | kValue | kEmpty;

// Operands and flags an option collects for the completion to encode by the
// command's final form. All are cleared when a command starts.
enum class Field : std::uint8_t {
  kNone,
  kLength,
  kFrom,
  kInto,
  kSet,
  kLdc,
  kCursor,
  kOutpartn,
  kActpartn,
  kTrailer,
  kSysid,
  kQueue,  // the queue name (also MSR's value in SEND)
  kMsr,
  kWait,  // the flags: collected without an operand
  kErase,
  kLast,
  kFormfeed,
  kCount
};

enum class Op : std::uint8_t {
  kFlag,
  kForceFlag,
  kBit,
  kRef,
  kChar,
  kHalf,
  kFull,
  kPacked,
  kPrio,
  kPrioChar,
  kDataArea,
  kLengthGiven,
  kCollect,
  kForm,
  kFormUnchecked,
  kMapName,
  kLabel,
  kAbendLabel,
  kUnsupported,
  kUnsupportedCommand,
  kOnce,
  kRequires,
  kRequiresOption,
  kMissing,
  kIncompatible,
  kDefaultLength,
  kUseMax,
  kSequenceNumber,
  kExcessCheck,
  kDefaultMap,
  kFixed,
  kComplete,
};

enum class Test : std::uint8_t {
  kNone,
  kBlank,          // descriptor position `n` is blank
  kHolds,          // position `n` holds `c`
  kNotHolds,       // position `n` does not hold `c`
  kForm,           // the command's index is `n`
  kNotForm,        // the command's index is not `n`
  kPassed,         // parameter position `n` was passed
  kNotPassed,      // parameter position `n` was not passed
  kCollected,      // field `n` was collected
  kNotDynamic,     // the operand does not begin with "&DYNAMIC"
  kDefaultNeeded,  // data area `n` was named and its LENGTH not given
  kWritten,        // option token `n` was written in this command
  kNotWritten,
};

// Not constexpr: a row with a fifth guard does not compile.
void too_many_guards();

struct Guard {
  Test test = Test::kNone;
  std::int16_t n = 0;
  char c = ' ';
};

inline constexpr int kMaxGuards = 4;

// What the step reads as its operand.
enum class Source : std::uint8_t { kOperand, kField, kText };

struct Step {
  Op op;
  char c = ' ';
  std::int16_t position = 0;  // descriptor or parameter position
  std::int16_t number = 0;    // index, priority, length, bit value, data area, field, token
  const char* text = nullptr;
  Source source = Source::kOperand;
  Field field = Field::kNone;
  std::array<Guard, kMaxGuards> guards = {};

  constexpr Step guarded(Test test, int n, char c = ' ') const {
    Step step = *this;
    for (Guard& guard : step.guards) {
      if (guard.test == Test::kNone) {
        guard = {test, static_cast<std::int16_t>(n), c};
        return step;
      }
    }
    too_many_guards();
    return step;
  }
  constexpr Step if_blank(int p) const { return guarded(Test::kBlank, p); }
  constexpr Step if_holds(int p, char ch) const { return guarded(Test::kHolds, p, ch); }
  constexpr Step unless_holds(int p, char ch) const { return guarded(Test::kNotHolds, p, ch); }
  constexpr Step if_form(int index) const { return guarded(Test::kForm, index); }
  constexpr Step unless_form(int index) const { return guarded(Test::kNotForm, index); }
  constexpr Step if_passed(int p) const { return guarded(Test::kPassed, p); }
  constexpr Step unless_passed(int p) const { return guarded(Test::kNotPassed, p); }
  constexpr Step if_collected(Field f) const {
    return guarded(Test::kCollected, static_cast<int>(f));
  }
  constexpr Step unless_dynamic() const { return guarded(Test::kNotDynamic, 0); }
  constexpr Step if_default_needed(int area) const { return guarded(Test::kDefaultNeeded, area); }
  constexpr Step if_written(std::int32_t token) const { return guarded(Test::kWritten, token); }
  constexpr Step unless_written(std::int32_t token) const {
    return guarded(Test::kNotWritten, token);
  }
  constexpr Step from(Field f) const {
    Step step = *this;
    step.source = Source::kField;
    step.field = f;
    return step;
  }
  constexpr Step from_text(const char* fixed) const {
    Step step = *this;
    step.source = Source::kText;
    step.text = fixed;
    return step;
  }
};

constexpr std::int16_t n16(int value) {
  return static_cast<std::int16_t>(value);
}

constexpr Step flag(char c, int p) {
  return {.op = Op::kFlag, .c = c, .position = n16(p)};
}
constexpr Step force_flag(char c, int p) {
  return {.op = Op::kForceFlag, .c = c, .position = n16(p)};
}
constexpr Step bit(int value, int p) {
  return {.op = Op::kBit, .position = n16(p), .number = n16(value)};
}
constexpr Step ref(int p) {
  return {.op = Op::kRef, .position = n16(p)};
}
constexpr Step chars(int length, int p) {
  return {.op = Op::kChar, .position = n16(p), .number = n16(length)};
}
constexpr Step half(int p) {
  return {.op = Op::kHalf, .position = n16(p)};
}
constexpr Step full(int p) {
  return {.op = Op::kFull, .position = n16(p)};
}
constexpr Step packed(int p) {
  return {.op = Op::kPacked, .position = n16(p)};
}
constexpr Step prio(int priority) {
  return {.op = Op::kPrio, .number = n16(priority)};
}
constexpr Step prio_char(int priority, int length) {
  return {.op = Op::kPrioChar, .position = n16(length), .number = n16(priority)};
}
constexpr Step data_area(int area) {
  return {.op = Op::kDataArea, .number = n16(area)};
}
constexpr Step length_given(int area) {
  return {.op = Op::kLengthGiven, .number = n16(area)};
}
constexpr Step collect(Field f) {
  return {.op = Op::kCollect, .field = f};
}
constexpr Step form(int index) {
  return {.op = Op::kForm, .number = n16(index)};
}
constexpr Step form_unchecked(int index) {
  return {.op = Op::kFormUnchecked, .number = n16(index)};
}
constexpr Step map_name() {
  return {.op = Op::kMapName};
}
constexpr Step label() {
  return {.op = Op::kLabel};
}
constexpr Step abend_label() {
  return {.op = Op::kAbendLabel};
}
constexpr Step unsupported() {
  return {.op = Op::kUnsupported};
}
constexpr Step unsupported_command(const char* words) {
  return {.op = Op::kUnsupportedCommand, .text = words};
}
constexpr Step once(FixedDiagnostic which) {
  return {.op = Op::kOnce, .number = n16(static_cast<int>(which))};
}
constexpr Step required(const char* names, int p) {
  return {.op = Op::kRequires, .position = n16(p), .text = names};
}
constexpr Step required_option(const char* names, std::int32_t token) {
  return {.op = Op::kRequiresOption, .number = n16(token), .text = names};
}
constexpr Step missing(const char* names) {
  return {.op = Op::kMissing, .text = names};
}
constexpr Step incompatible(const char* names) {
  return {.op = Op::kIncompatible, .text = names};
}
constexpr Step default_length(int area, int p) {
  return {.op = Op::kDefaultLength, .position = n16(p), .number = n16(area)};
}
constexpr Step use_max() {
  return {.op = Op::kUseMax};
}
constexpr Step sequence_number() {
  return {.op = Op::kSequenceNumber};
}
constexpr Step excess_check() {
  return {.op = Op::kExcessCheck};
}
constexpr Step default_map() {
  return {.op = Op::kDefaultMap};
}
constexpr Step fixed(FixedDiagnostic which) {
  return {.op = Op::kFixed, .number = n16(static_cast<int>(which))};
}
constexpr Step complete() {
  return {.op = Op::kComplete};
}

// A completion step that encodes a collected option for one final form:
// `step` when the command's index is `index` and field `f` was collected,
// reading the collected operand.
constexpr Step on(int index, Field f, Step step) {
  return step.if_form(index).if_collected(f).from(f);
}

// Words that must follow an option, each with a parenthesised value (DELAY
// FOR HOURS(1) SECONDS(30)): one or more of them, in any order.
enum class Then : std::uint8_t { kNothing, kHoursMinutesSeconds };

struct Option {
  std::int32_t token;  // the option's keyword
  Forms forms;         // the forms this row accepts; another row may take the others
  std::initializer_list<Step> steps;
  Then then = Then::kNothing;
};

// Lists whose entries are conditions or keys rather than options.
enum class Listing : std::uint8_t {
  kOptions,
  kConditions,         // HANDLE CONDITION: each may carry a (label)
  kConditionsNoLabel,  // IGNORE CONDITION
  kKeys,               // HANDLE AID: a key without a label gets 0x22 added
};

// What follows the verb words before the options.
inline constexpr std::int16_t kNoVerbOperand = -1;
inline constexpr std::int16_t kIgnoredVerbOperand = 0;  // optional, read, passes nothing
// A positive value: the operand is passed as characters of that length at
// parameter position 2.

struct Command {
  std::initializer_list<std::int32_t> words;  // the verb's keywords
  std::int16_t index;                         // the start index (kNoOpcode: no entry)
  std::initializer_list<Step> start = {};     // after init_cics_command
  std::int16_t verb_operand = kNoVerbOperand;
  bool bare = false;  // the verb words alone (and the verb operand) are a command
  std::initializer_list<Step> bare_steps = {};
  std::initializer_list<Option> options = {};
  std::initializer_list<Step> completion = {};
  Listing listing = Listing::kOptions;
  // The diagnostic of a second deciding word (form steps).
  FixedDiagnostic clash = FixedDiagnostic::kConflictingOptions;
};

}  // namespace qcmd::encoding
