// Terminal control: SEND, SEND TEXT and SEND CONTROL write to the task's
// terminal through the TIOA; RECEIVE hands the terminal's input to the
// program. Descriptor positions:
//
// Without ERASE, SEND TEXT starts its text on the cursor's line (the next
// line when the cursor is not at a line's start); CURSOR written without a
// value passes -1, the default place. RECEIVE's LENGTH (FLENGTH) gives the
// INTO room and receives the input's full length; MAXLENGTH gives the room
// when it is written.
//
// EIBRESP2 of the answers:
//   INVREQ   1 no terminal, 2 CURSOR outside 0-1919, 3 RECEIVE without INTO
//            or SET, 4 SEND or SEND TEXT without FROM, 5 no map sets are
//            defined (SEND MAP, SEND PAGE, PURGE MESSAGE, SEND TEXT MAPPED)
//   LENGERR  0 the input was cut to the room, 1 a negative length, 2 the
//            stream does not fit the TIOA, 3 nothing to send (no LENGTH, or 0)
//   MAPFAIL  0 RECEIVE MAP: there is no map to receive by
//   TERMERR  0 the terminal is gone
//   IOERR    0 ISSUE PRINT could not write the region's print file
#include "monitor/terminal/terminal.hpp"

#include <algorithm>
#include <fstream>
#include <optional>
#include <span>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/screen.hpp"
#include "monitor/services/terminal_io.hpp"
#include "monitor/services/time.hpp"
#include "monitor/terminal/codes.hpp"
#include "monitor/terminal/screen.hpp"

namespace ravnmor::services {

namespace {

enum TerminalRefusal : std::int32_t {
  kNoTerminalRefusal = 1,
  kBadCursor = 2,
  kNoReceivingArea = 3,
  kNoFrom = 4,
  kNoMaps = 5,  // a map command, or SEND TEXT MAPPED: no map sets are defined
};

enum LengthTrouble : std::int32_t {
  kInputCut = 0,
  kNegativeLength = 1,
  kStreamTooLong = 2,
  kNothingToSend = 3,  // SEND or SEND TEXT with no LENGTH, or LENGTH 0
};

// The SEND forms: FROM and its LENGTH (FLENGTH for a fullword).
constexpr Option kFrom{"FROM", 'F', 21, 2, Arg::kData};
constexpr Option kSendLength{"LENGTH", 'L', 19, 3, Arg::kHalf};
constexpr Option kTextLength{"LENGTH", ' ', 0, 3, Arg::kHalf};
constexpr Option kFlength{"FLENGTH", 'F', 19, 3, Arg::kFull};
constexpr Option kCtlchar{"CTLCHAR", 'C', 7, 6, Arg::kChars, 1};
constexpr Option kSendErase{"ERASE", 'E', 9};
constexpr Option kTextCursor{"CURSOR", 'C', 8, 4, Arg::kHalf};
constexpr Option kControlCursor{"CURSOR", 'C', 8, 5, Arg::kHalf};
constexpr Option kErase{"ERASE", 'E', 12};
constexpr Option kEraseaup{"ERASEAUP", 'A', 12};
constexpr const char* kPrintFile = "print.txt";
constexpr Option kFreekb{"FREEKB", 'F', 14};
constexpr Option kMapped{"MAPPED", 'M', 11};
constexpr Option kAlarm{"ALARM", 'A', 15};
constexpr Option kSendOptions[] = {kFrom,      kSendLength, kFlength, kCtlchar,
                                   kSendErase, kFreekb,     kAlarm};
constexpr Option kSendTextOptions[] = {kFrom,     kTextLength, kFlength, kTextCursor, kErase,
                                       kEraseaup, kFreekb,     kAlarm,   kMapped};
constexpr Option kSendControlOptions[] = {kControlCursor, kErase, kEraseaup, kFreekb, kAlarm};

constexpr Option kReceiveInto{"INTO", kIntoArea, 3, 2, Arg::kData};
constexpr Option kReceiveSet{"SET", kSetPointer, 3, 2, Arg::kPointer};
constexpr Option kReceiveLength{"LENGTH", 'L', 8, 3, Arg::kHalf};
constexpr Option kReceiveFlength{"FLENGTH", 'F', 8, 3, Arg::kFull};
constexpr Option kMaxlength{"MAXLENGTH", 'H', 7, 4, Arg::kHalf};
constexpr Option kMaxflength{"MAXFLENGTH", 'F', 7, 4, Arg::kFull};
constexpr Option kAsis{"ASIS", 'A', 4};
constexpr Option kBuffer{"BUFFER", 'B', 5};
constexpr Option kReceiveOptions[] = {kReceiveInto, kReceiveSet, kReceiveLength, kReceiveFlength,
                                      kMaxlength,   kMaxflength, kAsis,          kBuffer};

constexpr Option kConverseFrom{"FROM", 'F', 3, 2, Arg::kData};
constexpr Option kFromlength{"FROMLENGTH", ' ', 0, 3, Arg::kHalf};
constexpr Option kFromflength{"FROMFLENGTH", 'F', 16, 3, Arg::kFull};
constexpr Option kConverseInto{"INTO", kIntoArea, 4, 0, Arg::kUnread};
constexpr Option kConverseSet{"SET", kSetPointer, 4, 4, Arg::kPointer};
constexpr Option kTolength{"TOLENGTH", 'T', 5, 5, Arg::kHalf};
constexpr Option kToflength{"TOFLENGTH", 'F', 5, 5, Arg::kFull};
constexpr Option kConverseMaxlength{"MAXLENGTH", 'H', 15, 13, Arg::kHalf};
constexpr Option kConverseMaxflength{"MAXFLENGTH", 'F', 15, 13, Arg::kFull};
constexpr Option kConverseCtlchar{"CTLCHAR", 'C', 7, 7, Arg::kChars, 1};
constexpr Option kConverseErase{"ERASE", 'E', 10};
constexpr Option kConvid{"CONVID", 'C', 20, 6, Arg::kChars, 4};
constexpr Option kConverseOptions[] = {kConverseFrom,    kFromlength,        kFromflength,
                                       kConverseInto,    kConverseSet,       kTolength,
                                       kToflength,       kConverseMaxlength, kConverseMaxflength,
                                       kConverseCtlchar, kConverseErase,     kConvid};

constexpr int kCursorAlone = -1;       // CURSOR written without a value: the default place
constexpr std::size_t kInputData = 3;  // an inbound record: AID, cursor address, data

constexpr std::uint8_t kBlank = ' ';
constexpr std::uint8_t kLineFeed = '\n';
constexpr std::uint8_t kNewLine = terminal::to_image(0x15);  // the 3270 NL character

constexpr Response kNoTerminalAnswer{kInvreq, kNoTerminalRefusal};
constexpr Response kTerminalGone{kTermerr, 0};

bool has_terminal(const control::Task& task) {
  return task.terminal != nullptr;
}

// A halfword, or a fullword when the length's flag says so; 0 when absent.
std::int32_t load_sized(const Area& area, bool fullword) {
  return fullword ? area.word() : area.half();
}

void store_sized(const Area& area, bool fullword, std::int32_t value) {
  if (fullword) {
    area.put_word(static_cast<std::uint32_t>(value));
  } else {
    area.put_half(value);
  }
}

std::size_t sized_length(bool fullword) {
  return fullword ? sizeof(std::int32_t) : sizeof(std::int16_t);
}

// The CURSOR value at `position`: none when CURSOR was not given or given
// without a value; false when it lies outside the screen.
bool cursor_of(const Command& command, const Option& option, std::optional<int>& cursor) {
  cursor.reset();
  if (!command.given(option)) return true;
  std::int32_t value = command.area(option).half();
  if (value == kCursorAlone) return true;
  if (value < 0 || value >= host::kScreenSize) return false;
  cursor = value;
  return true;
}

std::uint8_t control_character(const Command& command, bool reset_mdt) {
  namespace wcc = terminal::wcc;
  int bits = reset_mdt ? wcc::kResetMdt : 0;
  if (command.given(kFreekb)) bits |= wcc::kRestoreKeyboard;
  if (command.given(kAlarm)) bits |= wcc::kAlarm;
  return terminal::image::six_bits(static_cast<std::uint8_t>(bits));
}

std::size_t put_address(std::uint8_t* out, int address) {
  auto bytes = terminal::image::address(address);
  out[0] = terminal::image::kSetBufferAddress;
  out[1] = bytes[0];
  out[2] = bytes[1];
  return bytes.size() + 1;
}

std::size_t put_cursor(std::uint8_t* out, int address) {
  std::size_t length = put_address(out, address);
  out[length] = terminal::image::kInsertCursor;
  return length + 1;
}

Response send_tioa_stream(control::Task& task, std::size_t data_length) {
  finish_tioa_stream(data_length);
  return send_tioa(task) == kTerminalOk ? Response{} : kTerminalGone;
}

// ERASEAUP: the Erase All Unprotected command goes first, alone.
Response erase_unprotected(control::Task& task) {
  const std::uint8_t record[] = {
      terminal::image::command(terminal::Command::erase_all_unprotected)};
  return send_record(task, record) == kTerminalOk ? Response{} : kTerminalGone;
}

bool ends_line(std::uint8_t byte) {
  return byte == kNewLine || byte == kLineFeed;
}

// How many characters of `rest` go on a line with `room` cells: up to a
// new-line character; when the text runs on past the room, up to the last
// blank so that no word is cut (a word longer than the room is).
std::size_t line_length(std::span<const std::uint8_t> rest, std::size_t room) {
  std::size_t limit = std::min(rest.size(), room);
  auto end =
      std::find_if(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(limit), ends_line);
  auto length = static_cast<std::size_t>(end - rest.begin());
  if (length < limit || rest.size() <= room || rest[room] == kBlank) return length;
  auto blank =
      std::find(std::make_reverse_iterator(rest.begin() + static_cast<std::ptrdiff_t>(room)),
                rest.rend(), kBlank);
  auto before = static_cast<std::size_t>(rest.rend() - blank);
  return before > 1 ? before - 1 : room;
}

struct LaidText {
  std::size_t length = 0;  // bytes of orders and characters written
  int end = 0;             // the cell after the text
};

// Lays `text` out from cell `start`: each line runs to its row's end and
// the next one starts a row (a blank or new-line at the break is dropped);
// control characters show as blanks; what does not fit on the screen is
// left out.
LaidText lay_text(std::span<const std::uint8_t> text, int start, std::uint8_t* out) {
  LaidText laid;
  laid.end = start;
  std::size_t taken = 0;
  int line_start = start;
  while (taken < text.size() && line_start < host::kScreenSize) {
    auto room = static_cast<std::size_t>(host::kScreenColumns - line_start % host::kScreenColumns);
    std::size_t length = line_length(text.subspan(taken), room);
    if (length > 0) laid.length += put_address(out + laid.length, line_start);
    for (std::size_t i = 0; i < length; ++i) out[laid.length++] = displayable(text[taken + i]);
    taken += length;
    laid.end = line_start + static_cast<int>(length);
    bool broken = taken < text.size() && (ends_line(text[taken]) || text[taken] == kBlank);
    bool new_line = taken < text.size() && ends_line(text[taken]);
    if (broken) ++taken;
    line_start = (line_start / host::kScreenColumns + 1) * host::kScreenColumns;
    if (new_line) laid.end = line_start;
  }
  laid.end %= host::kScreenSize;
  return laid;
}

// Without ERASE a text starts on a line of its own: at the cursor when it
// stands at a row's start, else at the next row's.
int text_start(const control::Task& task) {
  int cursor = task.terminal->screen().cursor();
  if (cursor % host::kScreenColumns == 0) return cursor;
  return (cursor / host::kScreenColumns + 1) * host::kScreenColumns % host::kScreenSize;
}

// The terminal's input for RECEIVE: the input that started the task when no
// RECEIVE has taken it yet, else the user's next input; with BUFFER the
// whole screen as it stands, at once.
bool take_input(control::Task& task, bool buffer, std::vector<std::uint8_t>& input) {
  if (buffer) {
    input = task.terminal->screen().read_buffer(terminal::aid::kNone);
    return true;
  }
  if (!task.input_unreceived && receive_input(task) != kTerminalOk) return false;
  task.input_unreceived = false;
  const std::uint8_t* last = control::task_blocks().input;
  input.assign(last, last + task.input_length);
  return true;
}

void upper_case(std::span<std::uint8_t> data) {
  for (std::uint8_t& byte : data) {
    if (byte >= 'a' && byte <= 'z') byte = static_cast<std::uint8_t>(byte - 'a' + 'A');
  }
}

// The FROM area and its LENGTH (or FLENGTH) that SEND and SEND TEXT write.
Response outbound_data(const Command& command, std::span<const std::uint8_t>& data) {
  Area from = command.area(kFrom);
  if (!command.given(kFrom) || !from.passed()) return {kInvreq, kNoFrom};
  std::int32_t length = load_sized(command.area(kTextLength), command.given(kFlength));
  if (length < 0) return {kLengerr, kNegativeLength};
  if (length == 0) return {kLengerr, kNothingToSend};
  data = from.read(static_cast<std::size_t>(length));
  return {};
}

}  // namespace

namespace {

// Writes `from` as the data of one write (erase/write with ERASE), under
// the WCC that `ctlchar` gives, else one made from the command's options.
Response send_stream(const Command& command, control::Task& task,
                     std::span<const std::uint8_t> from, bool erase, const Option& ctlchar) {
  if (from.size() > host::kTioaDataCapacity) return {kLengerr, kStreamTooLong};
  Area given = command.given_area(ctlchar);
  std::uint8_t wcc = given.passed() ? given.read(1)[0] : control_character(command, erase);
  auto write = erase ? terminal::Command::erase_write : terminal::Command::write;
  std::uint8_t* data = start_tioa_stream(terminal::image::command(write), wcc);
  std::copy(from.begin(), from.end(), data);
  return send_tioa_stream(task, from.size());
}

// What RECEIVE and CONVERSE take the terminal's input into.
struct Receiver {
  DataArea to;
  Area length;       // receives the input's full length
  bool wide_length;  // LENGTH is a fullword
  std::optional<std::int32_t> room;
  bool asis;
  bool buffer;  // the whole screen, at once
};

// Takes the input (see take_input), records its AID and cursor in the EIB,
// upper-cases it unless ASIS and delivers it cut to the room.
Response receive_into(control::Task& task, const Receiver& receiver) {
  if (receiver.room && *receiver.room < 0) return {kLengerr, kNegativeLength};
  std::vector<std::uint8_t> input;
  if (!take_input(task, receiver.buffer, input)) return kTerminalGone;
  control::record_attention(input);
  std::span<std::uint8_t> data(input);
  data = data.subspan(std::min(kInputData, data.size()));
  if (!receiver.asis) upper_case(data);

  auto size = static_cast<std::int32_t>(data.size());
  std::int32_t kept = receiver.room ? std::min(*receiver.room, size) : size;
  auto kept_bytes = static_cast<std::size_t>(kept);
  if (Response delivered = deliver(receiver.to, data.first(kept_bytes), kept_bytes);
      delivered.resp != kNormal) {
    return delivered;
  }
  store_sized(receiver.length, receiver.wide_length, size);
  return kept < size ? Response{kLengerr, kInputCut} : Response{};
}

}  // namespace

Response send_data(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  std::span<const std::uint8_t> from;
  if (Response refused = outbound_data(command, from); refused.resp != kNormal) return refused;
  return send_stream(command, task, from, command.given(kSendErase), kCtlchar);
}

Response send_text(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  if (command.given(kMapped)) return {kInvreq, kNoMaps};
  std::span<const std::uint8_t> from;
  if (Response refused = outbound_data(command, from); refused.resp != kNormal) return refused;
  std::optional<int> cursor;
  if (!cursor_of(command, kTextCursor, cursor)) return {kInvreq, kBadCursor};
  bool erase = command.given(kErase);
  if (command.given(kEraseaup)) {
    if (Response erased = erase_unprotected(task); erased.resp != kNormal) return erased;
  }
  int start = erase ? 0 : text_start(task);
  auto write = erase ? terminal::Command::erase_write : terminal::Command::write;
  std::uint8_t* data =
      start_tioa_stream(terminal::image::command(write), control_character(command, erase));
  LaidText laid = lay_text(from, start, data);
  laid.length += put_cursor(data + laid.length, cursor.value_or(laid.end));
  return send_tioa_stream(task, laid.length);
}

Response send_control(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  std::optional<int> cursor;
  if (!cursor_of(command, kControlCursor, cursor)) return {kInvreq, kBadCursor};
  bool erase = command.given(kErase);
  if (command.given(kEraseaup)) {
    if (Response erased = erase_unprotected(task); erased.resp != kNormal) return erased;
  }
  auto write = erase ? terminal::Command::erase_write : terminal::Command::write;
  std::uint8_t* data =
      start_tioa_stream(terminal::image::command(write), control_character(command, erase));
  return send_tioa_stream(task, cursor ? put_cursor(data, *cursor) : 0);
}

Response receive(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  Receiver receiver{{command.flag(kReceiveInto.flag_position), command.area(kReceiveInto), Area{}},
                    Area{},
                    command.given(kReceiveFlength),
                    std::nullopt,
                    command.given(kAsis),
                    command.given(kBuffer)};
  if (!receiver.to.named()) return {kInvreq, kNoReceivingArea};
  receiver.to.check_receivers();
  if (receiver.wide_length || command.given(kReceiveLength)) {
    receiver.length = command.area(kReceiveLength);
  }
  if (receiver.length.passed()) receiver.length.require(sized_length(receiver.wide_length));
  if (command.given(kMaxlength) || command.given(kMaxflength)) {
    receiver.room = load_sized(command.area(kMaxlength), command.given(kMaxflength));
  } else if (receiver.to.kind == kIntoArea) {
    receiver.room = load_sized(receiver.length, receiver.wide_length);
  }
  return receive_into(task, receiver);
}

// CONVERSE: FROM written as SEND writes it, then the next input taken as
// RECEIVE takes it into SET (the translator passes no INTO area: INVREQ 3),
// TOLENGTH (TOFLENGTH) receiving its length and MAXLENGTH (MAXFLENGTH) its
// room. A CONVID names a conversation, and none is allocated: NOTALLOC.
Response converse(const Command& command) {
  control::Task& task = command.task();
  if (command.given(kConvid)) return {kNotalloc, 0};
  if (!has_terminal(task)) return kNoTerminalAnswer;
  Area from = command.area(kConverseFrom);
  if (!from.passed()) return {kInvreq, kNoFrom};
  std::int32_t length = load_sized(command.area(kFromlength), command.given(kFromflength));
  if (length < 0) return {kLengerr, kNegativeLength};
  Receiver receiver{
      {command.flag(kConverseInto.flag_position), command.given_area(kConverseSet), Area{}},
      Area{},
      command.given(kToflength),
      std::nullopt,
      false,
      false};
  if (!receiver.to.named()) return {kInvreq, kNoReceivingArea};
  receiver.to.check_receivers();
  receiver.length = command.area(kTolength);
  if (receiver.length.passed()) receiver.length.require(sized_length(receiver.wide_length));
  if (command.given(kConverseMaxlength) || command.given(kConverseMaxflength)) {
    receiver.room =
        load_sized(command.area(kConverseMaxlength), command.given(kConverseMaxflength));
  }
  if (Response sent = send_stream(command, task, from.read(static_cast<std::size_t>(length)),
                                  command.given(kConverseErase), kConverseCtlchar);
      sent.resp != kNormal) {
    return sent;
  }
  return receive_into(task, receiver);
}

namespace {
Response issue_eraseaup(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  return erase_unprotected(task);
}

// ISSUE PRINT: the terminal's screen as it stands, appended to print.txt in
// the region directory under a line naming the terminal and the time.
Response issue_print(const Command& command) {
  control::Task& task = command.task();
  if (!has_terminal(task)) return kNoTerminalAnswer;
  region::Region* region = region::current_region();
  if (region == nullptr) return {kIoerr, 0};
  std::ofstream out(region->directory() / kPrintFile, std::ios::app);
  out << "---- " << task.terminal_id << " " << local_time_text() << "\n";
  for (int row = 1; row <= host::kScreenRows; ++row)
    out << task.terminal->screen().row_text(row) << "\n";
  return out ? Response{} : Response{kIoerr, 0};
}

// Maps: no map sets are defined in this region.
Response no_maps(const Command&) {
  return {kInvreq, kNoMaps};
}

Response receive_map(const Command&) {
  return {kMapfail, 0};
}

constexpr CommandRow kCommands[] = {
    {0x0402, "RECEIVE", receive, kReceiveOptions},
    {0x0406, "CONVERSE", converse, kConverseOptions},
    {0x0418, "ISSUE ERASEAUP", issue_eraseaup, {}},
    {0x041C, "ISSUE PRINT", issue_print, {}},
    {0x1802, "RECEIVE MAP", receive_map, {}},
    {0x1804, "SEND MAP", no_maps, {}},
    {0x1808, "SEND PAGE", no_maps, {}},
    {0x180A, "PURGE MESSAGE", no_maps, {}},
    {0x0404, "SEND", send_data, kSendOptions},
    {0x1806, "SEND TEXT", send_text, kSendTextOptions},
    {0x1812, "SEND CONTROL", send_control, kSendControlOptions},
};
}  // namespace

std::span<const CommandRow> terminal_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
