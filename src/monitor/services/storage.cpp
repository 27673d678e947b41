// Storage control: GETMAIN and FREEMAIN.
//
// GETMAIN's SET receives the address as a 32-bit word. FREEMAIN is passed
// the address of the storage itself (the caller passes the address its DATA
// area holds).
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

constexpr Option kSet{"SET", ' ', 0, 2, Arg::kPointer};
constexpr Option kLength{"LENGTH", 'L', 4, 3, Arg::kHalf};
constexpr Option kFlength{"FLENGTH", 'F', 4, 3, Arg::kFull};
constexpr Option kInitimg{"INITIMG", 'I', 3, 4, Arg::kChars, 1};
constexpr Option kShared{"SHARED", 'S', 6};
constexpr Option kGetmainOptions[] = {kSet, kLength, kFlength, kInitimg, kShared};
constexpr Option kData{"DATA", ' ', 0, 2, Arg::kPointer};
constexpr Option kFreemainOptions[] = {kData};

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

std::vector<std::pair<const void*, std::size_t>> task_storage() {
  std::uint32_t task = running_task();
  release_ended_tasks(task);
  std::vector<std::pair<const void*, std::size_t>> blocks;
  for (const auto& [block, owner] : handed_out) {
    if (owner == task) blocks.emplace_back(block, control::LowArena::instance().block_size(block));
  }
  return blocks;
}

Response getmain(const Command& command) {
  Area set = command.area(kSet);
  Area length_area = command.area(kLength);
  if (!set.passed()) return {kInvreq, kNoReceiver};
  bool full = command.given(kFlength);
  if (!(full || command.given(kLength)) || !length_area.passed()) {
    return {kInvreq, kNoLengthGiven};
  }
  std::int32_t length = full ? length_area.word() : length_area.half();
  if (length < 1) return {kLengerr, 0};
  set.require(kPointerSize);
  Area initimg = command.given_area(kInitimg);
  std::uint8_t fill = initimg.passed() ? initimg.read(1)[0] : 0;
  std::uint8_t* block =
      acquire_task_storage(static_cast<std::size_t>(length), command.given(kShared));
  if (block == nullptr) return {kNostg, 0};
  if (initimg.passed()) std::memset(block, fill, static_cast<std::size_t>(length));
  set.put_word(host::ptr_to_word(block));
  return {};
}

Response freemain(const Command& command) {
  const void* address = command.area(kData).address();
  if (address == nullptr) return {kInvreq, kNoReceiver};
  release_ended_tasks(running_task());
  auto found = handed_out.find(address);
  if (found == handed_out.end()) return {kInvreq, kNotHandedOut};
  control::LowArena::instance().release(address);
  handed_out.erase(found);
  return {};
}

namespace {
constexpr CommandRow kCommands[] = {
    {0x0C02, "GETMAIN", getmain, kGetmainOptions},
    {0x0C04, "FREEMAIN", freemain, kFreemainOptions},
};
}  // namespace

std::span<const CommandRow> storage_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
