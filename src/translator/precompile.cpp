#include "translator/precompile.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <deque>
#include <iterator>
#include <optional>
#include <sstream>
#include <utility>

#include "translator/descriptor.hpp"
#include "translator/diagnostics.hpp"
#include "translator/grammar.hpp"
#include "translator/scanner.hpp"
#include "vars/conversions.hpp"

namespace qcmd {

namespace {

// What the translated code calls and declares.
constexpr std::string_view kExecFunction = "ravnmor_exec";
constexpr std::string_view kEibCall = "ravnmor_eib()";
constexpr std::string_view kArgumentArray = "ravnmor_a_";
constexpr std::string_view kValuePrefix = "ravnmor_v";   // + position + "_"
constexpr std::string_view kPackedPrefix = "ravnmor_p";  // + position + "_"
constexpr std::string_view kNullArgument = "(void *)0";
constexpr std::string_view kHalfwordType = "int16_t";
constexpr std::string_view kFullwordType = "int32_t";

constexpr std::string_view kExecWord = "EXEC";
constexpr std::string_view kCicsWord = "CICS";
constexpr std::string_view kStatementStart = "EXEC CICS ";
constexpr std::string_view kStatementEnd = " ; ";
constexpr std::string_view kBuiltinEnd = ";;";  // the scanner reports its messages at a ";"
constexpr std::string_view kReplacementEnd = "*/";
// Stands in a statement for an operand: a name to the scanner, never a
// keyword inside parentheses, and no character of C outside its strings.
constexpr char kPlaceholderMark = '@';
constexpr std::size_t kPackedBytes = kPackedTextLength / 2;
constexpr std::size_t kMaxRawDelimiter = 16;
constexpr int kOctalDigits = 3;
constexpr int kBitsPerOctalDigit = 3;
constexpr int kOctalDigitMask = 07;
constexpr int kBitsPerHexDigit = 4;
constexpr int kHexDigitMask = 0xF;
constexpr std::string_view kHexDigits = "0123456789abcdef";
constexpr int kByteMask = 0xFF;
constexpr char kFirstPrintable = 0x20;
constexpr char kLastPrintable = 0x7E;
constexpr unsigned char kFirstNonAscii = 0x80;  // UTF-8 in identifiers

// Messages of the precompiler's own.
constexpr std::string_view kUnterminatedComment = "unterminated comment";
constexpr std::string_view kUnterminatedString = "unterminated string or character constant";
constexpr std::string_view kUnterminatedStatement =
    "EXEC CICS statement not ended: no ';' outside parentheses before the end of the file";
constexpr std::string_view kEmptyParentheses =
    "empty parentheses: a program names its own data area for each option";
constexpr std::string_view kNumberOperand =
    "a number cannot be passed here: name a variable (or write a string)";
constexpr std::string_view kNotPacked = "is not a packed decimal number of one to six digits";
constexpr std::string_view kNoMapArea =
    "RECEIVE MAP needs INTO or SET: a program has no default map input area";
constexpr std::string_view kUndecodableString =
    "the string cannot be padded to its length: it holds an escape other than a simple, octal or "
    "hexadecimal one";
constexpr std::string_view kWordTooLong = "a word of an EXEC CICS statement is longer than ";
constexpr std::string_view kBuiltinTooLong = "the call is longer than ";
constexpr std::string_view kBuiltinNoName = " needs a name in parentheses";

struct Position {
  int line = 1;
  int column = 1;
};

class Findings {
 public:
  void add(Position at, std::int16_t severity, std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    list_.push_back({at.line, at.column, severity, std::move(text)});
  }
  void error(Position at, std::string_view text) { add(at, kSeverityError, std::string(text)); }
  bool any_error_since(std::size_t first) const {
    return std::any_of(list_.begin() + static_cast<std::ptrdiff_t>(first), list_.end(),
                       [](const SourceDiagnostic& d) { return d.severity >= kSeverityError; });
  }
  std::size_t size() const { return list_.size(); }
  std::vector<SourceDiagnostic> sorted() && {
    std::stable_sort(list_.begin(), list_.end(), [](const auto& a, const auto& b) {
      return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return std::move(list_);
  }

 private:
  std::vector<SourceDiagnostic> list_;
};

// ---- Reading C and C++ source ----

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_identifier_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= kFirstNonAscii;
}
bool is_identifier_char(char c) {
  return is_identifier_start(c) || is_digit(c);
}

// A read position in a text, counting lines and columns.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  bool at_end() const { return offset_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const {
    return offset_ + ahead < text_.size() ? text_[offset_ + ahead] : '\0';
  }
  bool looking_at(std::string_view text) const { return rest().starts_with(text); }
  std::string_view rest() const { return text_.substr(std::min(offset_, text_.size())); }
  void advance(std::size_t count = 1) {
    for (; count > 0 && !at_end(); --count) step();
  }
  std::size_t offset() const { return offset_; }
  Position position() const { return position_; }
  // Only blanks and tabs since the last newline.
  bool at_line_start() const { return line_start_; }
  std::string_view since(std::size_t start) const { return text_.substr(start, offset_ - start); }

 private:
  void step() {
    const char c = text_[offset_++];
    if (c == '\n') {
      ++position_.line;
      position_.column = 1;
      line_start_ = true;
    } else {
      ++position_.column;
      line_start_ = line_start_ && (c == ' ' || c == '\t');
    }
  }

  std::string_view text_;
  std::size_t offset_ = 0;
  Position position_;
  bool line_start_ = true;
};

enum class Kind { kSpace, kComment, kString, kIdentifier, kNumber, kDirective, kPunctuator };

struct Piece {
  Kind kind;
  std::string_view text;
  Position start;
};

// Splits C or C++ source into the pieces that matter here. Unterminated
// comments and strings are reported to `findings` (when given).
class Lexer {
 public:
  Lexer(std::string_view text, Findings* findings) : cursor_(text), findings_(findings) {}
  bool at_end() const { return cursor_.at_end(); }
  Cursor& cursor() { return cursor_; }

  Piece next() {
    const std::size_t start = cursor_.offset();
    const Position at = cursor_.position();
    const Kind kind = scan(at);
    return {kind, cursor_.since(start), at};
  }

 private:
  Kind scan(Position at) {
    const char c = cursor_.peek();
    if (c == '#' && cursor_.at_line_start()) {
      skip_directive();
      return Kind::kDirective;
    }
    if (is_space(c)) {
      while (!cursor_.at_end() && is_space(cursor_.peek())) cursor_.advance();
      return Kind::kSpace;
    }
    if (cursor_.looking_at("/*")) {
      skip_block_comment(at);
      return Kind::kComment;
    }
    if (cursor_.looking_at("//")) {
      skip_line_comment();
      return Kind::kComment;
    }
    if (c == '"' || c == '\'') {
      skip_quoted(at, true);
      return Kind::kString;
    }
    if (is_digit(c) || (c == '.' && is_digit(cursor_.peek(1)))) {
      skip_number();
      return Kind::kNumber;
    }
    if (is_identifier_start(c)) return identifier(at);
    cursor_.advance();
    return Kind::kPunctuator;
  }

  void report(Position at, std::string_view text) {
    if (findings_ != nullptr) findings_->error(at, text);
  }

  // An identifier, or the prefix of a string or character constant (L"x",
  // u8"x", R"(x)").
  Kind identifier(Position at) {
    const std::size_t start = cursor_.offset();
    while (!cursor_.at_end() && is_identifier_char(cursor_.peek())) cursor_.advance();
    const std::string_view word = cursor_.since(start);
    const char quote = cursor_.peek();
    static constexpr std::string_view kPrefixes[] = {"L", "u", "U", "u8"};
    static constexpr std::string_view kRawPrefixes[] = {"R", "LR", "uR", "UR", "u8R"};
    if (quote == '"' && std::find(std::begin(kRawPrefixes), std::end(kRawPrefixes), word) !=
                            std::end(kRawPrefixes)) {
      skip_raw_string(at);
      return Kind::kString;
    }
    if ((quote == '"' || quote == '\'') &&
        std::find(std::begin(kPrefixes), std::end(kPrefixes), word) != std::end(kPrefixes)) {
      skip_quoted(at, true);
      return Kind::kString;
    }
    return Kind::kIdentifier;
  }

  void skip_directive() {
    while (!cursor_.at_end() && cursor_.peek() != '\n') {
      if (cursor_.looking_at("\\\n")) {
        cursor_.advance(2);
      } else if (cursor_.looking_at("/*")) {
        skip_block_comment(cursor_.position());
      } else if (cursor_.looking_at("//")) {
        skip_line_comment();
      } else if (cursor_.peek() == '"' || cursor_.peek() == '\'') {
        skip_quoted(cursor_.position(), false);  // #error don't: no string
      } else {
        cursor_.advance();
      }
    }
  }

  void skip_block_comment(Position at) {
    cursor_.advance(2);
    while (!cursor_.at_end() && !cursor_.looking_at("*/")) cursor_.advance();
    if (cursor_.at_end()) {
      report(at, kUnterminatedComment);
    } else {
      cursor_.advance(2);
    }
  }

  void skip_line_comment() {
    while (!cursor_.at_end() && cursor_.peek() != '\n') {
      cursor_.advance(cursor_.looking_at("\\\n") ? 2 : 1);
    }
  }

  // A string or character constant, to its closing quote on the same line.
  void skip_quoted(Position at, bool reported) {
    const char quote = cursor_.peek();
    cursor_.advance();
    while (!cursor_.at_end() && cursor_.peek() != '\n') {
      const char c = cursor_.peek();
      cursor_.advance(c == '\\' ? 2 : 1);
      if (c == quote) return;
    }
    if (reported) report(at, kUnterminatedString);
  }

  // R"delimiter( ... )delimiter"
  void skip_raw_string(Position at) {
    const std::string_view rest = cursor_.rest();
    const std::size_t open = rest.find('(');
    const std::string_view delimiter =
        rest.substr(1, open == std::string_view::npos ? 0 : open - 1);
    const std::size_t close = open == std::string_view::npos || delimiter.size() > kMaxRawDelimiter
                                  ? std::string_view::npos
                                  : rest.find(")" + std::string(delimiter) + '"', open);
    if (close == std::string_view::npos) {
      report(at, kUnterminatedString);
      cursor_.advance(rest.size());
      return;
    }
    cursor_.advance(close + delimiter.size() + 2);
  }

  // A preprocessing number: 12, 0x1F, 1.5e-3, 1'000.
  void skip_number() {
    for (char previous = '\0'; !cursor_.at_end();) {
      const char c = cursor_.peek();
      const bool exponent_sign = (c == '+' || c == '-') && (previous == 'e' || previous == 'E' ||
                                                            previous == 'p' || previous == 'P');
      const bool separator = c == '\'' && is_identifier_char(cursor_.peek(1));
      if (!is_identifier_char(c) && c != '.' && !exponent_sign && !separator) return;
      previous = c;
      cursor_.advance();
    }
  }

  Cursor cursor_;
  Findings* findings_;
};

// ---- Literals of an operand ----

enum class Literal { kNone, kString, kNumber };

// Whether `expression` is nothing but string literals ("A" "B") or one
// number with an optional sign.
Literal literal_kind(std::string_view expression) {
  Lexer lexer(expression, nullptr);
  bool strings = false;
  std::vector<Piece> others;
  while (!lexer.at_end()) {
    const Piece piece = lexer.next();
    if (piece.kind == Kind::kSpace || piece.kind == Kind::kComment) continue;
    if (piece.kind == Kind::kString && piece.text.front() == '"') {
      strings = true;
    } else {
      others.push_back(piece);
    }
  }
  if (strings) return others.empty() ? Literal::kString : Literal::kNone;
  const bool signed_number = others.size() == 2 && others[0].kind == Kind::kPunctuator &&
                             (others[0].text == "+" || others[0].text == "-");
  const Piece* number = others.size() == 1 ? &others[0] : signed_number ? &others[1] : nullptr;
  return number != nullptr && number->kind == Kind::kNumber ? Literal::kNumber : Literal::kNone;
}

// A hexadecimal digit's value; -1 for another character.
int digit_value(char c) {
  const std::size_t at =
      kHexDigits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The escape after a backslash at body[i] (i at the backslash), advancing i
// past it; nothing for one that is not decoded here (\u, \U).
std::optional<char> decode_escape(std::string_view body, std::size_t& i) {
  static constexpr std::string_view kSimple = "ntrabfv\\'\"?";
  static constexpr std::string_view kSimpleValues = "\n\t\r\a\b\f\v\\'\"?";
  const char c = ++i < body.size() ? body[i] : '\0';
  ++i;
  if (const std::size_t simple = kSimple.find(c); simple != std::string_view::npos) {
    return kSimpleValues[simple];
  }
  int value = 0;
  if (c >= '0' && c <= '7') {
    value = c - '0';
    for (int digits = 1;
         digits < kOctalDigits && i < body.size() && body[i] >= '0' && body[i] <= '7'; ++digits) {
      value = value << kBitsPerOctalDigit | (body[i++] - '0');
    }
    return static_cast<char>(value & kByteMask);
  }
  if (c != 'x' || i >= body.size() || digit_value(body[i]) < 0) return std::nullopt;
  for (; i < body.size() && digit_value(body[i]) >= 0; ++i) {
    value = (value << kBitsPerHexDigit | digit_value(body[i])) & kByteMask;
  }
  return static_cast<char>(value);
}

// The bytes of the string literals of `expression` joined.
std::optional<std::string> decode_strings(std::string_view expression) {
  std::string bytes;
  Lexer lexer(expression, nullptr);
  while (!lexer.at_end()) {
    const Piece piece = lexer.next();
    if (piece.kind != Kind::kString) continue;
    const std::string_view body = piece.text.substr(1, piece.text.size() - 2);
    for (std::size_t i = 0; i < body.size();) {
      if (body[i] != '\\') {
        bytes += body[i++];
        continue;
      }
      const std::optional<char> decoded = decode_escape(body, i);
      if (!decoded) return std::nullopt;
      bytes += *decoded;
    }
  }
  return bytes;
}

// `bytes` as a C string literal: quotes, backslashes and question marks (no
// trigraph can form) escaped, other bytes outside the printable range in octal.
std::string c_string(std::string_view bytes) {
  std::string text = "\"";
  for (const char c : bytes) {
    if (c == '"' || c == '\\' || c == '?') {
      text += '\\';
      text += c;
    } else if (c >= kFirstPrintable && c <= kLastPrintable) {
      text += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      text += '\\';
      for (int digit = kOctalDigits - 1; digit >= 0; --digit) {
        text += static_cast<char>('0' + (byte >> (digit * kBitsPerOctalDigit) & kOctalDigitMask));
      }
    }
  }
  return text + '"';
}

std::string hex_byte(std::uint8_t byte) {
  return std::string("0x") + kHexDigits[byte >> kBitsPerHexDigit] +
         kHexDigits[byte & kHexDigitMask];
}

// ---- The translator, pointed at a program's statement ----

// Each argument the grammar's actions pass, kept until the statement is
// written; its address is the marker that stands in the argument list.
struct Recorded {
  enum class Kind { kReference, kValue, kDefaultLength } kind;
  std::string operand;
  std::string length;
  int type = 0;
};

class Recorder : public ArgumentRecorder {
 public:
  void* by_reference(const char* operand) override {
    return record({Recorded::Kind::kReference, operand, "", 0});
  }
  void* value(const char* operand, const char* length, int type) override {
    return record({Recorded::Kind::kValue, operand, length, type});
  }
  void* default_length(const char* data_area) override {
    return record({Recorded::Kind::kDefaultLength, data_area, "", 0});
  }
  const Recorded* find(const void* marker) const {
    for (const Recorded& recorded : recorded_) {
      if (&recorded == marker) return &recorded;
    }
    return nullptr;
  }

 private:
  void* record(Recorded recorded) {
    recorded_.push_back(std::move(recorded));
    return &recorded_.back();
  }
  std::deque<Recorded> recorded_;  // markers stay where they are
};

class LexMessages : public LexReportSink {
 public:
  void report(const char* text, std::int16_t severity) override {
    messages.emplace_back(text, severity);
  }
  std::vector<std::pair<std::string, std::int16_t>> messages;
};

// Points the translator at a program's text, with nothing left over from a
// command before; and back at QCMD's own state afterwards.
class TranslatorScope {
 public:
  TranslatorScope(ArgumentRecorder* recorder, LexReportSink* sink, std::ostream* out)
      : saved_out_(yyout) {
    yyout = out;
    set_argument_recorder(recorder);
    set_lex_report_sink(sink);
    reset_scanner();
  }
  ~TranslatorScope() {
    reset_scanner();
    yyout = saved_out_;
    set_argument_recorder(nullptr);
    set_lex_report_sink(nullptr);
    ParseBufferPtr = ParseBuffer + kParseTextOffset;
  }
  TranslatorScope(const TranslatorScope&) = delete;
  TranslatorScope& operator=(const TranslatorScope&) = delete;

 private:
  std::ostream* saved_out_;
};

bool is_scanner_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '#' || c == '$' ||
         c == '&' || c == '_' || c == kPlaceholderMark;
}

// The scanner cannot take a word longer than kMaxTokenLength.
bool has_oversized_word(std::string_view words) {
  std::size_t run = 0;
  for (const char c : words) {
    run = is_scanner_name_char(c) ? run + 1 : 0;
    if (run > static_cast<std::size_t>(kMaxTokenLength)) return true;
  }
  return false;
}

// One EXEC CICS statement as the grammar gets it: the words of the source
// with each operand replaced by a placeholder.
struct Statement {
  Position exec_at;
  std::string words{kStatementStart};
  std::vector<std::string> operands;  // placeholder @k stands for operands[k - 1]
  bool empty_parentheses = false;

  std::string placeholder(std::string operand) {
    operands.push_back(std::move(operand));
    return kPlaceholderMark + std::to_string(operands.size());
  }

  // The source expression of a placeholder; nothing for another text (one
  // the grammar supplied).
  const std::string* source_operand(std::string_view text) const {
    if (text.empty() || text[0] != kPlaceholderMark) return nullptr;
    std::size_t index = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failed] = std::from_chars(text.data() + 1, end, index);
    if (failed != std::errc() || stop != end || index < 1 || index > operands.size())
      return nullptr;
    return &operands[index - 1];
  }

  // A translator message with its placeholders read back as the source
  // wrote them.
  std::string in_source_terms(std::string_view text) const {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
      std::size_t end = i + 1;
      while (text[i] == kPlaceholderMark && end < text.size() && is_digit(text[end])) ++end;
      const std::string* operand = source_operand(text.substr(i, end - i));
      shown += operand != nullptr ? std::string_view(*operand) : text.substr(i, end - i);
      i = end;
    }
    return shown;
  }
};

// Writes the C block of a translated statement from the argument list.
class BlockWriter {
 public:
  BlockWriter(const Statement& statement, const Recorder& recorder)
      : statement_(statement), recorder_(recorder) {}

  // Messages of arguments a program cannot pass.
  std::vector<std::string> errors;

  std::string block() {
    const int count = argument_count();
    std::string arguments;
    for (int slot = kFirstArgSlot; slot <= count; ++slot) {
      const Recorded* recorded = recorder_.find(ArgList[slot]);
      if (slot > kFirstArgSlot) arguments += ", ";
      arguments += recorded != nullptr ? argument(*recorded, slot + 1) : kNullArgument;
    }
    std::string text = "{ " + declarations_;
    std::string array = "0";
    if (count > 0) {
      text += "void *" + std::string(kArgumentArray) + "[" + std::to_string(count) + "] = { " +
              arguments + " }; ";
      array = kArgumentArray;
    }
    text += std::string(kExecFunction) + "(" +
            c_string(std::string_view(tolData.descriptor, kDescriptorLength)) + ", " + array +
            ", " + std::to_string(count) + "); ";
    text += response(resp_name, "eibresp") + response(resp2_name, "eibresp2");
    return text + "}";
  }

 private:
  // The descriptor's count less the descriptor itself, or the last slot an
  // argument was placed in when that lies beyond it.
  int argument_count() const {
    const int declared =
        static_cast<unsigned char>(tolData.descriptor[kCountPosition - 1]) - kDescriptorBias - 1;
    int count = std::max(declared, 0);
    for (int slot = kFirstArgSlot; slot <= kLastPassedSlot; ++slot) {
      if (recorder_.find(ArgList[slot]) != nullptr) count = std::max(count, slot);
    }
    return std::min(count, kLastPassedSlot);
  }

  std::string response(const char* name, std::string_view field) const {
    const std::string* operand = statement_.source_operand(name);
    if (operand == nullptr) return "";
    return "(" + *operand + ") = " + std::string(kEibCall) + "->" + std::string(field) + "; ";
  }

  std::string argument(const Recorded& recorded, int position) {
    const std::string* operand = statement_.source_operand(recorded.operand);
    if (recorded.operand == kDynamicOperand) return std::string(kNullArgument);  // reported
    switch (recorded.kind) {
      case Recorded::Kind::kReference:
        if (operand == nullptr) return refuse(kNoMapArea);  // the map's own area, "&<map>I"
        return address(*operand);
      case Recorded::Kind::kValue:
        return value(recorded, operand, position);
      case Recorded::Kind::kDefaultLength:
        return default_length(operand != nullptr ? *operand : recorded.operand, position);
    }
    return std::string(kNullArgument);
  }

  std::string refuse(std::string_view message) {
    errors.emplace_back(message);
    return std::string(kNullArgument);
  }

  // A data area: a string literal is its own address.
  std::string address(const std::string& expression) {
    switch (literal_kind(expression)) {
      case Literal::kString:
        return "(void *)" + expression;
      case Literal::kNumber:
        return refuse(kNumberOperand);
      case Literal::kNone:
        break;
    }
    return "(void *)&(" + expression + ")";
  }

  std::string value(const Recorded& recorded, const std::string* operand, int position) {
    const std::string& text = operand != nullptr ? *operand : recorded.operand;
    switch (recorded.type) {
      case kValueBinary:
        return binary(recorded.length == kHalfwordLength ? kHalfwordType : kFullwordType,
                      "(" + text + ")", position);
      case kValuePacked:
        if (operand != nullptr && literal_kind(text) != Literal::kNumber) return address(text);
        return packed(text, position);
      default:
        return character(operand != nullptr ? std::optional<std::string>() : text, text,
                         std::stoi(recorded.length));
    }
  }

  // A temporary of `type` holding `initial`, passed by its address.
  std::string binary(std::string_view type, const std::string& initial, int position) {
    const std::string name = std::string(kValuePrefix) + std::to_string(position) + "_";
    declarations_ +=
        std::string(type) + " " + name + " = (" + std::string(type) + ")" + initial + "; ";
    return "(void *)&" + name;
  }

  std::string packed(const std::string& number, int position) {
    std::uint8_t bytes[kPackedBytes];
    if (strng2pckd(bytes, number.c_str()) != 0) {
      return refuse("'" + number + "' " + std::string(kNotPacked));
    }
    const std::string name = std::string(kPackedPrefix) + std::to_string(position) + "_";
    declarations_ +=
        "static const unsigned char " + name + "[" + std::to_string(kPackedBytes) + "] = {";
    for (std::size_t i = 0; i < kPackedBytes; ++i) {
      declarations_ += (i > 0 ? ", " : "") + hex_byte(bytes[i]);
    }
    declarations_ += "}; ";
    return "(void *)" + name;
  }

  // A character value of `length`: the grammar's own text (`fixed`), or a
  // string literal, blank-padded or cut; any other expression by address.
  std::string character(std::optional<std::string> fixed, const std::string& expression,
                        int length) {
    if (!fixed && literal_kind(expression) == Literal::kString) {
      fixed = decode_strings(expression);
      if (!fixed) return refuse(kUndecodableString);
    }
    if (!fixed) return address(expression);
    fixed->resize(static_cast<std::size_t>(length), ' ');
    return "(void *)" + c_string(*fixed);
  }

  std::string default_length(const std::string& data_area, int position) {
    const bool literal = literal_kind(data_area) == Literal::kString;
    return binary(kHalfwordType,
                  literal ? "(sizeof(" + data_area + ") - 1)" : "sizeof(" + data_area + ")",
                  position);
  }

  const Statement& statement_;
  const Recorder& recorder_;
  std::string declarations_;
};

bool is_word(std::string_view text, std::string_view upper) {
  if (text == upper) return true;
  if (text.size() != upper.size()) return false;
  return std::equal(text.begin(), text.end(), upper.begin(),
                    [](char c, char u) { return c == (u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u); });
}

bool is_builtin(std::string_view word) {
  return is_word(word, "DFHRESP") || is_word(word, "DFHVALUE");
}

// ---- The source, piece by piece ----

class Precompiler {
 public:
  Precompiler(std::string_view source, std::string_view file_name)
      : lexer_(source, &findings_), file_name_(file_name) {}

  Precompiled run() && {
    reset_descriptor_state();  // handle sequence numbers count from the program's start
    out_ = line_directive(1);
    while (!lexer_.at_end()) {
      const Piece piece = lexer_.next();
      if (piece.kind == Kind::kIdentifier && exec_cics_follows(piece.text)) {
        statement(piece.start);
      } else if (piece.kind == Kind::kIdentifier && is_builtin(piece.text)) {
        out_ += builtin(piece);
      } else {
        out_ += piece.text;
      }
    }
    return {std::move(out_), std::move(findings_).sorted()};
  }

 private:
  std::string line_directive(int line) const {
    return "#line " + std::to_string(line) + " " + c_string(file_name_) + "\n";
  }

  // After the word EXEC: blanks, tabs or newlines and the word CICS, each
  // word all upper or all lower case, as the scanner reads them. Takes them.
  bool exec_cics_follows(std::string_view word) {
    if (!is_word(word, kExecWord)) return false;
    const std::string_view rest = lexer_.cursor().rest();
    const std::size_t cics = std::min(rest.find_first_not_of(" \t\r\n"), rest.size());
    const std::string_view next = rest.substr(cics, kCicsWord.size());
    if (cics == 0 || !is_word(next, kCicsWord)) return false;
    lexer_.cursor().advance(cics + next.size());
    return true;
  }

  void statement(Position exec_at) {
    Statement statement;
    statement.exec_at = exec_at;
    for (;;) {
      if (lexer_.at_end()) {
        findings_.error(exec_at, kUnterminatedStatement);
        return;
      }
      const Piece piece = lexer_.next();
      if (piece.text == ";") break;
      if (piece.text == "(") {
        operand(statement);
      } else if (piece.kind == Kind::kSpace || piece.kind == Kind::kComment) {
        statement.words += ' ';
      } else if (piece.kind == Kind::kString || piece.kind == Kind::kDirective ||
                 (piece.kind == Kind::kNumber && piece.text.find('\'') != std::string_view::npos)) {
        // Nothing with a quote in it reaches the scanner: it would read a
        // string of its own to the statement's end.
        statement.words += statement.placeholder(std::string(piece.text));
      } else {
        statement.words += piece.text;
      }
    }
    translate(statement);
  }

  // The operand after a "(" of the statement, to its matching ")": a
  // placeholder in the words, or "()" for empty parentheses.
  void operand(Statement& statement) {
    std::string text;
    for (int depth = 1; !lexer_.at_end();) {
      const Piece piece = lexer_.next();
      depth += piece.text == "(" ? 1 : piece.text == ")" ? -1 : 0;
      if (depth == 0) break;
      if (piece.kind == Kind::kSpace || piece.kind == Kind::kComment) {
        text += ' ';
      } else if (piece.kind == Kind::kIdentifier && is_builtin(piece.text)) {
        text += on_one_line(builtin(piece));
      } else {
        text += piece.text;
      }
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
      statement.empty_parentheses = true;
      statement.words += "()";
      return;
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    statement.words += "(" + statement.placeholder(std::move(text)) + ")";
  }

  static std::string on_one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
  }

  void translate(Statement& statement) {
    const std::size_t first_finding = findings_.size();
    std::string words = statement.words + std::string(kStatementEnd);
    std::replace(words.begin(), words.end(), '\0', ' ');  // the scanner's end of input
    if (has_oversized_word(words)) {
      findings_.error(statement.exec_at,
                      std::string(kWordTooLong) + std::to_string(kMaxTokenLength) + " characters");
      return;
    }
    Recorder recorder;
    std::ostringstream discarded;
    {
      TranslatorScope scope(&recorder, nullptr, &discarded);
      std::fill(std::begin(qcmd_args), std::end(qcmd_args), nullptr);
      parse_statement(words.data());
    }
    for (int i = 0; i <= err_token_no && i < kMaxDiagnostics; ++i) {
      findings_.add(statement.exec_at, static_cast<std::int16_t>(err_severity[i]),
                    statement.in_source_terms(err_token[i]));
    }
    if (!findings_.any_error_since(first_finding) && statement.empty_parentheses) {
      findings_.error(statement.exec_at, kEmptyParentheses);
    }
    if (findings_.any_error_since(first_finding)) return;
    BlockWriter writer(statement, recorder);
    const std::string block = writer.block();
    for (const std::string& error : writer.errors) findings_.error(statement.exec_at, error);
    out_ += block + "\n" + line_directive(lexer_.cursor().position().line);
  }

  // DFHRESP(name) or DFHVALUE(name) at `word`, as the scanner replaces it
  // outside commands: up to its ")" (or before a ";"), the same line or not.
  std::string builtin(const Piece& word) {
    std::string call(word.text);
    const std::string_view rest = lexer_.cursor().rest();
    const std::size_t open = rest.find_first_not_of(" \t\r\n");
    if (open != std::string_view::npos && rest[open] == '(') {
      const std::size_t close = rest.find_first_of(");", open);
      const std::size_t end =
          close == std::string_view::npos ? rest.size() : close + (rest[close] == ')' ? 1 : 0);
      call += rest.substr(0, end);
      lexer_.cursor().advance(end);
    }
    if (call.size() > static_cast<std::size_t>(kMaxTokenLength)) {
      findings_.error(word.start, std::string(kBuiltinTooLong) + std::to_string(kMaxTokenLength) +
                                      " characters");
      return call;
    }
    std::string text = call + std::string(kBuiltinEnd);
    LexMessages lexical;
    std::ostringstream replaced;
    {
      TranslatorScope scope(nullptr, &lexical, &replaced);
      ParseBufferPtr = text.data();
      while (yylex() != TK_END_OF_INPUT) {
      }
    }
    for (const auto& [message, severity] : lexical.messages) {
      findings_.add(word.start, severity, message);
    }
    if (lexical.messages.empty() && replaced.str().find(kReplacementEnd) == std::string::npos) {
      findings_.error(word.start, std::string(word.text) + std::string(kBuiltinNoName));
    }
    return replaced.str();
  }

  Findings findings_;
  Lexer lexer_;
  std::string file_name_;
  std::string out_;
};

}  // namespace

bool Precompiled::failed() const {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const SourceDiagnostic& d) { return d.severity >= kSeverityError; });
}

Precompiled precompile(std::string_view source, std::string_view file_name) {
  return Precompiler(source, file_name).run();
}

std::string diagnostic_line(std::string_view file_name, const SourceDiagnostic& diagnostic) {
  return std::string(file_name) + ":" + std::to_string(diagnostic.line) + ":" +
         std::to_string(diagnostic.column) + ": " +
         (diagnostic.severity >= kSeverityError ? "error: " : "warning: ") + diagnostic.text;
}

}  // namespace qcmd
