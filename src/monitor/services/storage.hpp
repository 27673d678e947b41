// Storage that the services hand to a task (GETMAIN, READQ TS SET): blocks of
// the low-memory arena, so that a 32-bit word holds their address. A block
// lives until FREEMAIN or the end of the task that got it; SHARED storage
// outlives the task and lasts until FREEMAIN.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ravnmor::services {

// A zero-filled block for the running task; nullptr when the arena is full.
std::uint8_t* acquire_task_storage(std::size_t size, bool shared = false);

// The blocks the running task holds (not SHARED ones), with their sizes.
std::vector<std::pair<const void*, std::size_t>> task_storage();

}  // namespace ravnmor::services
