#include "translator/grammar.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "syntax/arguments.hpp"
#include "translator/keywords.hpp"
#include "translator/scanner.hpp"

namespace qcmd {

namespace encoding {
void too_many_guards() {
  std::abort();
}
}  // namespace encoding

using namespace encoding;

int yy_stack_limit = kDefaultStackLimit;
std::int16_t hash_flg = 0;

namespace {

constexpr const char* kExecPrefix = "EXEC CICS ";
constexpr const char* kStatementEnd = "; ";
constexpr int kTokenLimit = 1024;  // above every token number
constexpr char kBitBase = 0x20;

// ---- The command rows, indexed by their first verb word ----

struct IndexedCommand {
  const Command* command;
  // Every option row by keyword, in row order within one keyword.
  std::vector<std::pair<std::int32_t, const Option*>> options;
};

std::vector<IndexedCommand> indexed;
std::array<std::vector<const IndexedCommand*>, kTokenLimit> by_first_word;

void build_command_index() {
  if (!indexed.empty()) return;
  for (std::span<const Command> family : command_families()) {
    for (const Command& command : family) {
      IndexedCommand entry{&command, {}};
      for (const Option& option : command.options)
        entry.options.emplace_back(option.token, &option);
      std::stable_sort(entry.options.begin(), entry.options.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      indexed.push_back(std::move(entry));
    }
  }
  for (const IndexedCommand& entry : indexed) {
    by_first_word[*entry.command->words.begin()].push_back(&entry);
  }
}

// The option rows of `command` for keyword `token`.
std::span<const std::pair<std::int32_t, const Option*>> option_rows(const IndexedCommand& command,
                                                                    std::int32_t token) {
  auto [first, last] =
      std::equal_range(command.options.begin(), command.options.end(),
                       std::pair<std::int32_t, const Option*>{token, nullptr},
                       [](const auto& a, const auto& b) { return a.first < b.first; });
  return {first, last};
}

// ---- Tokens: one lookahead, read only when a decision needs it ----

std::int32_t lookahead = 0;
bool lookahead_ready = false;

std::int32_t peek() {
  if (!lookahead_ready) {
    lookahead = yylex();
    lookahead_ready = true;
  }
  return lookahead;
}

void shift() {
  lookahead_ready = false;
}

// How a piece of the statement ended.
enum class Parsed { kOk, kError, kOverflow };

Parsed syntax_error() {
  yyerror("syntax error");
  return Parsed::kError;
}

int depth = 0;  // nesting of the parse, against the stack limit

// ---- Expressions: their value is the text of their tokens, concatenated ----

Parsed expression(std::string& text);

bool is_binary_operator(std::int32_t token) {
  return token == TK_INFIXOP || token == TK_PLUS || token == TK_MINUS || token == TK_ARROW;
}

Parsed expect_close(std::string& text) {
  if (peek() != TK_RPAREN) return syntax_error();
  shift();
  text += ')';
  return Parsed::kOk;
}

Parsed nested(std::string& text, Parsed (*inner)(std::string&)) {
  if (++depth > yy_stack_limit) {
    yyerror("yacc stack overflow");
    --depth;
    return Parsed::kOverflow;
  }
  const Parsed parsed = inner(text);
  --depth;
  return parsed;
}

Parsed primary(std::string& text) {
  const std::int32_t token = peek();
  if (token == TK_NUMBER || token == TK_NAME || token == TK_STRING) {
    text += yylval;
    shift();
    return Parsed::kOk;
  }
  if (token != TK_LPAREN) return syntax_error();
  shift();
  text += '(';
  const Parsed inner = nested(text, expression);
  return inner == Parsed::kOk ? expect_close(text) : inner;
}

Parsed argument_list(std::string& text) {
  for (;;) {
    const Parsed parsed = nested(text, expression);
    if (parsed != Parsed::kOk) return parsed;
    if (peek() != TK_COMMA) return expect_close(text);
    text += yylval;
    shift();
  }
}

Parsed reference(std::string& text) {
  Parsed parsed = primary(text);
  while (parsed == Parsed::kOk) {
    if (peek() == TK_PERIOD) {
      text += yylval;
      shift();
      parsed = primary(text);
    } else if (peek() == TK_LPAREN) {
      shift();
      text += '(';
      parsed = argument_list(text);
    } else {
      break;
    }
  }
  return parsed;
}

Parsed unary(std::string& text) {
  if (peek() == TK_PLUS || peek() == TK_MINUS) {
    text += yylval;
    shift();
    return nested(text, unary);
  }
  return reference(text);
}

Parsed expression(std::string& text) {
  Parsed parsed = unary(text);
  while (parsed == Parsed::kOk && is_binary_operator(peek())) {
    text += yylval;
    shift();
    parsed = unary(text);
  }
  return parsed;
}

// ---- The state of the command being parsed ----

struct Collected {
  bool given = false;
  std::string text;
  std::int16_t dynno = 0;
};

const IndexedCommand* current = nullptr;
std::array<Collected, static_cast<int>(Field::kCount)> fields;
std::bitset<kTokenLimit> written;  // option keywords written in this command

// What a step of an option's action works on.
struct Context {
  Operand operand{"", 0};
  const char* word = "";   // the option word as written
  std::int32_t token = 0;  // the option's keyword
};

// The operand of a parenthesised option: it takes the next dynamic variable
// number unless it names a variable (the numbering argument evaluation uses).
Operand take_operand(const std::string& text) {
  Operand operand{text.c_str(), 0};
  if (operand_takes_dynamic(operand.text)) operand.dynno = ++dyncount;
  return operand;
}

Collected& field(Field f) {
  return fields[static_cast<int>(f)];
}

bool holds(const Guard& guard, const Operand& operand) {
  switch (guard.test) {
    case Test::kNone:
      return true;
    case Test::kBlank:
      return checkTolFlagWord(' ', guard.n);
    case Test::kHolds:
      return checkTolFlagWord(guard.c, guard.n);
    case Test::kNotHolds:
      return !checkTolFlagWord(guard.c, guard.n);
    case Test::kForm:
      return commandOpcode() == guard.n;
    case Test::kNotForm:
      return commandOpcode() != guard.n;
    case Test::kPassed:
      return checkTolParam(guard.n);
    case Test::kNotPassed:
      return !checkTolParam(guard.n);
    case Test::kCollected:
      return fields[guard.n].given;
    case Test::kNotDynamic:
      return std::strncmp(operand.text, kDynamicOperand, std::strlen(kDynamicOperand)) != 0;
    case Test::kDefaultNeeded:
      return guard.n == 1 ? needDefaultLength1() : needDefaultLength2();
    case Test::kWritten:
      return written.test(guard.n);
    case Test::kNotWritten:
      return !written.test(guard.n);
  }
  return false;
}

void run_steps(std::initializer_list<Step> steps, const Context& context);

void run_step(const Step& step, const Context& context) {
  Operand operand = context.operand;
  if (step.source == Source::kField) {
    const Collected& from = field(step.field);
    operand = {from.text.c_str(), from.dynno};
  } else if (step.source == Source::kText) {
    operand = {step.text, 0};
  }
  for (const Guard& guard : step.guards) {
    if (!holds(guard, operand)) return;
  }
  char length[8];
  std::snprintf(length, sizeof length, "%d",
                step.op == Op::kPrioChar ? step.position : step.number);
  switch (step.op) {
    case Op::kFlag:
      setTolFlagWord(step.c, step.position);
      break;
    case Op::kForceFlag:
      forceTolFlagWord(step.c, step.position);
      break;
    case Op::kBit:
      setTolAssignFlag(kBitBase | step.number, step.position);
      break;
    case Op::kRef:
      passTolByRefer(operand, step.position);
      break;
    case Op::kChar:
      passTolValueArg(operand, step.position, length, kValueCharacter);
      break;
    case Op::kHalf:
      passTolValueArg(operand, step.position, kHalfwordLength, kValueBinary);
      break;
    case Op::kFull:
      passTolValueArg(operand, step.position, "31", kValueBinary);
      break;
    case Op::kPacked:
      passTolValueArg(operand, step.position, "7", kValuePacked);
      break;
    case Op::kPrio:
      saveTolParam(operand, step.number);
      break;
    case Op::kPrioChar:
      saveValue(operand, step.number, length, kValueCharacter);
      break;
    case Op::kDataArea:
      (step.number == 1 ? saveDataAreaName1 : saveDataAreaName2)(operand.text);
      break;
    case Op::kLengthGiven:
      (step.number == 1 ? lengthPresent1 : lengthPresent2) = 1;
      break;
    case Op::kCollect:
      field(step.field) = {true, operand.text, operand.dynno};
      break;
    case Op::kForm:
      if (commandOpcode() != current->command->index) {
        save_fixed_diagnostic(current->command->clash);
      } else {
        set_opcode(step.number);
      }
      break;
    case Op::kFormUnchecked:
      set_opcode(step.number);
      break;
    case Op::kMapName:
      save_map_name(operand.text);
      break;
    case Op::kLabel:
      saveTolHandleLabel(operand.text);
      break;
    case Op::kAbendLabel:
      saveTolHandleAbend(operand.text);
      break;
    case Op::kUnsupported:
      bad_option(context.word);
      break;
    case Op::kUnsupportedCommand:
      bad_command(step.text);
      break;
    case Op::kOnce:
      if (written.test(context.token)) {
        save_fixed_diagnostic(static_cast<FixedDiagnostic>(step.number));
      }
      break;
    case Op::kRequires:
      if (!checkTolParam(step.position)) missing_option(step.text);
      break;
    case Op::kRequiresOption:
      if (!written.test(step.number)) missing_option(step.text);
      break;
    case Op::kMissing:
      missing_option(step.text);
      break;
    case Op::kIncompatible:
      incompatible_options(step.text);
      break;
    case Op::kDefaultLength:
      (step.number == 1 ? passDefaultLength1 : passDefaultLength2)(step.position);
      break;
    case Op::kUseMax:
      useMaxParamNo();
      break;
    case Op::kSequenceNumber:
      incrTolSeqNo();
      break;
    case Op::kExcessCheck:
      if (excess_arguments()) save_fixed_diagnostic(FixedDiagnostic::kAssignOptionsExceeded);
      break;
    case Op::kDefaultMap:
      check_map();
      break;
    case Op::kFixed:
      save_fixed_diagnostic(static_cast<FixedDiagnostic>(step.number));
      break;
    case Op::kComplete:
      run_steps(current->command->completion, context);
      break;
  }
}

void run_steps(std::initializer_list<Step> steps, const Context& context) {
  for (const Step& step : steps) run_step(step, context);
}

// ---- Options ----

// "(" expression ")" after a word already shifted, or "(" ")" when the
// empty form is allowed (the operand is then "&DYNAMIC"); the lookahead is
// the "(". `empty` tells which was written.
Parsed parenthesised(std::string& text, bool value_allowed, bool empty_allowed,
                     bool* empty = nullptr) {
  shift();
  if (peek() == TK_RPAREN) {
    if (!empty_allowed) return syntax_error();
    shift();
    text = kDynamicOperand;
    if (empty != nullptr) *empty = true;
    return Parsed::kOk;
  }
  if (!value_allowed) return syntax_error();
  const Parsed parsed = expression(text);
  if (parsed != Parsed::kOk) return parsed;
  if (peek() != TK_RPAREN) return syntax_error();
  shift();
  return Parsed::kOk;
}

// HOURS(v), MINUTES(v), SECONDS(v): one or more, any order; they pass nothing.
Parsed time_parts() {
  bool any = false;
  for (;;) {
    const std::int32_t token = peek();
    if (token != TK_HOURS && token != TK_MINUTES && token != TK_SECONDS) {
      return any ? Parsed::kOk : syntax_error();
    }
    shift();
    if (peek() != TK_LPAREN) return syntax_error();
    std::string text;
    const Parsed parsed = parenthesised(text, true, false);
    if (parsed != Parsed::kOk) return parsed;
    take_operand(text);
    any = true;
  }
}

Parsed response_option(std::int32_t token) {
  shift();
  set_response_mark();
  if (token == TK_NOHANDLE) return Parsed::kOk;
  if (peek() != TK_LPAREN) return syntax_error();
  std::string text;
  const Parsed parsed = parenthesised(text, true, false);
  if (parsed != Parsed::kOk) return parsed;
  const Operand operand = take_operand(text);
  (token == TK_RESP ? set_resp : set_resp2)(operand.text);
  return Parsed::kOk;
}

// A word that is no keyword, alone or with a parenthesised expression.
Parsed unsupported_option() {
  const std::string word = yylval;
  shift();
  if (peek() == TK_LPAREN) {
    std::string text;
    const Parsed parsed = parenthesised(text, true, false);
    if (parsed != Parsed::kOk) return parsed;
    take_operand(text);
  }
  bad_option(word.c_str());
  return Parsed::kOk;
}

Forms forms_of(std::span<const std::pair<std::int32_t, const Option*>> rows) {
  Forms forms = 0;
  for (const auto& row : rows) forms |= row.second->forms;
  return forms;
}

// The keyword of an option with its operand, if any: `form` says which form.
Parsed option_operand(Forms allowed, std::string& text, Forms& form) {
  if (peek() == TK_LPAREN && (allowed & kValueOrEmpty) != 0) {
    bool empty = false;
    const Parsed parsed =
        parenthesised(text, (allowed & kValue) != 0, (allowed & kEmpty) != 0, &empty);
    form = empty ? kEmpty : kValue;
    return parsed;
  }
  if ((allowed & kAlone) == 0) return syntax_error();
  form = kAlone;
  return Parsed::kOk;
}

Parsed command_option(std::int32_t token,
                      std::span<const std::pair<std::int32_t, const Option*>> rows) {
  const std::string word = yylval;
  shift();
  std::string text;
  Forms form = 0;
  const Parsed parsed = option_operand(forms_of(rows), text, form);
  if (parsed != Parsed::kOk) return parsed;
  const Option* option = nullptr;
  for (const auto& row : rows) {
    if ((row.second->forms & form) != 0) {
      option = row.second;
      break;
    }
  }
  if (option->then == Then::kHoursMinutesSeconds) {
    const Parsed parts = time_parts();
    if (parts != Parsed::kOk) return parts;
  }
  Context context{{"", 0}, word.c_str(), token};
  if (form != kAlone) context.operand = take_operand(text);
  run_steps(option->steps, context);
  written.set(token);
  return Parsed::kOk;
}

// An entry of a condition or key list, with its label where one is allowed.
Parsed list_entry(std::int32_t token, int code) {
  const std::string word = yylval;
  const Listing listing = current->command->listing;
  shift();
  std::string label;
  const bool labelled = peek() == TK_LPAREN && listing != Listing::kConditionsNoLabel;
  if (labelled) {
    const Parsed parsed = parenthesised(label, true, false);
    if (parsed != Parsed::kOk) return parsed;
  }
  const Operand operand = labelled ? take_operand(label) : Operand{"", 0};
  written.set(token);
  if (code == kUnsupportedCode) {
    bad_option(word.c_str());
  } else if (listing == Listing::kKeys) {
    setTolAidFlag(static_cast<char>(code));
    if (labelled) {
      saveTolHandleLabel(operand.text);
    } else {
      setTolAidNoLabel();
    }
  } else {
    setTolHandleFlag(static_cast<char>(code));
    if (labelled) saveTolHandleLabel(operand.text);
  }
  return Parsed::kOk;
}

int list_code(std::int32_t token) {
  switch (current->command->listing) {
    case Listing::kOptions:
      return kNoCode;
    case Listing::kKeys:
      return key_code(token);
    case Listing::kConditions:
    case Listing::kConditionsNoLabel:
      return condition_code(token);
  }
  return kNoCode;
}

// One option of the current command at the lookahead; `taken` is false when
// the lookahead starts none (nothing is consumed then).
Parsed option(bool& taken) {
  taken = true;
  const std::int32_t token = peek();
  if (token == TK_RESP || token == TK_RESP2 || token == TK_NOHANDLE) {
    return response_option(token);
  }
  if (token == TK_NAME) return unsupported_option();
  const auto rows = option_rows(*current, token);
  if (!rows.empty()) return command_option(token, rows);
  const int code = list_code(token);
  if (code != kNoCode) return list_entry(token, code);
  taken = false;
  return Parsed::kOk;
}

// ---- Statements ----

// Whether `command`'s verb begins with the `count` words of `words`.
bool verb_begins(const Command& command, const std::int32_t* words, std::size_t count) {
  return command.words.size() >= count && std::equal(words, words + count, command.words.begin());
}

// The verb words at the lookahead, longest match.
const IndexedCommand* verb() {
  constexpr std::size_t kMaxVerbWords = 4;
  std::int32_t words[kMaxVerbWords] = {peek()};
  if (words[0] < 0 || words[0] >= kTokenLimit) return nullptr;
  const auto& candidates = by_first_word[words[0]];
  if (candidates.empty()) return nullptr;
  shift();
  std::size_t count = 1;
  for (;;) {
    const IndexedCommand* matched = nullptr;
    bool longer = false;
    for (const IndexedCommand* candidate : candidates) {
      if (!verb_begins(*candidate->command, words, count)) continue;
      if (candidate->command->words.size() == count) matched = candidate;
      if (candidate->command->words.size() > count) longer = true;
    }
    if (!longer || count == kMaxVerbWords) return matched;
    words[count] = peek();
    bool continues = false;
    for (const IndexedCommand* candidate : candidates) {
      continues = continues || verb_begins(*candidate->command, words, count + 1);
    }
    if (!continues) return matched;
    shift();
    ++count;
  }
}

void start_command() {
  const Command& command = *current->command;
  init_cics_command(command.index);
  for (Collected& collected : fields) collected = {};
  written.reset();
  run_steps(command.start, {});
}

Parsed verb_operand() {
  const std::int16_t length = current->command->verb_operand;
  if (length == kNoVerbOperand) return Parsed::kOk;
  if (peek() != TK_LPAREN) return length == kIgnoredVerbOperand ? Parsed::kOk : syntax_error();
  std::string text;
  const Parsed parsed = parenthesised(text, true, false);
  if (parsed != Parsed::kOk) return parsed;
  const Operand operand = take_operand(text);
  constexpr int kVerbOperandPosition = 2;
  if (length > 0) {
    passTolValueArg(operand, kVerbOperandPosition, std::to_string(length).c_str(), kValueCharacter);
  }
  return Parsed::kOk;
}

Parsed end_statement() {
  shift();  // the ";"
  gen_tolvik_command();
  return Parsed::kOk;
}

Parsed options() {
  const Command& command = *current->command;
  int count = 0;
  for (;;) {
    if (peek() == TK_SEMICOLON) {
      if (count == 0) {
        if (!command.bare) return syntax_error();
        run_steps(command.bare_steps, {});
      } else {
        run_steps(command.completion, {});
      }
      return end_statement();
    }
    bool taken = false;
    const Parsed parsed = option(taken);
    if (parsed != Parsed::kOk) return parsed;
    if (!taken) {
      // The option list ends here: its completion runs before the token
      // that cannot follow it is reported.
      if (count > 0) run_steps(command.completion, {});
      return syntax_error();
    }
    ++count;
  }
}

// Label prefixes: NAME ":" or NAME "(" NUMBER ")" ":".
Parsed labels() {
  while (peek() == TK_NAME) {
    shift();
    if (peek() == TK_LPAREN) {
      shift();
      if (peek() != TK_NUMBER) return syntax_error();
      shift();
      if (peek() != TK_RPAREN) return syntax_error();
      shift();
    }
    if (peek() != TK_COLON) return syntax_error();
    shift();
  }
  return Parsed::kOk;
}

Parsed statement() {
  const Parsed labelled = labels();
  if (labelled != Parsed::kOk) return labelled;
  if (peek() != TK_EXEC_CICS) return syntax_error();
  shift();
  current = verb();
  if (current == nullptr) return syntax_error();
  start_command();
  const Parsed operand = verb_operand();
  return operand == Parsed::kOk ? options() : operand;
}

// Discards tokens up to the statement's ";" (the error rule); false at the
// end of the input.
bool recover() {
  for (;;) {
    const std::int32_t token = peek();
    if (token == TK_END_OF_INPUT) return false;
    shift();
    if (token == TK_SEMICOLON) {
      exec_cics = 0;
      return true;
    }
  }
}

}  // namespace

int yyparse() {
  build_command_index();
  lookahead_ready = false;
  depth = 0;
  current = nullptr;
  for (int statements = 0;; ++statements) {
    if (statements > 0 && peek() == TK_END_OF_INPUT) return 0;
    const Parsed parsed = statement();
    if (parsed == Parsed::kOverflow) return 1;
    if (parsed == Parsed::kError && !recover()) return 1;
  }
}

std::int32_t parse_statement(char* text) {
  clear_error_tokens();
  if (hash_flg == 0) {
    build_hash_table();
    hash_flg = 1;
  }
  ParseBufferPtr = text;
  yyparse();
  dyncount = 0;
  return highest_error_severity();
}

std::int32_t parse_online_command(CommandBuffer* buffer) {
  trace("parse_online_command - Entry\n");
  std::memset(ParseBuffer + kParseTextOffset, 0, kParseBufferSize - kParseTextOffset);
  char* text = ParseBuffer + kParseTextOffset;
  std::strcpy(text, kExecPrefix);
  const int length = buffer->Length - kTransactionPrefix;
  if (length > 0) std::strncat(text, buffer->Syntax + kTransactionPrefix, length);
  std::strcat(text, kStatementEnd);
  const std::int32_t result = parse_statement(text);
  trace("parse_online_command - Exit(%d)\n", result);
  return result;
}

}  // namespace qcmd
