// The task's control blocks as programs in the region see them: real byte
// layouts in the low-memory arena, linked by 32-bit words at the offsets of
// host/layout.hpp. A session process runs one task at a time, so it has one
// set of blocks, cleared for each task.
#pragma once

#include <cstdint>
#include <span>

namespace ravnmor::control {

// The user areas that ADDRESS hands out and ASSIGN measures.
inline constexpr std::size_t kCwaSize = 512;  // common work area, one for the region
inline constexpr std::size_t kTwaSize = 256;  // transaction work area, cleared for each task
inline constexpr std::size_t kTctuaSize =
    64;  // terminal user area, kept between the terminal's tasks

struct TaskBlocks {
  std::uint8_t* tcb;             // task control block (host::xtcb)
  std::uint8_t* terminal_data;   // terminal control data, tcb +36
  std::uint8_t* tioa;            // terminal I/O area, terminal_data +80
  std::uint8_t* eib;             // EXEC interface block, tcb +120
  std::uint8_t* terminal_state;  // tcb +156
  std::uint8_t* nucleus;         // host::xnuc
  std::uint8_t* input;           // last inbound record, nucleus +644
  std::uint8_t* local_data;      // what oxgetdm returns
  std::uint8_t* anchor;          // local_data +16
  std::uint8_t* global;          // anchor +248: the trace switches
  std::uint8_t* constants;       // host::xcnv
  std::uint8_t* cwa;             // this process's copy of the region's common work area
  std::uint8_t* twa;
  std::uint8_t* tctua;
};

// The process's blocks, allocated, linked and filled on first use (the
// terminal constants never change afterwards). Throws std::runtime_error when
// the arena cannot be mapped.
TaskBlocks& task_blocks();

// Clears the per-task blocks (TIOA, EIB, terminal state, input, TWA), sets the
// global area's trace switches and points the host globals at the blocks.
void prepare_task_blocks(bool trace, std::int32_t terminal_number);

// Stores an inbound record as the last input (cut to the input buffer's
// capacity); returns the number of bytes kept.
std::size_t store_input(std::span<const std::uint8_t> record);

// Sets the EIB's EIBAID and EIBCPOSN from an inbound record (AID, then the
// cursor address); an empty record is no AID, and a record without a cursor
// address leaves EIBCPOSN as it was.
void record_attention(std::span<const std::uint8_t> record);

}  // namespace ravnmor::control
