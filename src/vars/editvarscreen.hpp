// The edit-variable screen: one variable's whole value, 30 bytes a line with
// the offset of each line, 16 lines (480 bytes) a page, overtyped in
// character/decimal or hexadecimal form and stored on any key.
#pragma once

#include <cstdint>

#include "vars/variables.hpp"

namespace qcmd {

inline constexpr std::int32_t kEditLineBytes = 30;
inline constexpr std::int32_t kEditLinesPerPage = 16;
inline constexpr std::int32_t kEditPageBytes = kEditLineBytes * kEditLinesPerPage;

// Runs the screen for the variable `name` until PF3. A name that is not in
// the store schedules the no-variable message and shows nothing.
void editvarscreen(const char* name);

// Builds and sends the screen for `node`, then reads and applies the input.
void showeditvarscreen(std::int8_t* key, varnode* node);

// Reads the key, stores the typed data, then pages or switches the mode.
int readeditvarscreen(std::int8_t* key, std::int32_t* start, std::int32_t len, varnode* node);

// Store the data lines of the last input into the value of `node`.
int savechardata(std::int32_t len, std::int32_t start, varnode* node);
int savehexdata(std::int32_t len, std::int32_t start, varnode* node);

}  // namespace qcmd
