// The screen operations: a program builds a screen (a header, texts with
// their attribute bytes, the cursor), sends it as one erase/write and reads
// the user's answer: the key and the input fields of the inbound record.
#include "monitor/services/screen.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/constants.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/terminal_io.hpp"
#include "monitor/services/time.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::services {

namespace {

constexpr std::uint8_t kNull = 0x00;
constexpr std::uint8_t kBlank = ' ';
constexpr std::uint8_t kFirstGraphic = 0x40;  // 3270 codes below are orders and controls
constexpr std::size_t kInputFieldsStart = 3;  // inbound record: AID, two cursor bytes, fields

// Header: row 1 holds the region name, the title (centred) and the date and
// time; row 2 the terminal and the transaction. A program's own screen
// starts on row 3 (row 2's last cell may hold its first attribute).
constexpr int kHeaderNameWidth = 8;
constexpr int kHeaderTitleWidth = 50;
constexpr int kRowTwo = host::kScreenColumns;

struct ScreenBuild {
  std::array<std::uint8_t, host::kScreenSize> cells{};
  std::bitset<host::kScreenSize> written;
  std::bitset<host::kScreenSize> attribute;
  int cursor = -1;  // buffer address, -1 when not set
};

ScreenBuild building;

void put_address(std::uint8_t* out, std::size_t& length, int address) {
  auto bytes = terminal::image::address(address);
  out[length++] = terminal::image::kSetBufferAddress;
  out[length++] = bytes[0];
  out[length++] = bytes[1];
}

void put_attribute(int address, std::uint8_t attribute) {
  building.cells[address] = attribute;
  building.written.set(address);
  building.attribute.set(address);
}

void put_text(int address, const char* text, int length) {
  int end = std::min(address + length, host::kScreenSize);
  for (int at = address; at < end; ++at) {
    building.cells[at] = displayable(static_cast<std::uint8_t>(text[at - address]));
    building.written.set(at);
    building.attribute.reset(at);
  }
}

std::string centred(std::string_view text, int width) {
  text = text.substr(0, std::min<std::size_t>(text.size(), static_cast<std::size_t>(width)));
  int left = (width - static_cast<int>(text.size())) / 2;
  std::string field(static_cast<std::size_t>(left), ' ');
  field += text;
  field.resize(static_cast<std::size_t>(width), ' ');
  return field;
}

std::string header_row_one(std::string_view title) {
  std::string name = region::current_region() ? region::current_region()->config().name : "RAVNMOR";
  name.resize(kHeaderNameWidth, ' ');
  return name + ' ' + centred(title, kHeaderTitleWidth) + ' ' + local_time_text();
}

std::string header_row_two() {
  const control::Task* task = control::current_task();
  if (task == nullptr) return {};
  return "Terminal " + task->terminal_id + "  Transaction " + task->transaction;
}

void place(const std::string& text, int cell, std::uint8_t attribute) {
  host::oxptscrn(text.data(), static_cast<int>(text.size()), cell, attribute);
}

}  // namespace

std::uint8_t displayable(std::uint8_t byte) {
  bool control = byte != kNull && terminal::to_ebcdic(byte) < kFirstGraphic;
  return control ? kBlank : byte;
}

std::size_t build_screen_stream(std::uint8_t* out) {
  std::size_t length = 0;
  int expected = -1;
  for (int address = 0; address < host::kScreenSize; ++address) {
    if (!building.written.test(address)) continue;
    if (address != expected) put_address(out, length, address);
    if (building.attribute.test(address)) out[length++] = terminal::image::kStartField;
    out[length++] = building.cells[address];
    expected = address + 1;
  }
  if (building.cursor >= 0) {
    put_address(out, length, building.cursor);
    out[length++] = terminal::image::kInsertCursor;
  }
  return length;
}

std::span<const std::uint8_t> last_input() {
  const control::Task* task = control::current_task();
  std::size_t length = task == nullptr ? 0 : task->input_length;
  return {control::task_blocks().input, length};
}

std::vector<std::span<const std::uint8_t>> input_fields(std::span<const std::uint8_t> input) {
  std::vector<std::span<const std::uint8_t>> fields;
  if (input.size() <= kInputFieldsStart) return fields;
  std::size_t at = kInputFieldsStart;
  const std::uint8_t set_buffer_address = terminal::image::kSetBufferAddress;
  // Without a leading SBA the screen was unformatted: its data is one field.
  bool formatted = input[at] == set_buffer_address;
  while (at < input.size()) {
    if (formatted) at = std::min(at + 3, input.size());  // SBA and the field's address
    std::size_t end = at;
    while (end < input.size() && input[end] != set_buffer_address) ++end;
    fields.push_back(input.subspan(at, end - at));
    at = end;
    formatted = true;
  }
  return fields;
}

}  // namespace ravnmor::services

namespace host {

using namespace ravnmor;

void scrnhead(const char* title, int length, std::int32_t /*termnum*/) {
  const std::uint8_t* constants = control::task_blocks().constants;
  services::building = services::ScreenBuild{};
  std::string_view text(title != nullptr ? title : "",
                        title != nullptr ? static_cast<std::size_t>(std::max(length, 0)) : 0);
  services::place(services::header_row_one(text.substr(0, strnlen(text.data(), text.size()))), 1,
                  constants[kCnvBrightAttr]);
  services::place(services::header_row_two(), services::kRowTwo + 1, constants[kCnvProtAttr]);
}

void oxptscrn(const char* text, int length, int offset, std::uint8_t attribute) {
  if (offset < 1 || offset > kScreenSize) return;
  services::put_attribute(offset - 1, attribute);
  if (text != nullptr && length > 0 && offset < kScreenSize)
    services::put_text(offset, text, length);
}

void oxsc(int offset) {
  if (offset >= 1 && offset <= kScreenSize) services::building.cursor = offset - 1;
}

int send_screen(std::int32_t termnum) {
  control::Task* task = services::task_at(termnum);
  if (task == nullptr) return services::kNoTerminal;
  const std::uint8_t* constants = control::task_blocks().constants;
  std::uint8_t* data = services::start_tioa_stream(constants[kCnvWriteCmd], constants[kCnvWcc]);
  services::finish_tioa_stream(services::build_screen_stream(data));
  return services::send_tioa(*task);
}

int oxsnd(std::int32_t termnum) {
  if (int status = send_screen(termnum); status != services::kTerminalOk) return status;
  return services::receive_input(*services::task_at(termnum));
}

void oxrdkey(std::int8_t* key) {
  if (key == nullptr) return;
  auto input = services::last_input();
  *key =
      static_cast<std::int8_t>(input.empty() ? control::raw_key(terminal::aid::kNone) : input[0]);
}

void oxrdlc(char* buffer, int n, int length) {
  if (buffer == nullptr || length <= 0) return;
  std::memset(buffer, ' ', static_cast<std::size_t>(length));
  auto fields = services::input_fields(services::last_input());
  if (n < 1 || static_cast<std::size_t>(n) > fields.size()) return;
  auto field = fields[static_cast<std::size_t>(n - 1)];
  std::size_t count = std::min(field.size(), static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < count; ++i) {
    buffer[i] = field[i] == services::kNull ? ' ' : static_cast<char>(field[i]);
  }
}

int cvdsaddr(const std::uint8_t* address) {
  return address == nullptr ? 0 : terminal::image::decode_address(address[0], address[1]);
}

}  // namespace host
