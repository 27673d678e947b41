#include "monitor/terminal/screen.hpp"

#include <algorithm>
#include <cstdio>

namespace ravnmor::terminal {

namespace {

int next(int address) {
  return (address + 1) % kCells;
}

std::string hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "X'%02X'", byte);
  return text;
}

// Image bytes that come from EBCDIC control codes show as blanks.
bool printable(std::uint8_t image) {
  constexpr std::uint8_t kFirstGraphic = 0x20;
  constexpr std::uint8_t kDelete = 0x7F;
  constexpr std::uint8_t kFirstUpperGraphic = 0xA0;
  return image >= kFirstGraphic && (image < kDelete || image >= kFirstUpperGraphic);
}

// Byte by byte: g++ -O3 takes a range insert of two bytes into the
// one-byte vector short_read made for an overflow (-Warray-bounds).
void append(Bytes& out, const AddressBytes& address) {
  for (const std::uint8_t byte : address) out.push_back(byte);
}

}  // namespace

// One pass over the orders and data of a write (EBCDIC), from the byte after
// the WCC. Every order checks its operands before using them; a malformed one
// is reported and skipped.
struct Screen::Writer {
  Screen& screen;
  std::span<const std::uint8_t> data;
  StreamResult& result;
  std::size_t base = 0;  // offset of data[0] in the record, for the reports
  std::size_t pos = 0;
  int address = 0;
  std::uint8_t highlight = 0;  // the character attributes set by SA
  std::uint8_t foreground = 0;
  bool after_graphic = false;  // the last thing written was a character

  void problem(std::size_t at, const std::string& text) {
    result.problems.push_back("offset " + std::to_string(base + at) + ": " + text);
  }

  bool has(std::size_t count) const { return pos + count <= data.size(); }

  void truncated(std::size_t at, const char* name) {
    problem(at, std::string(name) + " is cut off by the end of the record");
    pos = data.size();
  }

  // The two address bytes after an order; nothing when cut off (the rest of
  // the record is dropped) or beyond the screen (the operands are skipped).
  std::optional<int> take_address(std::size_t at, const char* name) {
    if (!has(2)) {
      truncated(at, name);
      return std::nullopt;
    }
    const int target = decode_address(data[pos], data[pos + 1]);
    pos += 2;
    if (target >= kCells) {
      problem(at, std::string(name) + " address " + std::to_string(target) + " is beyond the " +
                      std::to_string(kCells) + "-cell screen");
      return std::nullopt;
    }
    return target;
  }

  // The pairs of SFE and MF; false (and reported) when they run past the end.
  std::optional<std::span<const std::uint8_t>> take_pairs(std::size_t at, const char* name) {
    if (!has(1)) {
      truncated(at, name);
      return std::nullopt;
    }
    const std::size_t count = data[pos++];
    if (!has(2 * count)) {
      problem(at, std::string(name) + " with " + std::to_string(count) +
                      " attribute pairs runs past the end of the record");
      pos = data.size();
      return std::nullopt;
    }
    const auto pairs = data.subspan(pos, 2 * count);
    pos += 2 * count;
    return pairs;
  }

  static void apply_pairs(Cell& field, std::span<const std::uint8_t> pairs) {
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
      const std::uint8_t value = pairs[i + 1];
      switch (pairs[i]) {
        case xa::kFieldAttribute:
          field.attribute = decode_six_bits(value);
          break;
        case xa::kHighlight:
          field.highlight = value;
          break;
        case xa::kForeground:
          field.foreground = value;
          break;
        default:
          break;  // character set, background, transparency: not kept
      }
    }
  }

  void put(std::uint8_t ebcdic) {
    screen.at(address) = Cell{to_image(ebcdic), false, 0, highlight, foreground};
    address = next(address);
  }

  void start_field(std::span<const std::uint8_t> pairs, std::uint8_t attribute) {
    Cell field{0, true, attribute, 0, 0};
    apply_pairs(field, pairs);
    screen.at(address) = field;
    address = next(address);
  }

  void set_attribute(std::size_t at) {
    if (!has(2)) return truncated(at, "SA");
    const std::uint8_t type = data[pos];
    const std::uint8_t value = data[pos + 1];
    pos += 2;
    if (type == xa::kAll) highlight = foreground = 0;
    if (type == xa::kHighlight) highlight = value;
    if (type == xa::kForeground) foreground = value;
  }

  // PT: after characters, nulls to the end of the field; then on to the
  // first cell of the next unprotected field, or to address 0 when none
  // follows before the end of the screen.
  void program_tab() {
    if (after_graphic) {
      for (int a = address; a < kCells && !screen.cell(a).field_attribute; ++a)
        screen.at(a).character = 0;
    }
    for (int a = address; a < kCells; ++a) {
      const Cell& cell = screen.cell(a);
      if (cell.field_attribute && !(cell.attribute & attr::kProtected) &&
          !screen.cell(next(a)).field_attribute) {
        address = next(a);
        return;
      }
    }
    address = 0;
  }

  // RA: the character (perhaps after GE) up to the stop address; a stop
  // equal to the current address fills the whole screen.
  void repeat_to_address(std::size_t at) {
    const auto stop = take_address(at, "RA");
    if (pos >= data.size()) {
      if (stop) truncated(at, "RA");
      return;
    }
    if (data[pos] == order::kGraphicEscape) ++pos;
    if (!has(1)) return truncated(at, "RA");
    const std::uint8_t character = data[pos++];
    if (!stop) return;
    do {
      put(character);
    } while (address != *stop);
  }

  void run() {
    while (pos < data.size()) {
      const std::size_t at = pos;
      const std::uint8_t byte = data[pos++];
      bool graphic = false;
      switch (byte) {
        case order::kStartField:
          if (!has(1)) {
            truncated(at, "SF");
            break;
          }
          start_field({}, decode_six_bits(data[pos++]));
          break;
        case order::kStartFieldExtended:
          if (const auto pairs = take_pairs(at, "SFE")) start_field(*pairs, 0);
          break;
        case order::kSetBufferAddress:
          if (const auto target = take_address(at, "SBA")) address = *target;
          break;
        case order::kSetAttribute:
          set_attribute(at);
          break;
        case order::kModifyField:
          if (const auto pairs = take_pairs(at, "MF");
              pairs && screen.cell(address).field_attribute) {
            apply_pairs(screen.at(address), *pairs);
            address = next(address);
          }
          break;
        case order::kInsertCursor:
          screen.cursor_ = address;
          break;
        case order::kProgramTab:
          program_tab();
          break;
        case order::kRepeatToAddress:
          repeat_to_address(at);
          break;
        case order::kEraseUnprotected:
          if (const auto stop = take_address(at, "EUA")) {
            screen.erase_unprotected(address, *stop);
            address = *stop;
          }
          break;
        case order::kGraphicEscape:
          if (!has(1)) {
            truncated(at, "GE");
            break;
          }
          put(data[pos++]);
          graphic = true;
          break;
        default:
          put(byte);
          graphic = true;
          break;
      }
      after_graphic = graphic;
    }
  }
};

StreamResult Screen::apply_outbound(std::span<const std::uint8_t> record) {
  StreamResult result;
  if (record.empty()) {
    result.problems.push_back("empty outbound record");
    return result;
  }
  const Bytes ebcdic = ebcdic_copy(record);
  result.command = decode_command(ebcdic[0]);
  switch (result.command) {
    case Command::write:
    case Command::erase_write:
    case Command::erase_write_alternate:
      apply_write(ebcdic, result);
      break;
    case Command::erase_all_unprotected:
      apply_erase_all_unprotected();
      break;
    case Command::none:
      result.problems.push_back("offset 0: " + hex(ebcdic[0]) + " is not a command");
      break;
    default:
      break;  // reads and structured fields: the caller's to answer
  }
  return result;
}

void Screen::apply_write(std::span<const std::uint8_t> ebcdic, StreamResult& result) {
  constexpr std::size_t kWccOffset = 1;
  constexpr std::size_t kDataOffset = 2;
  if (result.command != Command::write) erase_all();
  if (ebcdic.size() <= kWccOffset) {
    result.problems.push_back("offset 1: the write has no WCC");
    return;
  }
  const std::uint8_t control = decode_six_bits(ebcdic[kWccOffset]);
  if (control & wcc::kResetMdt) reset_mdts();
  Writer writer{*this, ebcdic.subspan(kDataOffset), result, kDataOffset};
  writer.address = cursor_;
  writer.run();
  alarm_ = (control & wcc::kAlarm) != 0;
  if (control & wcc::kRestoreKeyboard) keyboard_locked_ = false;
}

void Screen::apply_erase_all_unprotected() {
  erase_unprotected(0, 0);
  for (auto& cell : cells_) {
    if (cell.field_attribute && !(cell.attribute & attr::kProtected)) cell.attribute &= ~attr::kMdt;
  }
  const auto first = unprotected_field(1);
  cursor_ = first ? first->first() : 0;
  keyboard_locked_ = false;
}

void Screen::erase_all() {
  cells_.fill(Cell{});
  cursor_ = 0;
}

void Screen::reset_mdts() {
  for (auto& cell : cells_) cell.attribute &= ~attr::kMdt;
}

void Screen::erase_unprotected(int from, int to) {
  const int start = attribute_before(from);
  bool is_protected = start >= 0 && (cell(start).attribute & attr::kProtected);
  int address = from;
  do {
    Cell& c = at(address);
    if (c.field_attribute) {
      is_protected = (c.attribute & attr::kProtected) != 0;
    } else if (!is_protected) {
      c.character = 0;
    }
    address = next(address);
  } while (address != to);
}

int Screen::attribute_before(int address) const {
  for (int back = 0; back < kCells; ++back) {
    const int a = (address - back + kCells) % kCells;
    if (cell(a).field_attribute) return a;
  }
  return -1;
}

bool Screen::formatted() const {
  return std::any_of(cells_.begin(), cells_.end(), [](const Cell& c) { return c.field_attribute; });
}

std::vector<Field> Screen::fields() const {
  std::vector<int> starts;
  for (int a = 0; a < kCells; ++a) {
    if (cell(a).field_attribute) starts.push_back(a);
  }
  std::vector<Field> result;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const int start = starts[i];
    const int end = starts[(i + 1) % starts.size()];
    const int length = starts.size() == 1 ? kCells - 1 : (end - start - 1 + kCells) % kCells;
    const Cell& c = cell(start);
    result.push_back(Field{start, c.attribute, length, c.highlight, c.foreground});
  }
  return result;
}

std::optional<Field> Screen::field_at(int address) const {
  const int start = attribute_before(address);
  if (start < 0) return std::nullopt;
  int length = 0;
  for (int a = next(start); a != start && !cell(a).field_attribute; a = next(a)) ++length;
  const Cell& c = cell(start);
  return Field{start, c.attribute, length, c.highlight, c.foreground};
}

std::optional<Field> Screen::unprotected_field(int n) const {
  int seen = 0;
  for (const Field& field : fields()) {
    if (!field.is_protected() && ++seen == n) return field;
  }
  return std::nullopt;
}

Bytes Screen::short_read(std::uint8_t aid) const {
  return Bytes{to_image(aid)};
}

Bytes Screen::inbound_for(std::uint8_t aid) const {
  return aid::is_short_read(aid) ? short_read(aid) : read_modified(aid);
}

Bytes Screen::data(int from, int length) const {
  Bytes out;
  for (int i = 0; i < length; ++i) {
    const std::uint8_t character = cell((from + i) % kCells).character;
    if (character != 0) out.push_back(character);
  }
  return out;
}

Bytes Screen::field_data(const Field& field) const {
  return data(field.first(), field.length);
}

Bytes Screen::read_modified(std::uint8_t aid) const {
  Bytes out = short_read(aid);
  append(out, image::address(cursor_));
  if (!formatted()) {
    const Bytes all = data(0, kCells);
    out.insert(out.end(), all.begin(), all.end());
    return out;
  }
  for (const Field& field : fields()) {
    if (!field.modified()) continue;
    out.push_back(image::kSetBufferAddress);
    append(out, image::address(field.first()));
    const Bytes typed = field_data(field);
    out.insert(out.end(), typed.begin(), typed.end());
  }
  return out;
}

// Field mode with extended fields: SF, or SFE where a field has a highlight
// or colour; SA wherever the characters' own attributes change.
Bytes Screen::read_buffer(std::uint8_t aid) const {
  Bytes out = short_read(aid);
  append(out, image::address(cursor_));
  const auto pair = [&out](std::uint8_t type, std::uint8_t value) {
    out.push_back(to_image(type));
    out.push_back(to_image(value));
  };
  std::uint8_t highlight = 0;
  std::uint8_t foreground = 0;
  const auto character_attribute = [&](std::uint8_t type, std::uint8_t& current,
                                       std::uint8_t wanted) {
    if (current == wanted) return;
    out.push_back(image::kSetAttribute);
    pair(type, wanted);
    current = wanted;
  };
  for (const Cell& c : cells_) {
    if (c.field_attribute && (c.highlight != 0 || c.foreground != 0)) {
      const std::uint8_t count = 1 + (c.highlight != 0) + (c.foreground != 0);
      out.push_back(image::kStartFieldExtended);
      out.push_back(to_image(count));
      pair(xa::kFieldAttribute, encode_six_bits(c.attribute));
      if (c.highlight != 0) pair(xa::kHighlight, c.highlight);
      if (c.foreground != 0) pair(xa::kForeground, c.foreground);
    } else if (c.field_attribute) {
      out.push_back(image::kStartField);
      out.push_back(image::six_bits(c.attribute));
    } else {
      character_attribute(xa::kHighlight, highlight, c.highlight);
      character_attribute(xa::kForeground, foreground, c.foreground);
      out.push_back(c.character);
    }
  }
  return out;
}

Bytes Screen::redraw() const {
  constexpr std::size_t kReadHeader = 3;  // a read buffer's AID and cursor address
  Bytes out = {image::command(Command::erase_write), image::six_bits(wcc::kRestoreKeyboard)};
  const Bytes cells = read_buffer();
  out.insert(out.end(), cells.begin() + kReadHeader, cells.end());
  out.push_back(image::kSetBufferAddress);
  append(out, image::address(cursor_));
  out.push_back(image::kInsertCursor);
  return out;
}

StreamResult Screen::apply_inbound(std::span<const std::uint8_t> record) {
  StreamResult result;
  if (record.empty()) {
    result.problems.push_back("empty inbound record");
    return result;
  }
  const Bytes ebcdic = ebcdic_copy(record);
  constexpr std::size_t kCursorOffset = 1;
  constexpr std::size_t kDataOffset = 3;
  std::size_t pos = kDataOffset;
  result.test_request = inbound::is_test_request(ebcdic);
  if (result.test_request) {
    pos = inbound::kTestRequest.size();
    keyboard_locked_ = true;
  } else {
    result.aid = ebcdic[0];
    attention(result.aid);
    if (ebcdic.size() == 1) return result;
    if (ebcdic.size() < kDataOffset) {
      result.problems.push_back("offset 1: the cursor address is cut off");
      return result;
    }
    const int cursor = decode_address(ebcdic[kCursorOffset], ebcdic[kCursorOffset + 1]);
    if (cursor < kCells) {
      cursor_ = cursor;
    } else {
      result.problems.push_back("offset 1: cursor address " + std::to_string(cursor) +
                                " is beyond the screen");
    }
  }
  // The data runs in segments, each after an SBA (or, unformatted, from 0).
  std::optional<int> address;
  if (!formatted()) address = 0;
  for (;;) {
    const auto sba = std::find(ebcdic.begin() + static_cast<std::ptrdiff_t>(pos), ebcdic.end(),
                               order::kSetBufferAddress);
    const auto end = static_cast<std::size_t>(sba - ebcdic.begin());
    const auto data = std::span<const std::uint8_t>(ebcdic).subspan(pos, end - pos);
    if (address) {
      write_field_data(*address, data, result);
    } else if (!data.empty()) {
      result.problems.push_back("offset " + std::to_string(pos) + ": data outside any field");
    }
    if (end == ebcdic.size()) break;
    if (end + kDataOffset > ebcdic.size()) {
      result.problems.push_back("offset " + std::to_string(end) +
                                ": SBA is cut off by the end of the record");
      break;
    }
    const int target = decode_address(ebcdic[end + 1], ebcdic[end + 2]);
    pos = end + kDataOffset;
    address.reset();
    if (target < kCells && !cell(target).field_attribute) {
      address = target;
    } else {
      result.problems.push_back("offset " + std::to_string(end) + ": SBA address " +
                                std::to_string(target) + " is not a data cell");
    }
  }
  return result;
}

// Data the user typed, from `address` to the end of its field (or of the
// screen when unformatted); the cells after it up to there become nulls and
// the field is marked modified. Data that does not fit is reported, not kept.
void Screen::write_field_data(int address, std::span<const std::uint8_t> ebcdic,
                              StreamResult& result) {
  const int start = attribute_before(address);
  const auto inside = [&](int a) { return start < 0 ? a < kCells : !cell(a).field_attribute; };
  const auto step = [&](int a) { return start < 0 ? a + 1 : next(a); };
  int a = address;
  std::size_t used = 0;
  for (; used < ebcdic.size() && inside(a); ++used, a = step(a)) {
    at(a) = Cell{to_image(ebcdic[used]), false, 0, 0, 0};
  }
  if (used < ebcdic.size()) {
    result.problems.push_back(std::to_string(ebcdic.size() - used) + " bytes for address " +
                              std::to_string(address) + " run past the end of the field");
  }
  for (; inside(a); a = step(a)) at(a).character = 0;
  if (start >= 0) at(start).attribute |= attr::kMdt;
}

bool Screen::typeable(int address) const {
  if (cell(address).field_attribute) return false;
  const int start = attribute_before(address);
  return start < 0 || !(cell(start).attribute & attr::kProtected);
}

bool Screen::type(std::string_view text) {
  for (const char character : text) {
    if (keyboard_locked_ || !typeable(cursor_)) return false;
    at(cursor_) = Cell{static_cast<std::uint8_t>(character), false, 0, 0, 0};
    if (const int start = attribute_before(cursor_); start >= 0) at(start).attribute |= attr::kMdt;
    cursor_ = next(cursor_);
    if (cell(cursor_).field_attribute) tab();
  }
  return true;
}

bool Screen::erase_eof() {
  if (keyboard_locked_ || !typeable(cursor_)) return false;
  const int start = attribute_before(cursor_);
  for (int a = cursor_; !cell(a).field_attribute; a = next(a)) {
    at(a).character = 0;
    if (start < 0 && next(a) == 0) break;  // unformatted: to the end of the screen
  }
  if (start >= 0) at(start).attribute |= attr::kMdt;
  return true;
}

void Screen::tab() {
  for (int step = 0; step < kCells; ++step) {
    const int a = (cursor_ + step) % kCells;
    const Cell& c = cell(a);
    if (c.field_attribute && !(c.attribute & attr::kProtected) && !cell(next(a)).field_attribute) {
      cursor_ = next(a);
      return;
    }
  }
  cursor_ = 0;
}

void Screen::clear() {
  erase_all();
}

void Screen::attention(std::uint8_t aid) {
  keyboard_locked_ = true;
  if (aid == aid::kClear) clear();
}

void Screen::set_cursor(int address) {
  cursor_ = (address % kCells + kCells) % kCells;
}

std::string Screen::text_at(int row, int column, int length) const {
  std::string text;
  const int from = address_of(row, column);
  if (from < 0 || from >= kCells || length <= 0) return text;
  const int start = attribute_before(from);
  bool hidden = start >= 0 && (cell(start).attribute & attr::kDisplayMask) == attr::kNonDisplay;
  for (int a = from; a < kCells && a < from + length; ++a) {
    const Cell& c = cell(a);
    if (c.field_attribute) hidden = (c.attribute & attr::kDisplayMask) == attr::kNonDisplay;
    const bool blank = c.field_attribute || hidden || !printable(c.character);
    text.push_back(blank ? ' ' : static_cast<char>(c.character));
  }
  return text;
}

std::string Screen::row_text(int row) const {
  if (row < 1 || row > kRows) return {};
  return text_at(row, 1, kColumns);
}

std::vector<std::string> Screen::lines() const {
  std::vector<std::string> result;
  for (int row = 1; row <= kRows; ++row) result.push_back(row_text(row));
  return result;
}

}  // namespace ravnmor::terminal
