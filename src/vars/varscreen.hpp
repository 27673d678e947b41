// The variables screen: the user variables with their lengths and values,
// where the user creates, renames, retypes, resizes, changes and deletes them
// by overtyping the list and pressing Enter. It also carries the command line.
#pragma once

#include <cstdint>

#include "vars/variables.hpp"

namespace qcmd {

// The display mode's name, shown at row 20 column 64 of the variables and
// edit-variable screens.
inline constexpr int kHexIndicatorSize = 13;
extern char hexindicator[kHexIndicatorSize];

// Sets hexindicator to the name of the current display mode.
void sethexindicator();
// PF2: switches the display mode and its indicator.
void switchdisplaymode();

// Runs the screen until PF3; returns 0. A screen that cannot be sent ends
// the run and the process.
int cintvarscreen();

// Builds and sends the screen, then handles its input.
void showvarscreen(std::int8_t* key);

// Reads the key into `key` and acts on it; returns 0.
int readvarscreen(std::int8_t* key);

// Applies everything typed on the screen; returns 0.
int processvarscreen();

// Applies the Length field `text` (kLengthFieldSize characters) to `node`:
// a type letter gives that type, a number a character string of that length.
// 0 when applied, 1 (node unchanged, message scheduled) when refused.
int processlength(const char* text, varnode* node);

inline constexpr int kLengthFieldSize = 5;

// Shared by both variable screens: the text of a pointer, halfword, fullword,
// packed or doubleword value in the current display mode (its length, 0 for
// other types), and the storing of such a text back into the value.
inline constexpr int kNumberTextSize = 24;
int format_number(const varnode* node, char* text);
void store_number(varnode* node, const char* text);

// Input field `field` of the last input, `length` characters, blank-padded;
// the nulls of a field the user typed into read as blanks.
void read_field(char* dest, int field, int length);

}  // namespace qcmd
