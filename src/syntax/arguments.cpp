#include "syntax/arguments.hpp"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "syntax/syntax.hpp"
#include "vars/conversions.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"

namespace qcmd {

char LocalBuffer[kLocalBufferSize];

namespace {

constexpr char kOpen[] = "(";
constexpr char kClose = ')';
constexpr char kVariableMark = '&';
constexpr char kQuote = '\'';
constexpr char kNoVariable[] = " ";
constexpr char kEmptyOperand[] = "&DYNAMIC";  // the translator's text for "()"
constexpr std::int16_t kEmptyStringLength = 32767;
constexpr std::size_t kWordDigits = 8;  // hexadecimal digits of one doubleword word
constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;

// Options whose bare form (no parentheses) is well formed: a default separator.
constexpr const char* kSeparatorOptions[] = {"TIMESEP", "DATESEP"};

// ---- Tokens of LocalBuffer: blank-separated, read in turn by every step.

std::size_t token_at;  // where the next token is looked for

std::size_t text_end() {
  return std::strlen(LocalBuffer);
}

// The next token, or an empty view at the end of the text.
std::string_view next_token() {
  std::size_t end = text_end();
  while (token_at < end && LocalBuffer[token_at] == ' ') ++token_at;
  std::size_t start = token_at;
  while (token_at < end && LocalBuffer[token_at] != ' ') ++token_at;
  return std::string_view(LocalBuffer + start, token_at - start);
}

// Makes `token` the next token again.
void put_back(std::string_view token) {
  token_at = static_cast<std::size_t>(token.data() - LocalBuffer);
}

bool begins_with(std::string_view token, char c) {
  return !token.empty() && token.front() == c;
}
bool is_open(std::string_view token) {
  return token == kOpen;
}

bool odd_quotes(std::string_view token) {
  std::size_t quotes = 0;
  for (char c : token) quotes += c == kQuote;
  return quotes % 2 == 1;
}

// After an argument whose closing token `last` was not ")": passes over the
// rest of it up to the ")" that closes it, so that words in nested
// parentheses or inside quotes are not taken for options.
void skip_rest_of_argument(std::string_view value, std::string_view last) {
  bool quoted = odd_quotes(value);
  int depth = 1;
  for (std::string_view token = last; !token.empty(); token = next_token()) {
    if (!quoted && is_open(token)) ++depth;
    if (!quoted && begins_with(token, kClose)) --depth;
    if (odd_quotes(token)) quoted = !quoted;
    if (depth == 0) return;
  }
}

// A NUL-terminated copy of a token (never longer than the buffer's text).
struct TokenText {
  char text[kLocalBufferSize];
  explicit TokenText(std::string_view token) {
    std::size_t n = token.size() < kLocalBufferSize ? token.size() : kLocalBufferSize - 1;
    std::memcpy(text, token.data(), n);
    text[n] = '\0';
  }
};

// ---- Dynamic variables in operand order.

// Which argument each dynamic variable of the command was made for, by number
// minus 1: an option of CmdIntSyntax, or kUnlistedOption for an operand of a
// word the entry does not list.
constexpr int kUnlistedOption = -1;
constexpr std::size_t kMaxDynamic = kLocalBufferSize / 2;  // more than operands fit the text

struct DynamicSlot {
  int option;
  std::int32_t type;
};

DynamicSlot slots[kMaxDynamic];
std::size_t slotcount;  // dynamic variables 1 to slotcount exist, made as slots says
std::size_t passcount;  // operands met in this pass that took a number

// The contents of a dynamic variable made again in this pass, for the option
// that had it.
struct Carried {
  DynamicSlot slot;
  std::int32_t len;
  std::vector<std::uint8_t> bytes;
};
std::vector<Carried> carried;

std::int32_t type_size(std::int32_t type) {
  return static_cast<std::int32_t>(value_block_size(type));
}

void detach(KeywordEntry& entry) {
  entry.value = nullptr;
  entry.dynvarno = 0;
  std::memcpy(entry.varname, kNoVariable, sizeof kNoVariable);
}

KeywordEntry* entries_end() {
  int count = CmdIntSyntax.numkwds;
  if (count < 0 || count > static_cast<int>(kMaxOptions)) count = 0;
  return CmdIntSyntax.kwd + count + 1;
}

// Every option whose value lies in `node` lets go of it.
void detach_from(const varnode* node) {
  for (KeywordEntry* entry = CmdIntSyntax.kwd; entry != entries_end(); ++entry) {
    if (entry->value != nullptr && entry->value == node->value) detach(*entry);
  }
}

// Deletes dynamic variables `first` to slotcount, keeping their contents.
void drop_slots_from(std::size_t first) {
  while (slotcount >= first) {
    varnode* node = finddynnode(static_cast<std::int16_t>(slotcount));
    DynamicSlot slot = slots[--slotcount];
    if (node == nullptr) continue;
    if (node->value != nullptr) {
      carried.push_back(
          {slot, node->len,
           std::vector<std::uint8_t>(node->value, node->value + value_block_size(node->type))});
    }
    detach_from(node);
    deletenode(node->seqno);
  }
}

// Gives a newly made variable the contents its option's variable had.
void restore_carried(const DynamicSlot& slot, varnode* node) {
  for (auto it = carried.begin(); it != carried.end(); ++it) {
    if (it->slot.option != slot.option || it->slot.type != slot.type) continue;
    if (node->value != nullptr && it->bytes.size() == value_block_size(node->type)) {
      std::memcpy(node->value, it->bytes.data(), it->bytes.size());
      node->len = it->len;
    }
    carried.erase(it);
    return;
  }
}

// The dynamic variable of the next operand that takes a number, made for
// `option` (of `type`): the one made for it before when the operands up to
// here are unchanged, else a new one. nullptr when none can be had.
varnode* next_dynamic(int option, std::int32_t type) {
  const DynamicSlot slot{option, type};
  std::size_t number = ++passcount;
  if (number <= slotcount) {
    const DynamicSlot& had = slots[number - 1];
    if (had.option == option && had.type == type) {
      varnode* node = finddynnode(static_cast<std::int16_t>(number));
      if (option != kUnlistedOption && node != nullptr) {
        CmdIntSyntax.kwd[option].dynvarno = node->dseqno;
        CmdIntSyntax.kwd[option].value = node->value;
      }
      return node;
    }
    drop_slots_from(number);
  }
  if (number != slotcount + 1 || number > kMaxDynamic) return nullptr;
  varnode* node = option == kUnlistedOption ? addvarnode(type, 1) : createdynamicvar(option);
  if (node == nullptr) return nullptr;
  slots[slotcount++] = slot;
  restore_carried(slot, node);
  return node;
}

// The dynamic variables of the store must be those the slots describe; any
// others (made by hand, or a store emptied since) start the numbering anew.
void check_slots() {
  std::size_t dynamic = 0;
  bool matching = true;
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
    if (node->dynamic == 0) continue;
    ++dynamic;
    std::size_t number = static_cast<std::size_t>(node->dseqno);
    matching =
        matching && number >= 1 && number <= slotcount && slots[number - 1].type == node->type;
  }
  if (matching && dynamic == slotcount) return;
  if (dynamic != 0) deletedynvars();
  slotcount = 0;
}

// Options whose storage is gone (a variable deleted or resized on the
// variables screen, dynamic variables deleted) let go of it.
void detach_lost_values() {
  for (KeywordEntry* entry = CmdIntSyntax.kwd; entry != entries_end(); ++entry) {
    if (entry->value == nullptr) continue;
    const varnode* owner = varanchor.head;
    while (owner != nullptr && owner->value != entry->value) owner = owner->next;
    bool named = std::strcmp(entry->varname, kNoVariable) != 0;
    if (owner == nullptr ||
        (named && std::strncmp(owner->name, entry->varname, kVarNameSize) != 0)) {
      detach(*entry);
    }
  }
}

// ---- Values.

// Optional sign and decimal digits up to the first other character, as a
// 32-bit integer (wrapping); 0 when there are none.
std::int32_t decimal_value(std::string_view token) {
  std::size_t at = 0;
  bool negative = false;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) negative = token[at++] == '-';
  std::uint32_t value = 0;
  for (; at < token.size() && std::isdigit(static_cast<unsigned char>(token[at])); ++at) {
    value = value * kDecimalBase + static_cast<std::uint32_t>(token[at] - '0');
  }
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// Up to eight hexadecimal digits at the start of `digits`, up to the first
// character that is not one.
std::uint32_t hex_word(std::string_view digits) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < digits.size() && i < kWordDigits; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(digits[i]))) break;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(digits[i])));
    value = value * kHexBase + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return value;
}

// Stores literal `token` by `type` into `storage` (a block of that type).
void store_literal(std::uint8_t* storage, std::int32_t type, std::string_view token) {
  switch (type) {
    case kTypePointer:
    case kTypeFullword: {
      std::int32_t value = decimal_value(token);
      std::memcpy(storage, &value, sizeof value);
      break;
    }
    case kTypeHalfword: {
      auto value = static_cast<std::int16_t>(decimal_value(token));
      std::memcpy(storage, &value, sizeof value);
      break;
    }
    case kTypeString: {
      std::size_t n = token.size() < kStringBlockSize ? token.size() : kStringBlockSize - 1;
      std::memcpy(storage, token.data(), n);
      storage[n] = '\0';
      break;
    }
    case kTypePacked:
      strng2pckd(storage, TokenText(token).text);
      break;
    case kTypeDoubleword: {
      std::uint32_t words[2] = {
          hex_word(token), token.size() > kWordDigits ? hex_word(token.substr(kWordDigits)) : 0};
      std::memcpy(storage, words, sizeof words);
      break;
    }
    default:
      break;
  }
}

// The length an option shows for a value of `type` from a literal `token`.
std::int16_t literal_length(std::int32_t type, std::string_view token) {
  if (type != kTypeString) return static_cast<std::int16_t>(type_size(type));
  return static_cast<std::int16_t>(token.size() < kStringBlockSize ? token.size()
                                                                   : kStringBlockSize - 1);
}

// Points `entry` at user variable `node`.
void attach_variable(KeywordEntry& entry, const varnode* node) {
  std::memcpy(entry.varname, node->name, kOptionVarNameSize);
  entry.varname[kOptionVarNameSize - 1] = '\0';
  entry.value = node->value;
  entry.dynvarno = 0;
}

// Points option `option` at a dynamic variable holding literal `token`.
// False when no variable could be had.
bool attach_literal(int option, std::string_view token) {
  KeywordEntry& entry = CmdIntSyntax.kwd[option];
  varnode* node = next_dynamic(option, entry.type);
  if (node == nullptr) return false;
  std::memcpy(entry.varname, kNoVariable, sizeof kNoVariable);
  if (node->value != nullptr) {
    store_literal(node->value, entry.type, token);
    if (entry.type == kTypeString) node->len = literal_length(entry.type, token);
  }
  return true;
}

bool is_separator_option(const KeywordEntry& entry) {
  for (const char* name : kSeparatorOptions) {
    if (std::strcmp(entry.name, name) == 0) return true;
  }
  return false;
}

// "()": the option gets a dynamic variable of its type to receive data.
void empty_argument(KeywordEntry& entry, int option) {
  if (next_dynamic(option, entry.type) != nullptr) {
    std::memcpy(entry.varname, kNoVariable, sizeof kNoVariable);
    entry.length = entry.type == kTypeString ? kEmptyStringLength
                                             : static_cast<std::int16_t>(type_size(entry.type));
  }
  entry.present = 1;
}

// "&NAME": false when there is no such variable.
bool variable_argument(KeywordEntry& entry, std::string_view token) {
  const varnode* node = findnode(TokenText(token).text);
  if (node == nullptr) {
    cintschedmsg(kMsgNoVariable);
    return false;
  }
  attach_variable(entry, node);
  std::int32_t length = entry.type == kTypeString ? node->len : type_size(entry.type);
  entry.length =
      static_cast<std::int16_t>(length < kEmptyStringLength ? length : kEmptyStringLength);
  return true;
}

// The token after the value should be ")". When it is not, an argument that
// was opened is passed over to its own ")"; one written without "(" is not.
int close_argument(KeywordEntry& entry, std::string_view value, bool opened, bool fault) {
  std::string_view last = next_token();
  if (begins_with(last, kClose)) {
    entry.present = 1;
    return fault ? 1 : 0;
  }
  if (last.empty()) {
    cintschedmsg(kMsgNoCloseParenthesis);
    return 1;
  }
  if (opened) skip_rest_of_argument(value, last);
  if (is_separator_option(entry)) return fault ? 1 : 0;
  cintschedmsg(kMsgNoCloseParenthesis);
  return 1;
}

int evaluate_option(int option) {
  KeywordEntry& entry = CmdIntSyntax.kwd[option];
  if (entry.type == kTypeNone) {
    entry.present = 1;
    return 0;
  }
  // A missing "(" is reported, and its token used up; a halfword option goes
  // no further, the others take the next tokens as value and ")" all the
  // same. The separators are written without an argument as well, so for
  // them a missing "(" is no fault.
  std::string_view open = next_token();
  bool opened = is_open(open);
  bool fault = false;
  if (open.empty() || (!opened && entry.type == kTypeHalfword)) {
    cintschedmsg(kMsgNoParenthesis);
    return 1;
  }
  if (!opened && !is_separator_option(entry)) {
    cintschedmsg(kMsgNoParenthesis);
    fault = true;
  }
  std::string_view value = next_token();
  if (value.empty()) {
    cintschedmsg(kMsgNoVariable);
    return 1;
  }
  if (begins_with(value, kClose)) {
    empty_argument(entry, option);
    return fault ? 1 : 0;
  }
  if (begins_with(value, kVariableMark)) {
    fault = !variable_argument(entry, value) || fault;
  } else if (attach_literal(option, value)) {
    entry.length = literal_length(entry.type, value);
  }
  return close_argument(entry, value, opened, fault);
}

// The option of CmdIntSyntax named `token` (any case), or 0.
int option_named(std::string_view token) {
  if (token.size() >= kOptionNameSize) return 0;
  char upper[kOptionNameSize] = {};
  for (std::size_t i = 0; i < token.size(); ++i) {
    upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(token[i])));
  }
  for (int i = 1; i < entries_end() - CmdIntSyntax.kwd; ++i) {
    if (std::strcmp(CmdIntSyntax.kwd[i].name, upper) == 0) return i;
  }
  return 0;
}

// The operand of a word that the entry does not list, when it has one: it is
// not shown, but a literal or empty operand still takes its dynamic number.
void evaluate_unlisted_operand() {
  std::string_view open = next_token();
  if (!is_open(open)) {
    put_back(open);
    return;
  }
  std::string_view value = next_token();
  if (value.empty() || begins_with(value, kClose)) {
    if (!value.empty()) next_dynamic(kUnlistedOption, kTypeString);
    return;
  }
  if (!begins_with(value, kVariableMark)) {
    varnode* node = next_dynamic(kUnlistedOption, kTypeString);
    if (node != nullptr && node->value != nullptr) store_literal(node->value, kTypeString, value);
  }
  std::string_view last = next_token();
  if (!begins_with(last, kClose)) skip_rest_of_argument(value, last);
}

// Copies the command text into LocalBuffer with blanks around parentheses.
void fill_local_buffer() {
  std::memset(LocalBuffer, ' ', sizeof LocalBuffer);
  std::int32_t length = CmdIntBuffer.Length;
  if (length < 0) length = 0;
  if (length > static_cast<std::int32_t>(kCommandTextSize)) length = kCommandTextSize;
  std::size_t out = 0;
  const std::size_t limit = kLocalBufferSize - 1;
  for (std::int32_t i = 0; i < length; ++i) {
    char c = CmdIntBuffer.Syntax[i];
    bool parenthesis = c == '(' || c == ')';
    if (out + (parenthesis ? 3 : 1) > limit) break;
    if (parenthesis) LocalBuffer[out++] = ' ';
    LocalBuffer[out++] = c;
    if (parenthesis) LocalBuffer[out++] = ' ';
  }
  LocalBuffer[out] = '\0';
  token_at = 0;
}

}  // namespace

bool operand_takes_dynamic(const char* operand) {
  return operand[0] != kVariableMark || std::strcmp(operand, kEmptyOperand) == 0;
}

varnode* createdynamicvar(int option) {
  trace("createdynamicvar - Entry (%d)\n", option);
  varnode* node = nullptr;
  if (option >= 0 && option < entries_end() - CmdIntSyntax.kwd) {
    KeywordEntry& entry = CmdIntSyntax.kwd[option];
    node = addvarnode(entry.type, 1);
    if (node != nullptr) {
      entry.dynvarno = node->dseqno;
      entry.value = node->value;
    }
  }
  trace("createdynamicvar - Exit\n");
  return node;
}

int getverbargval(const char* verbword) {
  trace("getverbargval - Entry\n");
  KeywordEntry& entry = CmdIntSyntax.kwd[0];
  std::size_t end = text_end();
  bool inside = verbword >= LocalBuffer && verbword < LocalBuffer + end;
  std::size_t start = inside ? static_cast<std::size_t>(verbword - LocalBuffer) : end;
  token_at = start + CmdIntSyntax.verblen < end ? start + CmdIntSyntax.verblen : end;
  std::string_view open = next_token();
  if (!is_open(open)) {
    put_back(open);
    cintschedmsg(kMsgNoVerbArgument);
    trace("getverbargval - Exit\n");
    return 1;
  }
  std::string_view value = next_token();
  if (value.empty() || begins_with(value, kClose)) {
    cintschedmsg(kMsgNoVerbArgument);
    trace("getverbargval - Exit\n");
    return 1;
  }
  if (begins_with(value, kVariableMark)) {
    const varnode* node = findnode(TokenText(value).text);
    if (node != nullptr) {
      attach_variable(entry, node);
    } else {
      cintschedmsg(kMsgNoVariable);
    }
  } else {
    attach_literal(0, value);
  }
  std::string_view last = next_token();
  if (!begins_with(last, kClose)) {
    cintschedmsg(kMsgNoCloseParenthesis);
    skip_rest_of_argument(value, last);
  }
  trace("getverbargval - Exit\n");
  return 0;
}

int GetArgValue(int option) {
  trace("GetArgValue - Entry (%d)\n", option);
  bool listed = option >= 1 && option < entries_end() - CmdIntSyntax.kwd;
  int result = listed ? evaluate_option(option) : 1;
  trace("GetArgValue - Exit (%d)\n", result);
  return result;
}

int PrepareForDisplay() {
  trace("PrepareForDisplay - Entry\n");
  check_slots();
  detach_lost_values();
  passcount = 0;
  carried.clear();
  if (CmdIntSyntax.verblen != 0) {
    for (KeywordEntry* entry = CmdIntSyntax.kwd; entry != entries_end(); ++entry) {
      entry->present = 0;
    }
    fill_local_buffer();
    next_token();  // the transaction identifier
    std::string_view verbword = next_token();
    if (!verbword.empty() && CmdIntSyntax.kwd[0].type != kTypeNone) getverbargval(verbword.data());
    for (std::string_view token = next_token(); !token.empty(); token = next_token()) {
      int option = option_named(token);
      if (option == 0) {
        evaluate_unlisted_operand();
      } else if (GetArgValue(option) == 1) {
        CmdIntSyntax.kwd[option].present = 0;
      }
    }
    if (passcount < slotcount) drop_slots_from(passcount + 1);
  }
  carried.clear();
  trace("PrepareForDisplay - Exit\n");
  return 0;
}

int ProcessInputString() {
  trace("ProcessInputString - Entry\n");
  PrepareForDisplay();
  trace("ProcessInputString - Exit\n");
  return 0;
}

}  // namespace qcmd
