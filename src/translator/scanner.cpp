#include "translator/scanner.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "translator/builtin_values.hpp"
#include "translator/diagnostics.hpp"
#include "translator/keywords.hpp"

namespace qcmd {

char ParseBuffer[kParseBufferSize];
char* ParseBufferPtr = ParseBuffer + kParseTextOffset;
char yytext[kMaxTokenLength + 2];
char yylval[kTokenValueSize];
std::int16_t is_argument = 0;
char chr_str[kStringBodySize];
LexMode lex_mode = LexMode::kInitial;
std::int32_t exec_cics = 0;
char lex_error[kMaxLexMessages][kDiagnosticLength + 1];
std::int16_t lex_severity[kMaxLexMessages];
std::int32_t lex_error_no = -1;
std::int16_t open_dfhvalue = 0;
std::int16_t dfhvalue_argument = 0;
std::int16_t open_dfhresp = 0;
std::int16_t dfhresp_argument = 0;
std::ostream* yyout = &std::cout;

namespace {

// Character classes of the 7-bit set; every other byte is of no class.
enum CharClass : std::uint8_t {
  kLetter = 1,      // A-Z, a-z
  kDigit = 2,       // 0-9
  kNameSymbol = 4,  // # $ & _ @: may begin and continue a name
  kBlank = 8,       // blank and tab
};

constexpr std::array<std::uint8_t, 256> make_classes() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] = classes[c - 'A' + 'a'] = kLetter;
  for (int c = '0'; c <= '9'; ++c) classes[c] = kDigit;
  for (unsigned char c : {'#', '$', '&', '_', '@'}) classes[c] = kNameSymbol;
  classes[' '] = classes['\t'] = kBlank;
  return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = make_classes();

bool is(int c, unsigned classes) {
  return (kClasses[static_cast<std::uint8_t>(c)] & classes) != 0;
}
bool is_upper(int c) {
  return c >= 'A' && c <= 'Z';
}
char to_upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr std::int32_t kNoToken = -1;  // the rule matched produces no token
constexpr const char* kTooLongMessage = "Input string too long, limit ";

// Output state: echo is off from EXEC CICS to the end of the command; the
// pending saved text is what the DFHVALUE and DFHRESP modes pass over.
bool echo = true;
std::string saved_text;

// ---- Reading the text of the current match into yytext ----

int yyleng = 0;

void start_match() {
  yyleng = 0;
  yytext[0] = '\0';
}

void too_long() {
  *yyout << kTooLongMessage << kMaxTokenLength;
  yyout->flush();
  std::exit(1);
}

// Adds a character just read to the match.
void keep(int c) {
  if (yyleng > kMaxTokenLength) too_long();
  yytext[yyleng++] = static_cast<char>(c);
  yytext[yyleng] = '\0';
}

// Reads the next character into the match; 0 at the end of input.
int take() {
  const int c = my_input();
  if (c == 0) {
    my_unput();
    return 0;
  }
  keep(c);
  return c;
}

// Gives back the characters of the match beyond `length`.
void back_up_to(int length) {
  while (yyleng > length) {
    my_unput();
    --yyleng;
  }
  yytext[yyleng] = '\0';
}

// Takes one more character if it is `wanted`.
bool take_if(char wanted) {
  const int start = yyleng;
  if (take() == wanted) return true;
  back_up_to(start);
  return false;
}

// Takes characters while they are of `classes` (the end of input is of none).
void take_while(unsigned classes) {
  for (int c = my_input(); is(c, classes); c = my_input()) keep(c);
  my_unput();
}

// Takes `literal` exactly, or nothing.
bool take_literal(const char* literal) {
  const int start = yyleng;
  for (const char* p = literal; *p != '\0'; ++p) {
    if (take() != *p) {
      back_up_to(start);
      return false;
    }
  }
  return true;
}

// Takes the upper-case `word` written all in upper or all in lower case.
bool take_word(const char* word) {
  const int start = yyleng;
  const int first = take();
  const bool lower = first == word[0] - 'A' + 'a';
  if (first != word[0] && !lower) {
    back_up_to(start);
    return false;
  }
  for (const char* p = word + 1; *p != '\0'; ++p) {
    const int wanted = lower && is_upper(*p) ? *p - 'A' + 'a' : *p;
    if (take() != wanted) {
      back_up_to(start);
      return false;
    }
  }
  return true;
}

// ---- Text helpers ----

void copy_text(char* target, std::size_t size, const char* text) {
  const std::size_t length = std::min(std::strlen(text), size - 1);
  std::memcpy(target, text, length);
  target[length] = '\0';
}

void append_text(char* target, std::size_t size, const char* text) {
  const std::size_t used = std::strlen(target);
  copy_text(target + used, size - used, text);
}

void set_yylval() {
  copy_text(yylval, sizeof yylval, yytext);
}
void append_chr_str(const char* text) {
  append_text(chr_str, sizeof chr_str, text);
}

bool only_blanks(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

void write_saved_text() {
  *yyout << saved_text;
  saved_text.clear();
}

// ---- The built-in functions DFHVALUE and DFHRESP ----

enum class LexMessage { kRequiresOpen, kRequiresClose, kRequiresArgument, kNotSupported };

// The severity of looking up a first argument (0: none), making `value` the
// number to write.
using JudgeArgument = std::int16_t (*)(std::int32_t& value);

std::int16_t judge_dfhvalue(std::int32_t& value) {
  if (value == 0) return kSeverityError;
  if (value > 0) return kSeverityWarning;
  value = -value;  // supported: the number is the value without its sign
  return 0;
}

std::int16_t judge_dfhresp(std::int32_t& value) {
  return value < 0 ? kSeverityError : 0;
}

struct BuiltinFunction {
  const char* word;
  LexMode mode;
  std::int16_t* open;
  std::int16_t* argument;
  std::int32_t (*lookup)(const char* name);
  JudgeArgument judge;
};

// ORDER: DFHVALUE, then DFHRESP; the initial mode tries them in this order.
const BuiltinFunction kBuiltins[] = {
    {"DFHVALUE", LexMode::kDfhvalue, &open_dfhvalue, &dfhvalue_argument, get_dfhvalue,
     judge_dfhvalue},
    {"DFHRESP", LexMode::kDfhresp, &open_dfhresp, &dfhresp_argument, get_dfhresp, judge_dfhresp},
};

std::string lex_message(LexMessage message, const BuiltinFunction& function, const char* name) {
  const std::string word = function.word;
  switch (message) {
    case LexMessage::kRequiresOpen:
      return word + " macro requires \"(\"";
    case LexMessage::kRequiresClose:
      return word + " macro requires \")\"";
    case LexMessage::kRequiresArgument:
      return word + " macro requires an argument";
    case LexMessage::kNotSupported:
      return std::string("Argument '") + name + "' for macro " + word + " is not supported.";
  }
  return {};
}

void report_now(LexMessage message, const BuiltinFunction& function) {
  print_error(lex_message(message, function, "").c_str());
}

void store_message(LexMessage message, const BuiltinFunction& function, std::int16_t severity,
                   const char* name = "") {
  save_lex_error(lex_message(message, function, name).c_str(), severity);
}

// The first argument: look it up and write the comment and the number.
void replace_first_argument(const BuiltinFunction& function) {
  for (int i = 0; i < yyleng; ++i) yytext[i] = to_upper(yytext[i]);
  std::int32_t value = function.lookup(yytext);
  const std::int16_t severity = function.judge(value);
  if (severity != 0) store_message(LexMessage::kNotSupported, function, severity, yytext);
  append_chr_str(yytext);
  *yyout << chr_str << ")*/" << value;
}

void builtin_argument(const BuiltinFunction& function) {
  if (*function.open == 0) report_now(LexMessage::kRequiresOpen, function);
  ++*function.argument;
  if (*function.argument == 1) {
    replace_first_argument(function);
  } else if (*function.argument >= 3) {
    report_now(LexMessage::kRequiresClose, function);
  }
}

void builtin_semicolon(const BuiltinFunction& function) {
  if (*function.open != 0) store_message(LexMessage::kRequiresClose, function, kSeverityError);
  if (*function.argument == 0) {
    store_message(LexMessage::kRequiresArgument, function, kSeverityError);
  } else {
    *function.argument = 0;
  }
  lex_mode = LexMode::kInitial;
}

void scan_builtin(const BuiltinFunction& function) {
  const int c = take();
  if (is(c, kLetter)) {
    take_while(kLetter | kDigit);
    builtin_argument(function);
  } else if (c == '(') {
    *function.open = 1;
    *function.argument = 0;
    append_chr_str("(");
  } else if (c == ')') {
    *function.open = 0;
    lex_mode = LexMode::kInitial;
  } else if (c == ';') {
    builtin_semicolon(function);
  } else if (c == '\n') {
    *yyout << '\n';  // no rule of this mode takes a newline
  } else {
    saved_text += static_cast<char>(c);
  }
}

// ---- Initial mode: text outside commands ----

bool take_exec_cics() {
  if (!take_word("EXEC")) return false;
  const int after_exec = yyleng;
  take_while(kBlank);
  if (yyleng > after_exec && take_word("CICS")) return true;
  back_up_to(0);
  return false;
}

std::int32_t begin_command() {
  set_yylval();
  if (!only_blanks(saved_text)) *yyout << saved_text;
  saved_text.clear();
  exec_cics = 1;
  echo = false;
  lex_mode = LexMode::kCommand;
  return TK_EXEC_CICS;
}

void report_lex_messages() {
  const int stored = std::min(lex_error_no + 1, kMaxLexMessages);
  for (int i = 0; i < stored; ++i) {
    if (lex_severity[i] == kSeverityError) {
      print_error(lex_error[i]);
    } else {
      print_warning(lex_error[i]);
    }
  }
  lex_error_no = -1;
}

std::int32_t scan_initial() {
  if (take_exec_cics()) return begin_command();
  if (take_literal("/*")) {
    if (echo) write_saved_text();
    lex_mode = LexMode::kComment;
    return kNoToken;
  }
  for (const BuiltinFunction& function : kBuiltins) {
    if (take_word(function.word)) {
      copy_text(chr_str, sizeof chr_str, "/*");
      append_chr_str(yytext);
      lex_mode = function.mode;
      return kNoToken;
    }
  }
  const int c = take();
  if (c == ';') {
    report_lex_messages();
    echo = true;
    saved_text.clear();
    return TK_SEMICOLON;
  }
  if (c == '\n' && echo) {
    write_saved_text();
    *yyout << '\n';
  }
  return kNoToken;
}

// ---- Command mode ----

std::int32_t name_token() {
  set_yylval();
  if (is_argument != 0) return TK_NAME;
  char upper[sizeof yytext];
  for (int i = 0; i <= yyleng; ++i) upper[i] = to_upper(yytext[i]);
  return get_token(upper);
}

std::int32_t text_token(std::int32_t token) {
  set_yylval();
  return token;
}

std::int32_t scan_command() {
  const int c = take();
  if (is(c, kLetter | kNameSymbol)) {
    take_while(kLetter | kDigit | kNameSymbol);
    return name_token();
  }
  if (is(c, kDigit)) {
    take_while(kDigit);
    return text_token(TK_NUMBER);
  }
  switch (c) {
    case '(':
      is_argument = 1;
      return TK_LPAREN;
    case ')':
      is_argument = 0;
      return TK_RPAREN;
    case ',':
      return text_token(TK_COMMA);
    case '.':
      return text_token(TK_PERIOD);
    case ':':
      return text_token(TK_COLON);
    case '+':
      return text_token(TK_PLUS);
    case '-':
      return text_token(take_if('>') ? TK_ARROW : TK_MINUS);
    case '*':
      take_if('*');
      return text_token(TK_INFIXOP);
    case '/':
      return text_token(TK_INFIXOP);
    case '|':
      return take_if('|') ? text_token(TK_INFIXOP) : kNoToken;
    case '\'':
      chr_str[0] = '\0';
      lex_mode = LexMode::kString;
      return kNoToken;
    case ';':
      echo = true;
      saved_text.clear();
      lex_mode = LexMode::kInitial;
      return TK_SEMICOLON;
    default:
      return kNoToken;  // blanks, newlines, "=", '"' and the like
  }
}

// ---- String and comment modes ----

std::int32_t scan_string() {
  const int c = take();
  if (c == '\'') {
    copy_text(yylval, sizeof yylval, chr_str);
    lex_mode = LexMode::kCommand;
    return TK_STRING;
  }
  if (c == '\n') {
    *yyout << '\n';  // dropped from the string
    return kNoToken;
  }
  for (;;) {
    const int start = yyleng;
    const int next = take();
    if (next == 0 || next == '\'' || next == '\n') {
      back_up_to(start);
      break;
    }
  }
  append_chr_str(yytext);
  return kNoToken;
}

void scan_comment() {
  if (take_literal("*/")) {
    lex_mode = LexMode::kInitial;
  } else {
    take();
  }
}

std::int32_t scan_once() {
  switch (lex_mode) {
    case LexMode::kInitial:
      return scan_initial();
    case LexMode::kCommand:
      return scan_command();
    case LexMode::kString:
      return scan_string();
    case LexMode::kComment:
      scan_comment();
      return kNoToken;
    case LexMode::kDfhvalue:
      scan_builtin(kBuiltins[0]);
      return kNoToken;
    case LexMode::kDfhresp:
      scan_builtin(kBuiltins[1]);
      return kNoToken;
  }
  return kNoToken;
}

}  // namespace

int my_input() {
  return static_cast<unsigned char>(*ParseBufferPtr++);
}

void my_unput() {
  --ParseBufferPtr;
}

std::int32_t yylex() {
  for (;;) {
    if (*ParseBufferPtr == '\0') return TK_END_OF_INPUT;
    start_match();
    const std::int32_t token = scan_once();
    if (yyleng > kMaxTokenLength) too_long();
    if (token != kNoToken) return token;
  }
}

void save_lex_error(const char* text, std::int16_t severity) {
  ++lex_error_no;
  if (lex_error_no >= kMaxLexMessages) return;
  store_message_text(lex_error[lex_error_no], text);
  lex_severity[lex_error_no] = severity;
}

void reset_scanner() {
  lex_mode = LexMode::kInitial;
  is_argument = 0;
  exec_cics = 0;
  chr_str[0] = yytext[0] = yylval[0] = '\0';
  lex_error_no = -1;
  open_dfhvalue = dfhvalue_argument = open_dfhresp = dfhresp_argument = 0;
  echo = true;
  saved_text.clear();
}

}  // namespace qcmd
