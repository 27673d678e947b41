// What a service sees of one EXEC call: the decoded descriptor (function
// code, option flags by position) and the argument addresses by parameter
// position, and what it answers (EIBRESP, EIBRESP2). The EXEC interface
// (monitor/exec/) decodes the call, picks the handler by function code and
// writes the answer into the EIB; a handler only returns it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/descriptor.hpp"

namespace ravnmor::control {
struct Task;
}

namespace ravnmor::services {

// EIBRESP values (the conditions the commands raise).
enum Condition : std::int32_t {
  kNormal = 0,
  kTermiderr = 11,
  kFilenotfound = 12,
  kNotfnd = 13,
  kDuprec = 14,
  kInvreq = 16,
  kIoerr = 17,
  kNospace = 18,
  kNotopen = 19,
  kEndfile = 20,
  kLengerr = 22,
  kQzero = 23,
  kItemerr = 26,
  kPgmiderr = 27,
  kTransiderr = 28,
  kEnddata = 29,
  kMapfail = 36,
  kNostg = 42,
  kJiderr = 43,
  kQiderr = 44,
  kSysiderr = 53,
  kEnqbusy = 55,
  kNotalloc = 61,
  kTermerr = 81,
  kRolledback = 82,
  kDisabled = 84,
};

// EIBRESP2 values of INVREQ raised by the EXEC interface itself.
enum InterfaceRefusal : std::int32_t {
  kNoHandler = 0,           // no service for the function code
  kDescriptorTooShort = 1,  // fewer than 23 characters, or none at all
  kBadParameterCount = 2,   // count outside 1-24, or more than were passed
  kNoTask = 3,              // called while no task runs
  kTaskEnded = 4,           // the program has already issued RETURN or ABEND CANCEL
  kBadFunctionCode = 5,     // a function byte below X'20' in the descriptor
};

struct Response {
  std::int32_t resp = kNormal;
  std::int32_t resp2 = 0;
};

inline constexpr auto kDescriptorLength = static_cast<std::size_t>(host::kDescriptorLength);
using host::kFirstArgumentPosition;

// An access beyond the area a command was given. The EXEC interface answers
// it with LENGERR and EIBRESP2 kAreaTooSmallBase + the area's parameter
// position; the command does nothing more.
struct AreaTooSmall {
  int position;
};
inline constexpr std::int32_t kAreaTooSmallBase = 200;

// An address that a command stores for the program takes a 32-bit word:
// everything the region hands out lies below 4 GiB.
inline constexpr std::size_t kPointerSize = 4;

// The room of storage that neither the program nor the region can measure.
inline constexpr std::size_t kUnmeasured = SIZE_MAX;

// The storage a program passed at one parameter position. Every byte that a
// service reads or writes in a program's storage goes through an Area, so no
// access passes the area's room: the bytes from its address that the program
// declared with the call, or that are left of the region block holding it.
// Storage that neither measures is taken on trust, as the program's own.
//
// An area that was not passed has no room: half() and word() read it as 0
// and the put functions leave it alone; read(), write() and chars() need
// the bytes they name, or they raise AreaTooSmall.
class Area {
 public:
  Area() = default;
  Area(std::uint8_t* data, std::size_t room, int position)
      : data_(data), room_(data == nullptr ? 0 : room), position_(position) {}

  bool passed() const { return data_ != nullptr; }
  std::size_t room() const { return room_; }
  int position() const { return position_; }
  // The address itself, for a service that keeps it rather than its bytes.
  const void* address() const { return data_; }

  // Raises AreaTooSmall unless `n` bytes fit.
  void require(std::size_t n) const {
    if (n > room_) throw AreaTooSmall{position_};
  }
  std::span<const std::uint8_t> read(std::size_t n) const {
    require(n);
    return {data_, n};
  }
  std::span<std::uint8_t> write(std::size_t n) const {
    require(n);
    return {data_, n};
  }
  std::string_view chars(std::size_t n) const {
    require(n);
    return {reinterpret_cast<const char*>(data_), n};
  }
  // The `n` characters up to the first NUL among them: a name as a C
  // program passes it, NUL-terminated, or blank-padded to its width.
  std::string_view text(std::size_t n) const {
    std::string_view all = chars(n);
    return all.substr(0, all.find('\0'));
  }
  std::int16_t half() const;
  std::int32_t word() const;
  void put_half(std::int32_t value) const;
  void put_word(std::uint32_t value) const;

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t room_ = 0;
  int position_ = 0;
};

// What an option's argument is, as the region reads or writes it.
enum class Arg : std::uint8_t {
  kNone,     // the option passes no argument
  kChars,    // `size` characters: a name, an identifier
  kHalf,     // a halfword: a length, an item number
  kFull,     // a fullword
  kPacked,   // `size` bytes of packed decimal
  kData,     // data as long as another option says: FROM, INTO, RIDFLD, COMMAREA
  kPointer,  // a 32-bit address that the command stores: SET
  kBytes,    // `size` bytes read or written whole: ABSTIME
  kUnread,   // a value of which the region reads nothing (a SYSID: no other system is known)
  kAnswer,   // `size` characters the command writes into the program's area: INQUIRE's names
};

// What an option's argument names for the EIB: the resource the command
// works on (a queue, a program, a transaction), which EIBRSRCE shows, or
// the file of a file command, which EIBDS shows as well.
enum class Names : std::uint8_t { nothing, resource, file };

// One option of a command as the region decodes it: the flag it sets, a
// character at a descriptor position (none for an option every form of the
// command passes), and the argument it passes at a parameter position. Each
// service lays out its commands in rows of these, and every position a
// service reads comes from its row.
struct Option {
  std::string_view name;  // the option's keyword
  char flag = ' ';
  std::int8_t flag_position = 0;  // 0: the option sets no flag
  std::int8_t argument = 0;       // 0: the option passes no argument
  Arg kind = Arg::kNone;
  std::int16_t size = 0;  // kChars, kPacked, kBytes: the bytes at the argument
  Names names = Names::nothing;
};

// Bytes for one of several receiving areas. A command that fills several
// makes an Answer for each as it goes (which raises AreaTooSmall at once for
// an area too small for its bytes) and writes them all only at the end, so
// a refused command fills none.
struct Answer {
  Answer(const Area& to, std::string data) : area(to), bytes(std::move(data)) {
    area.require(bytes.size());
  }
  Area area;
  std::string bytes;
};

void write_answers(const std::vector<Answer>& answers);

class Command {
 public:
  // `sizes`, when given, holds the room of each argument as its caller
  // declared it (0: not known), in the order of `arguments`.
  Command(std::uint16_t function, const std::array<char, kDescriptorLength>& descriptor,
          std::span<void* const> arguments, std::span<const std::size_t> sizes, int parameter_count,
          control::Task& task)
      : function_(function),
        descriptor_(descriptor),
        arguments_(arguments),
        sizes_(sizes),
        parameter_count_(parameter_count),
        task_(task) {}

  std::uint16_t function() const { return function_; }

  // The character at descriptor position 1-35; blank outside that range.
  char flag(int position) const {
    return position >= 1 && position <= static_cast<int>(kDescriptorLength)
               ? descriptor_[position - 1]
               : ' ';
  }
  bool has_flag(int position) const { return flag(position) != ' '; }

  // The area passed at parameter position 2 onward; none when the position
  // lies beyond the descriptor's parameter count.
  Area area(int position) const {
    return position > parameter_count_ ? Area{} : uncounted_area(position);
  }
  int parameter_count() const { return parameter_count_; }

  // Whether `option` was given: its flag is set, or, for an option that sets
  // none, its argument was passed.
  bool given(const Option& option) const {
    return option.flag_position == 0 ? area(option).passed()
                                     : flag(option.flag_position) == option.flag;
  }
  // The area of `option`'s argument; none when it lies beyond the count.
  Area area(const Option& option) const { return area(option.argument); }
  // The area of `option` when it was given, else none.
  Area given_area(const Option& option) const { return given(option) ? area(option) : Area{}; }

  // The area at a parameter position whatever the count says, none beyond
  // the list passed: FORMATTIME places its separators after the arguments
  // it counts.
  Area uncounted_area(int position) const;

  control::Task& task() const { return task_; }

 private:
  std::uint16_t function_;
  const std::array<char, kDescriptorLength>& descriptor_;
  std::span<void* const> arguments_;
  std::span<const std::size_t> sizes_;
  int parameter_count_;
  control::Task& task_;
};

using Handler = Response (*)(const Command&);

// One command the region serves: its function code (EIBFN), its name for
// the trace, its handler and where its options lie.
struct CommandRow {
  std::uint16_t function;
  std::string_view name;
  Handler handler;
  std::span<const Option> options;
};

}  // namespace ravnmor::services
