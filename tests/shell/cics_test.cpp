#include "shell/cics.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct MoveCase {
  int destlen;
  const char* src;
  int srclen;
  const char* expected;  // the destination's 8 bytes afterwards ('.' untouched)
  int advanced;          // bytes between dest and the returned position
};

const MoveCase kMoveCases[] = {
    {8, "QCMD", 5, "QCMD    ", 8},    // the name field of the go-back call
    {5, "ABCDEF", 3, "ABC  ...", 5},  // source length stops the copy
    {3, "ABCDEF", 6, "ABC.....", 3},  // destination length stops it
    {6, "AB\0CD", 5, "AB    ..", 6},  // a NUL in the source stops it
    {4, "", 0, "    ....", 4},        // nothing to copy: all blanks
    {0, "ABC", 3, "........", 0},     // no room: nothing written
    {-2, "ABC", 3, "........", 0},
};

TEST(Movenstr, CopiesThenBlankFills) {
  for (const MoveCase& c : kMoveCases) {
    char dest[8];
    std::memset(dest, '.', sizeof dest);
    char* end = qcmd::movenstr(dest, c.destlen, c.src, c.srclen);
    EXPECT_EQ(std::string(dest, sizeof dest), c.expected) << c.destlen << " " << c.src;
    EXPECT_EQ(end - dest, c.advanced) << c.destlen << " " << c.src;
  }
}

}  // namespace
