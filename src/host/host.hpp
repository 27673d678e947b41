// The monitor operations and control blocks that a program running in the
// region calls. The interpreter reaches the monitor only through these; the
// monitor (src/monitor/) implements them for the task that is running; each
// group says in which file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "host/bytes.hpp"
#include "host/layout.hpp"

namespace host {

// Control blocks of the running task. Each points into the region's
// low-memory arena, so the 32-bit links inside them are real addresses.
// In monitor/control/blocks.cpp.
extern std::uint8_t* xtcb;     // task control block
extern std::uint8_t* xnuc;     // nucleus block: +644 -> the last inbound record
extern std::uint8_t* xcnv;     // terminal constants (kCnv* offsets)
extern std::int32_t xtermnum;  // the task's terminal number

// EXEC interface: runs one command. `descriptor` is the 35-character command
// descriptor (function code, option flags, parameter count); `args` are the
// argument addresses of parameter positions 2 onward, at most 23. Updates the
// task's EIB and returns (a transfer of control is acted on when the program
// returns from its main function). In monitor/exec/dispatch.cpp.
inline constexpr std::size_t kMaxExecArgs = 23;
void oxdfhei1(const void* descriptor, std::span<void* const> args);

// The same call with the room of each argument: sizes[i] is how many bytes
// from args[i] on belong to the area (0 where the program cannot tell). The
// region reads and writes no byte of an argument beyond its room, and answers
// LENGERR where a command needs more (see monitor/services/command.hpp).
void oxdfhei1(const void* descriptor, std::span<void* const> args,
              std::span<const std::size_t> sizes);

template <typename... Args>
void oxdfhei1(const void* descriptor, Args*... args) {
  static_assert(sizeof...(Args) <= kMaxExecArgs, "too many EXEC arguments");
  if constexpr (sizeof...(Args) == 0) {
    oxdfhei1(descriptor, std::span<void* const>{});
  } else {
    void* const list[] = {const_cast<void*>(static_cast<const void*>(args))...};
    oxdfhei1(descriptor, std::span<void* const>(list));
  }
}

// The task's local data area (+16 -> shared anchor, +248 -> global area). In
// monitor/control/blocks.cpp.
std::uint8_t* oxgetdm();

// Screen building: a new empty screen with the standard header (rows 1-2) and
// `title`; then texts placed at offsets (offset_of in layout.hpp): the cell of
// the attribute byte, the text following it. This group, down to cvdsaddr,
// is in monitor/services/screen.cpp.
void scrnhead(const char* title, int length, std::int32_t termnum);
void oxptscrn(const char* text, int length, int offset, std::uint8_t attribute);
void oxsc(int offset);  // cursor at that cell

// Sends the screen being built (one erase/write) and waits for the user's
// input. 0 on success, non-zero when the terminal is gone.
int oxsnd(std::int32_t termnum);

// The raw key byte of the last input; xcnv[kCnvAidTable + byte] is its AID.
void oxrdkey(std::int8_t* key);

// Copies the n-th input field (from 1) of the last input into `buffer`,
// blank-padded to `length` characters (no terminator).
void oxrdlc(char* buffer, int n, int length);

// Linear screen offset (from 0) of a two-byte 3270 buffer address.
int cvdsaddr(const std::uint8_t* address);

// Raw terminal I/O through the task's terminal I/O area (TIOA, xtcb +36 ->
// +80). readcon reads the terminal's current screen in read-buffer form into
// the TIOA's data part and sets its data length; writecon writes the TIOA's
// stream (command, WCC, data). `status` receives 0 or a failure code. These
// and oxw4ky are in monitor/services/console.cpp.
void readcon(int zero, std::int32_t* status, std::int32_t termnum);
void writecon(std::int32_t* status, std::int32_t termnum);

// Returns after the user presses a key.
void oxw4ky(std::int32_t termnum);

// Message catalogue: the NUL-terminated text of `number` into `text` (200
// bytes) and its one-letter severity into `code`. In monitor/region/catalogue.cpp.
inline constexpr int kMessageTextSize = 200;
void oxgetmsg(int number, char* text, char* code);

// Error log: monitor error `number` (353: a screen could not be sent) raised
// in `function`. This and the trace are in monitor/region/log.cpp.
inline constexpr int kErrorScreenSend = 353;
void oxerror(int number, int flag, const char* function);

// One line of the region's trace.
void oxprtd(const char* format, ...) __attribute__((format(printf, 1, 2)));

// What the region's own programs (src/programs/) need besides the above.
// The running program's COMMAREA (EIBCALEN bytes); empty when it has none.
// This and linking_program are in monitor/control/task.cpp.
std::span<std::uint8_t> task_commarea();
// The program that LINKed to the running one and gets control back; empty
// when none did.
std::string_view linking_program();
// The name of the key that sends a 3270 AID ("Enter", "PF3"); empty for a
// byte no key sends. In monitor/control/constants.cpp.
std::string_view key_name(std::uint8_t aid);
// Sends the screen being built without waiting for input: 0, or non-zero
// when the terminal is gone. In monitor/services/screen.cpp.
int send_screen(std::int32_t termnum);

}  // namespace host
