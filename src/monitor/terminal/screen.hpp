// The region's model of one 3270 screen: 1920 cells with field attributes,
// modified data tags, the cursor and the keyboard state. It follows every
// outbound record the region sends (apply_outbound) and every inbound record
// the user sends (apply_inbound), builds the inbound reads a terminal would
// send, and offers the keyboard-side editing the scripted terminal uses.
// All streams are in the region's character image (see codepage.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/terminal/codes.hpp"

namespace ravnmor::terminal {

using Bytes = std::vector<std::uint8_t>;

struct Cell {
  std::uint8_t character = 0;    // image form; 0 is the null
  bool field_attribute = false;  // this cell starts a field and shows blank
  std::uint8_t attribute = 0;    // attr:: bits, on attribute cells
  std::uint8_t highlight = 0;    // extended attributes (0 = default), of the
  std::uint8_t foreground = 0;   // field on attribute cells, else of the character
};

// A field: the attribute cell at `start` and the `length` cells after it, up
// to the next attribute (wrapping past the last cell).
struct Field {
  int start = 0;
  std::uint8_t attribute = 0;  // attr:: bits
  int length = 0;
  std::uint8_t highlight = 0;
  std::uint8_t foreground = 0;

  int first() const { return (start + 1) % kCells; }  // the first data cell
  bool is_protected() const { return (attribute & attr::kProtected) != 0; }
  bool intensified() const { return (attribute & attr::kDisplayMask) == attr::kIntensified; }
  bool modified() const { return (attribute & attr::kMdt) != 0; }
};

// What a record held: its command (or, inbound, its AID) and each malformed
// piece found and skipped, with its offset in the record.
struct StreamResult {
  Command command = Command::none;
  std::uint8_t aid = aid::kNone;  // EBCDIC, inbound records only
  bool test_request = false;      // inbound: SysReq's test request read, no AID
  std::vector<std::string> problems;

  bool ok() const { return problems.empty(); }
};

class Screen {
 public:
  Screen() = default;

  // Outbound: interprets one record (command byte first). W, EW, EWA and EAU
  // change the screen; the read commands are only recognised (the caller
  // answers them); WSF is recognised and not interpreted.
  StreamResult apply_outbound(std::span<const std::uint8_t> record);

  // Inbound: follows a read-modified (or short-read) record as a terminal sent
  // it: the fields' data written at the given addresses, MDTs set, cursor
  // moved, the keyboard locked. A test request read (SysReq) brings its
  // fields' data the same way, without AID and cursor.
  StreamResult apply_inbound(std::span<const std::uint8_t> record);

  // An Erase/Write that draws this screen again as it stands (fields, their
  // MDTs, characters, cursor) and restores the keyboard.
  Bytes redraw() const;

  // Inbound builders (AIDs in EBCDIC, the record in image form).
  Bytes read_modified(std::uint8_t aid) const;
  Bytes short_read(std::uint8_t aid) const;
  Bytes read_buffer(std::uint8_t aid = aid::kNone) const;
  // The reply a terminal gives after this AID: short read or read modified.
  Bytes inbound_for(std::uint8_t aid) const;

  // Fields, in address order (empty when the screen is unformatted).
  std::vector<Field> fields() const;
  bool formatted() const;
  // The field holding this cell (its attribute cell included).
  std::optional<Field> field_at(int address) const;
  // The n-th unprotected field, from 1.
  std::optional<Field> unprotected_field(int n) const;
  // A field's data as a read modified sends it: image bytes, nulls left out.
  Bytes field_data(const Field& field) const;

  // Keyboard side. Typing refuses protected cells and attribute cells (false,
  // nothing more typed); at a field's end it goes on in the next unprotected
  // field. Typed cells set their field's MDT.
  bool type(std::string_view text);
  bool erase_eof();
  void tab();                        // to the next unprotected field's first cell
  void clear();                      // the Clear key: empty and unformatted
  void attention(std::uint8_t aid);  // a key sent this AID: keyboard locked
  void reset_keyboard() { keyboard_locked_ = false; }
  void lock_keyboard() { keyboard_locked_ = true; }  // a task the region started holds it

  int cursor() const { return cursor_; }
  void set_cursor(int address);  // taken modulo the screen size
  bool keyboard_locked() const { return keyboard_locked_; }
  bool alarm() const { return alarm_; }  // the last write sounded the alarm

  const Cell& cell(int address) const { return cells_[static_cast<std::size_t>(address)]; }

  // What the user sees: attribute cells, nulls and non-display fields as
  // blanks. Rows and columns from 1; text_at runs on across rows.
  std::string row_text(int row) const;
  std::string text_at(int row, int column, int length) const;
  std::vector<std::string> lines() const;

 private:
  struct Writer;

  Cell& at(int address) { return cells_[static_cast<std::size_t>(address)]; }
  Bytes data(int from, int length) const;   // non-null characters, wrapping
  int attribute_before(int address) const;  // -1 when unformatted
  bool typeable(int address) const;
  void erase_all();
  void erase_unprotected(int from, int to);
  void reset_mdts();
  void apply_write(std::span<const std::uint8_t> ebcdic, StreamResult& result);
  void apply_erase_all_unprotected();
  void write_field_data(int address, std::span<const std::uint8_t> ebcdic, StreamResult& result);

  std::array<Cell, kCells> cells_{};
  int cursor_ = 0;
  bool keyboard_locked_ = false;
  bool alarm_ = false;
};

}  // namespace ravnmor::terminal
