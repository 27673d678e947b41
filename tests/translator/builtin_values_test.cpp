#include "translator/builtin_values.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <span>

namespace qcmd {
namespace {

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
  // Names are matched whole and in upper case only.
  for (const char* name : {"open", "OPE", "OPENX", "", "AAA", "ZZZ"}) {
    EXPECT_EQ(get_dfhvalue(name), 0) << name;
    EXPECT_EQ(get_dfhresp(name), -1) << name;
  }
}

}  // namespace
}  // namespace qcmd
