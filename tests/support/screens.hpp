// Reading the screens a program sent: text by the screen offset the
// interpreter places it at, whole rows, titles, and the catalogue's texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/terminal/screen.hpp"

namespace ravnmor::testing {

using terminal::Screen;

inline constexpr int kScreenWidth = 80;

// Text placed at screen offset `offset` ((row-1)*80 + column of its
// attribute cell, from 0): it starts in the cell after.
std::string text_at(const Screen& screen, int offset, int length);

// Whether `text` is placed at `offset`; the text found there when not.
::testing::AssertionResult shows_at(const Screen& screen, int offset, std::string_view text);

// Whether any row of `screen` holds `text`.
bool shows(const Screen& screen, std::string_view text);

// The index of the first screen that shows `text`, -1 when none does.
int first_showing(const std::vector<Screen>& screens, std::string_view text);

// The screens whose title row holds `title`, in order.
std::vector<const Screen*> titled(const std::vector<Screen>& screens, std::string_view title);

// `text` filled with blanks to a whole row.
std::string padded(std::string text);

// The catalogue's message `number` as the message line shows it after its
// attribute cell: "OXM3212W text".
std::string catalogue_line(std::uint32_t number);

}  // namespace ravnmor::testing
