#include "vars/varscreen.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host.hpp"
#include "vars/cmdline.hpp"
#include "vars/conversions.hpp"
#include "vars/editvarscreen.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"

namespace qcmd {

char hexindicator[kHexIndicatorSize];

namespace {

constexpr char kTitle[] = "Command Interpreter - Variables";
constexpr char kHeading[] = "Name        Length     Variable Data";
constexpr char kRule[] = "----        ------     -------------";
constexpr char kKeysChar[] = "(PF2) Hexadecimal   (PF3) Return   (PF10) Edit Variable";
constexpr char kKeysHex[] = "(PF2) Char/Decimal  (PF3) Return   (PF10) Edit Variable";
constexpr char kMore[] = " ....";

constexpr int kColumns = host::kScreenColumns;
constexpr int kHeadingRow = 6;
constexpr int kFirstVarRow = 8;
constexpr int kMaxVariables = 12;
constexpr int kNameColumn = 1;
constexpr int kLengthColumn = 13;
constexpr int kValueColumn = 24;
constexpr int kIndicatorColumn = 64;
constexpr int kKeysRow = 23;
constexpr int kKeysColumn = 11;
// Cells of each field up to the next field's attribute.
constexpr int kNameCells = kLengthColumn - kNameColumn - 1;
constexpr int kLengthCells = kValueColumn - kLengthColumn - 1;
constexpr int kValueCells = kColumns - kValueColumn;
// What is read back of each field.
constexpr int kNameRead = static_cast<int>(kVarNameTyped);
constexpr int kValueRead = 40;
constexpr int kValueHexBytes = kValueRead / 2;
constexpr int kFieldsPerRow = 3;

// The new-variable row as typed, kept while it is refused.
char tmpname[kNameRead + 1];
char tmplen[kLengthFieldSize + 1];
char tmpval[kValueRead + 1];
varnode tempvar;

// A field written from a line of `cells` characters: the text, then nulls.
void place_field(const char* text, int length, int cells, int offset) {
  char line[kColumns] = {};
  std::memcpy(line, text, static_cast<std::size_t>(std::min(length, cells)));
  place(line, cells, offset, host::kCnvInputAttr);
}

char shown_char(std::uint8_t byte) {
  return byte >= ' ' && byte <= '~' ? static_cast<char>(byte) : '.';
}

// A character string's first bytes, as characters or hexadecimal digits.
int format_string(const varnode* node, char* text) {
  int length = 0;
  if (displaymode == kDisplayHex) {
    int count = std::min(node->len, kValueHexBytes);
    for (int i = 0; i < count; ++i) std::snprintf(text + 2 * i, 3, "%02x", node->value[i]);
    length = 2 * count;
    if (node->len > kValueHexBytes)
      length += std::snprintf(text + length, sizeof kMore, "%s", kMore);
  } else {
    int count = std::min(node->len, kValueRead);
    for (int i = 0; i < count; ++i) text[i] = shown_char(node->value[i]);
    length = count;
    if (node->len > kValueRead) length += std::snprintf(text + length, sizeof kMore, "%s", kMore);
  }
  return length;
}

int format_value(const varnode* node, char* text) {
  if (node->value == nullptr) return 0;
  if (node->type == kTypeString) return format_string(node, text);
  return format_number(node, text);
}

void show_variable(const varnode* node, int row) {
  place_field(node->name, static_cast<int>(strnlen(node->name, kVarNameSize)), kNameCells,
              offset_of(row, kNameColumn));
  char text[kColumns];
  int length = std::snprintf(text, sizeof text, "%05d", node->len);
  place_field(text, length, kLengthCells, offset_of(row, kLengthColumn));
  place_field(text, format_value(node, text), kValueCells, offset_of(row, kValueColumn));
}

void show_new_variable_row(int row) {
  place_field(tmpname, kNameRead + 1, kNameCells, offset_of(row, kNameColumn));
  place_field(tmplen, kLengthFieldSize, kLengthCells, offset_of(row, kLengthColumn));
  place_field(tmpval, kValueRead, kValueCells, offset_of(row, kValueColumn));
}

void blank_new_variable_row() {
  std::memset(tmpname, ' ', sizeof tmpname);
  std::memset(tmplen, ' ', sizeof tmplen);
  std::memset(tmpval, ' ', sizeof tmpval);
  std::memset(&tempvar, 0, sizeof tempvar);
}

int name_field(int k) {
  return kFieldsPerRow * k + 2;
}

// The first blank-delimited word of a name field into `word` (NUL-terminated).
void first_word(const char* field, char* word) {
  int start = 0;
  while (start < kNameRead && field[start] == ' ') ++start;
  int end = start;
  while (end < kNameRead && field[end] != ' ' && field[end] != '\0') ++end;
  std::memcpy(word, field + start, static_cast<std::size_t>(end - start));
  word[end - start] = '\0';
}

bool is_blank(const char* text, int length) {
  return std::all_of(text, text + length, [](char c) { return c == ' '; });
}

// The typed name when it begins with "&"; else 3240 and false.
bool take_name(const char* field, char* name) {
  char word[kNameRead + 1];
  first_word(field, word);
  std::strncpy(name, word, kVarNameSize);
  if (word[0] == '&') return true;
  cintschedmsg(kMsgNameWithoutAmpersand);
  return false;
}

// A typed type letter, or 0.
struct TypeLetter {
  char letter;
  std::int32_t type;
};
constexpr TypeLetter kTypeLetters[] = {{'F', kTypeFullword},
                                       {'H', kTypeHalfword},
                                       {'P', kTypePacked},
                                       {'A', kTypePointer},
                                       {'D', kTypeDoubleword}};

std::int32_t type_of_letter(char c) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const TypeLetter& t : kTypeLetters)
    if (t.letter == upper) return t.type;
  return kTypeNone;
}

// Gives `node` `type` and `len`, with a block that holds them.
void retype(varnode* node, std::int32_t type, std::int32_t len) {
  if (node == &tempvar) {
    node->type = type;
  } else if (resize_value_block(node, type) != 0) {
    return;
  }
  node->len = len;
}

void store_string(varnode* node, const char* text) {
  if (displaymode == kDisplayHex) {
    if (node->len > kValueHexBytes) {
      std::uint8_t bytes[kValueRead + 1];
      hex2charstr(kValueRead, text, bytes);
      std::memcpy(node->value, bytes, kValueHexBytes);
    } else {
      hex2charstr(2 * node->len, text, node->value);
    }
    return;
  }
  int count = std::min(node->len, kValueRead);
  if (node->len <= kValueRead) node->value[node->len] = 0;
  for (int i = 0; i < count; ++i)
    if (text[i] != '.') node->value[i] = static_cast<std::uint8_t>(text[i]);
}

void store_value(varnode* node, const char* text) {
  if (node->value == nullptr) return;
  if (node->type == kTypeString) {
    store_string(node, text);
  } else {
    store_number(node, text);
  }
}

// The new-variable row: a variable made of what was typed, unless refused.
void create_variable(int n) {
  read_field(tmpname, name_field(n), kNameRead);
  if (is_blank(tmpname, kNameRead)) return;
  bool refused = !take_name(tmpname, tempvar.name);
  read_field(tmplen, name_field(n) + 1, kLengthFieldSize);
  tempvar.type = kTypeNone;  // whatever was typed before, this length decides
  tempvar.len = -1;
  if (processlength(tmplen, &tempvar) != 0) refused = true;
  read_field(tmpval, name_field(n) + 2, kValueRead);
  if (refused) return;
  varnode* node = addvarnode(tempvar.type, 0);
  if (node == nullptr) return;
  std::memcpy(node->name, tempvar.name, kNameRead + 1);
  if (node->value != nullptr) node->len = tempvar.len;
  blank_new_variable_row();
}

// Reads one listed variable's row back: blank name deletes it. Returns the
// node that follows.
varnode* apply_row(varnode* node, int k) {
  char field[kValueRead + 1] = {};
  read_field(field, name_field(k), kNameRead);
  varnode* next = node->next;
  if (is_blank(field, kNameRead)) {
    deletenode(node->seqno);
    return next;
  }
  char name[kVarNameSize] = {};
  if (take_name(field, name)) std::memcpy(node->name, name, kVarNameSize);
  char length[kLengthFieldSize + 1] = {};
  read_field(length, name_field(k) + 1, kLengthFieldSize);
  processlength(length, node);
  read_field(field, name_field(k) + 2, kValueRead);
  store_value(node, field);
  return next;
}

// The row of the last input's cursor, from 1.
int cursor_row() {
  const std::uint8_t* input = host::linked_block(host::xnuc, host::kNucInput);
  return host::cvdsaddr(input + 1) / kColumns + 1;
}

void edit_variable_under_cursor() {
  int row = cursor_row();
  if (row < kFirstVarRow || row > kFirstVarRow - 1 + varanchor.numuservars) return;
  read_field(tmpname, name_field(row - kFirstVarRow), kNameRead);
  char name[kNameRead + 1];
  first_word(tmpname, name);
  editvarscreen(name);
  std::memset(tmpname, ' ', sizeof tmpname);
}

}  // namespace

void sethexindicator() {
  std::snprintf(hexindicator, sizeof hexindicator, "%s",
                displaymode == kDisplayHex ? "HEXADECIMAL" : "CHAR/DECIMAL");
}

void switchdisplaymode() {
  displaymode = displaymode == kDisplayHex ? kDisplayCharacter : kDisplayHex;
  sethexindicator();
}

void read_field(char* dest, int field, int length) {
  cintrdlc(dest, field, length);
  std::replace(dest, dest + length, '\0', ' ');
}

int format_number(const varnode* node, char* text) {
  if (node->value == nullptr) return 0;
  bool hex = displaymode == kDisplayHex;
  std::uint32_t word = 0;
  std::uint32_t second = 0;
  std::uint16_t half = 0;
  switch (node->type) {
    case kTypePointer:
    case kTypeFullword:
      std::memcpy(&word, node->value, sizeof word);
      return std::snprintf(text, kNumberTextSize, hex ? "%010x" : "%010u", word);
    case kTypeHalfword:
      std::memcpy(&half, node->value, sizeof half);
      return std::snprintf(text, kNumberTextSize, hex ? "%05x" : "%05u", half);
    case kTypePacked:
      pckd2strng(text, node->value);
      return kPackedTextLength;
    case kTypeDoubleword:
      std::memcpy(&word, node->value, sizeof word);
      std::memcpy(&second, node->value + sizeof word, sizeof second);
      return std::snprintf(text, kNumberTextSize, "%08X%08X", word, second);
    default:
      return 0;
  }
}

void store_number(varnode* node, const char* text) {
  if (node->value == nullptr) return;
  int base = displaymode == kDisplayHex ? 16 : 10;
  constexpr int kWordDigits = 8;
  char part[kWordDigits + 1] = {};
  std::uint32_t words[2];
  switch (node->type) {
    case kTypeHalfword: {
      auto half = static_cast<std::uint16_t>(std::strtol(text, nullptr, base));
      std::memcpy(node->value, &half, sizeof half);
      break;
    }
    case kTypeFullword: {
      auto word = static_cast<std::uint32_t>(std::strtoul(text, nullptr, base));
      std::memcpy(node->value, &word, sizeof word);
      break;
    }
    case kTypePacked:
      strng2pckd(node->value, text);
      break;
    case kTypeDoubleword:
      for (int i = 0; i < 2; ++i) {
        std::memcpy(part, text + kWordDigits * i, kWordDigits);
        words[i] = static_cast<std::uint32_t>(std::strtoul(part, nullptr, 16));
      }
      std::memcpy(node->value, words, sizeof words);
      break;
    default:
      break;  // a pointer is only shown
  }
}

int processlength(const char* text, varnode* node) {
  trace("processlength Entry varptr = %08x\n", host::ptr_to_word(node));
  trace("processlength strlen(lenptr) = %d\n", static_cast<int>(strnlen(text, kLengthFieldSize)));
  for (int i = 0; i < kLengthFieldSize && text[i] != '\0'; ++i) {
    std::int32_t type = type_of_letter(text[i]);
    if (type == kTypeNone) continue;
    if (node->type != type) retype(node, type, static_cast<std::int32_t>(value_block_size(type)));
    trace("processlength - Exit(0) \n");
    return 0;
  }
  for (int i = 0; i < kLengthFieldSize; ++i) {
    if (text[i] != ' ' && (text[i] < '0' || text[i] > '9')) {
      cintschedmsg(kMsgBadLength);
      trace("processlength - Exit(1) \n");
      return 1;
    }
  }
  char digits[kLengthFieldSize + 1] = {};
  std::memcpy(digits, text, kLengthFieldSize);
  long length = std::strtol(digits, nullptr, 10);
  // An unchanged length is kept as it is, even the 32768 of a new string.
  if (length == node->len) {
    trace("processlength - Exit(0) \n");
    return 0;
  }
  if (length >= static_cast<long>(kStringBlockSize)) {
    cintschedmsg(kMsgLengthTooLarge);
    trace("processlength - Exit(1) \n");
    return 1;
  }
  retype(node, kTypeString, static_cast<std::int32_t>(length));
  trace("processlength - Exit(0) \n");
  return 0;
}

int cintvarscreen() {
  trace("cintvarscreen : Entry\n");
  blank_new_variable_row();
  std::memset(blnkss, ' ', sizeof blnkss);
  std::memset(zeroes, 0, sizeof zeroes);
  sethexindicator();
  std::int8_t key = key_start();
  while (!key_is_pf3(key)) showvarscreen(&key);
  trace("cintvarscreen : Exit\n");
  return 0;
}

void showvarscreen(std::int8_t* key) {
  trace("showvarscreen : Entry \n");
  host::scrnhead(kTitle, static_cast<int>(std::strlen(kTitle)), host::xtermnum);
  dspcmdbuff(&CmdIntBuffer);
  place(kHeading, offset_of(kHeadingRow, 1), host::kCnvBrightAttr);
  place(kRule, offset_of(kHeadingRow + 1, 1), host::kCnvBrightAttr);
  int row = kFirstVarRow;
  for (const varnode* node = varanchor.head; node != nullptr; node = node->next)
    if (node->dynamic == 0) show_variable(node, row++);
  if (varanchor.numvars < kMaxVariables) show_new_variable_row(row);
  cintdspmsg(kMessageRow);
  place(hexindicator, offset_of(kMessageRow, kIndicatorColumn), host::kCnvBrightAttr);
  const char* keys = displaymode == kDisplayHex ? kKeysHex : kKeysChar;
  place(keys, offset_of(kKeysRow, kKeysColumn), host::kCnvProtAttr);
  host::oxsc(offset_of(row, kNameColumn) + 1);  // the first cell of the name
  send_or_exit("showvarscreen");
  readvarscreen(key);
  trace("showvarscreen : Exit\n");
}

int readvarscreen(std::int8_t* key) {
  trace("readvarscreen : Entry\n");
  host::oxrdkey(key);
  std::uint8_t aid = key_aid(*key);
  if (aid == kAidPf10) {
    edit_variable_under_cursor();
  } else if (aid == kAidEnter) {
    processvarscreen();
  } else if (aid == aid_pf(2)) {
    switchdisplaymode();
  }
  trace("readvarscreen : Exit\n");
  return 0;
}

int processvarscreen() {
  trace("processvarscreen - Entry\n");
  readcmdbuff(&CmdIntBuffer, 1);
  int n = varanchor.numuservars;
  if (n < kMaxVariables) {
    create_variable(n);
    n = varanchor.numuservars;
  }
  int k = 0;
  varnode* node = varanchor.head;
  while (node != nullptr && k < n) {
    if (node->dynamic != 0) {
      node = node->next;
      continue;
    }
    node = apply_row(node, k++);
  }
  trace("processvarscreen Exit\n");
  return 0;
}

}  // namespace qcmd
