// What a service sees of one EXEC call: the decoded descriptor (function
// code, option flags by position) and the argument addresses by parameter
// position, and what it answers (EIBRESP, EIBRESP2). The EXEC interface
// (monitor/exec/) decodes the call, picks the handler by function code and
// writes the answer into the EIB; a handler only returns it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ravnmor::control {
struct Task;
}

namespace ravnmor::services {

// EIBRESP values (the conditions the commands raise).
enum Condition : std::int32_t {
  kNormal = 0,
  kFilenotfound = 12,
  kNotfnd = 13,
  kDuprec = 14,
  kInvreq = 16,
  kIoerr = 17,
  kNospace = 18,
  kEndfile = 20,
  kLengerr = 22,
  kQzero = 23,
  kItemerr = 26,
  kPgmiderr = 27,
  kTransiderr = 28,
  kEnddata = 29,
  kNostg = 42,
  kQiderr = 44,
  kSysiderr = 53,
  kEnqbusy = 55,
  kTermerr = 81,
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

inline constexpr std::size_t kDescriptorLength = 35;
inline constexpr int kParameterCountPosition = 23;  // 0x20 + count, the descriptor included
inline constexpr int kFirstArgumentPosition = 2;    // position 1 is the descriptor itself

class Command {
 public:
  Command(std::uint16_t function, const std::array<char, kDescriptorLength>& descriptor,
          std::span<void* const> arguments, int parameter_count, control::Task& task)
      : function_(function),
        descriptor_(descriptor),
        arguments_(arguments),
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

  // The address passed for parameter position 2 onward; nullptr when the
  // position lies beyond the descriptor's parameter count.
  void* argument(int position) const {
    if (position < kFirstArgumentPosition || position > parameter_count_) return nullptr;
    return arguments_[static_cast<std::size_t>(position - kFirstArgumentPosition)];
  }
  int parameter_count() const { return parameter_count_; }

  // The address at a parameter position whatever the count says, nullptr
  // beyond the list passed: FORMATTIME places its separators after the
  // arguments it counts.
  void* uncounted_argument(int position) const {
    auto index = static_cast<std::size_t>(position - kFirstArgumentPosition);
    if (position < kFirstArgumentPosition || index >= arguments_.size()) return nullptr;
    return arguments_[index];
  }

  control::Task& task() const { return task_; }

 private:
  std::uint16_t function_;
  const std::array<char, kDescriptorLength>& descriptor_;
  std::span<void* const> arguments_;
  int parameter_count_;
  control::Task& task_;
};

using Handler = Response (*)(const Command&);

}  // namespace ravnmor::services
