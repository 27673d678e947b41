// Storage control: GETMAIN and FREEMAIN.
//
// GETMAIN   SET(ptr-ref) ref 2 receives the address as a 32-bit word;
//           LENGTH "L" at 4, halfword at 3, or FLENGTH "F" at 4, fullword at 3;
//           INITIMG "I" at 3, one character at 4; SHARED "S" at 6.
// FREEMAIN  position 2 holds the address of the storage itself (the caller
//           passes the address its DATA area holds).
#include "monitor/services/storage.hpp"

#include <cstring>
#include <map>

#include "host/bytes.hpp"
#include "monitor/control/arena.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr int kSetArgument = 2;
constexpr int kLengthArgument = 3;
constexpr int kInitimgArgument = 4;
constexpr int kInitimgFlag = 3;  // "I"
constexpr int kLengthFlag = 4;   // "L" halfword LENGTH, "F" fullword FLENGTH
constexpr char kFullLength = 'F';
constexpr int kSharedFlag = 6;  // "S"
constexpr int kFreeArgument = 2;

// EIBRESP2 of GETMAIN's and FREEMAIN's INVREQ.
enum StorageRefusal : std::int32_t {
  kNotHandedOut = 1,   // FREEMAIN of an address that GETMAIN did not give
  kNoReceiver = 2,     // GETMAIN without a SET area, FREEMAIN without an address
  kNoLengthGiven = 3,  // GETMAIN with neither LENGTH nor FLENGTH
};

// Every block handed out and not yet freed, with the task that got it
// (0 for SHARED storage, which no task end frees).
std::map<const void*, std::uint32_t> handed_out;
std::uint32_t current_owner = 0;

// Frees what earlier tasks of this session left behind. Called on every use,
// so a task never sees, and can never free, an earlier task's storage.
void release_ended_tasks(std::uint32_t task) {
  if (task == current_owner) return;
  for (auto it = handed_out.begin(); it != handed_out.end();) {
    if (it->second != 0) {
      control::LowArena::instance().release(it->first);
      it = handed_out.erase(it);
    } else {
      ++it;
    }
  }
  current_owner = task;
}

std::uint32_t running_task() {
  control::Task* task = control::current_task();
  return task == nullptr ? 0 : task->number;
}

}  // namespace

std::uint8_t* acquire_task_storage(std::size_t size, bool shared) {
  std::uint32_t task = running_task();
  release_ended_tasks(task);
  std::uint8_t* block = control::LowArena::instance().allocate(size);
  if (block != nullptr) handed_out[block] = shared ? 0 : task;
  return block;
}

Response getmain(const Command& command) {
  Area set = command.area(kSetArgument);
  Area length_area = command.area(kLengthArgument);
  if (!set.passed()) return {kInvreq, kNoReceiver};
  if (!command.has_flag(kLengthFlag) || !length_area.passed()) return {kInvreq, kNoLengthGiven};
  std::int32_t length =
      command.flag(kLengthFlag) == kFullLength ? length_area.word() : length_area.half();
  if (length < 1) return {kLengerr, 0};
  set.require(kPointerSize);
  Area initimg = command.has_flag(kInitimgFlag) ? command.area(kInitimgArgument) : Area{};
  std::uint8_t fill = initimg.passed() ? initimg.read(1)[0] : 0;
  std::uint8_t* block =
      acquire_task_storage(static_cast<std::size_t>(length), command.has_flag(kSharedFlag));
  if (block == nullptr) return {kNostg, 0};
  if (initimg.passed()) std::memset(block, fill, static_cast<std::size_t>(length));
  set.put_word(host::ptr_to_word(block));
  return {};
}

Response freemain(const Command& command) {
  const void* address = command.area(kFreeArgument).address();
  if (address == nullptr) return {kInvreq, kNoReceiver};
  release_ended_tasks(running_task());
  auto found = handed_out.find(address);
  if (found == handed_out.end()) return {kInvreq, kNotHandedOut};
  control::LowArena::instance().release(address);
  handed_out.erase(found);
  return {};
}

}  // namespace ravnmor::services
