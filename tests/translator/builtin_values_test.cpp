#include "translator/builtin_values.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <span>

namespace qcmd {
namespace {

struct Lookup {
  const char* name;
  std::int32_t value;
};

TEST(Dfhvalue, GivesSupportedAndUnsupportedNamesAndZeroForUnknown) {
  const Lookup cases[] = {
      {"OPEN", -18},
      {"ACQUIRING", 71},
      {"ACQUIRED", -69},
      {"ZCPTRACE", 364},
      {"CICSSECUTIRY", 195},
      {"NOTAPPLIC", -1},
      {"IGNORE", -1},
      {"INDOUBT", -620},
      {"T7770", 1},
      {"CICSSECURITY", 0},
      {"open", 0},
      {"OPE", 0},
      {"OPENX", 0},
      {"", 0},
      {"AAA", 0},
      {"ZZZ", 0},
  };
  for (const Lookup& c : cases) EXPECT_EQ(get_dfhvalue(c.name), c.value) << c.name;
}

TEST(Dfhresp, GivesResponseNumbersAndMinusOneForUnknown) {
  const Lookup cases[] = {
      {"NORMAL", 0},        {"NOTFND", 13},  {"ALLOCERR", 85},    {"WRBRK", 3},
      {"FILENOTFOUND", 12}, {"DSIDERR", 12}, {"RECORDBUSY", 101}, {"OPEN", -1},
      {"notfnd", -1},       {"", -1},        {"ZZZZ", -1},
  };
  for (const Lookup& c : cases) EXPECT_EQ(get_dfhresp(c.name), c.value) << c.name;
}

// Each table is complete, sorted for the binary search, and every name in it
// is found with its own value.
void expect_searchable(std::span<const BuiltinValue> table, std::int32_t (*lookup)(const char*)) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    ASSERT_NE(table[i].name, nullptr) << "entry " << i;
    if (i > 0) {
      EXPECT_LT(std::strcmp(table[i - 1].name, table[i].name), 0) << table[i].name;
    }
    EXPECT_EQ(lookup(table[i].name), table[i].value) << table[i].name;
  }
}

TEST(BuiltinTables, AreCompleteSortedAndSearchable) {
  EXPECT_EQ(std::size(dfhvalue_name), 311u);
  EXPECT_EQ(std::size(dfhresp_name), 92u);
  expect_searchable(dfhvalue_name, get_dfhvalue);
  expect_searchable(dfhresp_name, get_dfhresp);
  for (const BuiltinValue& entry : dfhvalue_name) EXPECT_NE(entry.value, 0) << entry.name;
  for (const BuiltinValue& entry : dfhresp_name) {
    EXPECT_GE(entry.value, 0) << entry.name;
    EXPECT_LE(entry.value, 101) << entry.name;
  }
}

}  // namespace
}  // namespace qcmd
