#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/cases.hpp"
#include "syntax/syntax.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

const SyntaxEntry* row(const std::string& verb) {
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (entry.verb == verb) return &entry;
  }
  return nullptr;
}

int type_named(const std::string& name) {
  static const std::map<std::string, int> kTypes = {{"none", kTypeNone},
                                                    {"pointer", kTypePointer},
                                                    {"string", kTypeString},
                                                    {"halfword", kTypeHalfword},
                                                    {"fullword", kTypeFullword},
                                                    {"packed", kTypePacked},
                                                    {"doubleword", kTypeDoubleword}};
  return kTypes.at(name);
}

// Checks `entry` against "NAME REQUIRED TYPE LENGTH" (no NAME for entry 0),
// and that nothing of a command is in it yet.
void expect_entry(const KeywordEntry& entry, const std::string& option, bool named = true) {
  SCOPED_TRACE(option);
  std::istringstream words(option);
  std::string name = " ", type;
  int required = -1, length = -1;
  if (named) words >> name;
  words >> required >> type >> length;
  EXPECT_STREQ(entry.name, name.c_str());
  EXPECT_EQ(entry.required, required);
  EXPECT_EQ(entry.type, type_named(type));
  EXPECT_EQ(entry.length, length);
  EXPECT_EQ(entry.present, 0);
  EXPECT_EQ(entry.dynvarno, 0);
  EXPECT_STREQ(entry.varname, " ");
  EXPECT_EQ(entry.value, nullptr);
}

const KeywordEntry* option_named(const SyntaxEntry& entry, const std::string& option) {
  const std::string name = option.substr(0, option.find(' '));
  for (int k = 1; k <= entry.numkwds; ++k) {
    if (entry.kwd[k].name == name) return &entry.kwd[k];
  }
  return nullptr;
}

bool all_zero(const void* bytes, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

class SyntaxTableTest : public ::testing::Test {
 protected:
  void SetUp() override { initialize(); }
};

// Which verbs there are, in which order, is coverage_test's table; here
// the shape every row shares.
TEST_F(SyntaxTableTest, RowsAreSortedAndEmptyAfterTheirOptions) {
  EXPECT_EQ(verbcount, static_cast<int>(kVerbCount));
  EXPECT_EQ(kwdcount, 3);
  for (std::size_t v = 0; v < kVerbCount; ++v) {
    const SyntaxEntry& entry = SyntaxTable[v];
    SCOPED_TRACE(entry.verb);
    EXPECT_EQ(entry.verblen, std::strlen(entry.verb));
    EXPECT_STREQ(entry.kwd[0].name, " ");
    EXPECT_STREQ(entry.kwd[0].varname, " ");
    for (std::size_t k = entry.numkwds + 1; k < kKeywordEntries; ++k) {
      ASSERT_TRUE(all_zero(&entry.kwd[k], sizeof entry.kwd[k])) << "entry " << k;
    }
    // A phrase that extends a shorter one sorts after it.
    if (v > 0) {
      EXPECT_LT(std::strcmp(SyntaxTable[v - 1].verb, entry.verb), 0);
    }
  }
}

TEST_F(SyntaxTableTest, RowsOptionsAndVerbArgumentsAsTheTableOfCasesSays) {
  std::set<std::string> with_argument;
  for (const auto& line : ravnmor::testing::read_cases("syntax/options.txt")) {
    const std::string& first = line.fields[0];
    const std::string kind = first.substr(0, first.find(' '));
    const std::string verb = first.substr(kind.size() + 1);
    SCOPED_TRACE("options.txt:" + std::to_string(line.number) + " " + verb);
    const SyntaxEntry* entry = row(verb);
    ASSERT_NE(entry, nullptr);
    if (kind == "row") {
      ASSERT_EQ(entry->numkwds, static_cast<int>(line.fields.size()) - 1);
      for (int k = 1; k <= entry->numkwds; ++k) expect_entry(entry->kwd[k], line.fields[k]);
    } else if (kind == "option") {
      const KeywordEntry* option = option_named(*entry, line.fields[1]);
      ASSERT_NE(option, nullptr);
      expect_entry(*option, line.fields[1]);
    } else {
      ASSERT_EQ(kind, "argument");
      expect_entry(entry->kwd[0], line.fields[1], false);
      with_argument.insert(verb);
    }
  }
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (with_argument.count(entry.verb) == 0) expect_entry(entry.kwd[0], "0 none 0", false);
  }
}

TEST_F(SyntaxTableTest, AssignFillsEveryEntryAndEmptyRowsKeepEntryZero) {
  const SyntaxEntry* assign = row("ASSIGN");
  EXPECT_EQ(assign->numkwds, 73);
  expect_entry(assign->kwd[1], "ABCODE 0 string 4");
  expect_entry(assign->kwd[16], "EWASUPP 0 string 2");
  expect_entry(assign->kwd[73], "VALIDATION 0 string 2");
  for (const char* verb : {"INQUIRE PROGRAM", "ISSUE ERASEAUP", "ISSUE PRINT", "POP HANDLE",
                           "PURGE MESSAGE", "PUSH HANDLE", "SUSPEND"}) {
    SCOPED_TRACE(verb);
    const SyntaxEntry* entry = row(verb);
    EXPECT_EQ(entry->numkwds, 0);
    EXPECT_STREQ(entry->kwd[0].name, " ");
    EXPECT_TRUE(all_zero(&entry->kwd[1], sizeof entry->kwd[1]));
  }
}

TEST_F(SyntaxTableTest, SecondBuildWritesTheSameBytes) {
  std::vector<unsigned char> first(sizeof SyntaxTable);
  std::memcpy(first.data(), SyntaxTable, sizeof SyntaxTable);
  SyntaxTable[5].kwd[1].present = 1;  // a stray write is repaired by the build
  SyntaxTable[83].kwd[70].type = 9;
  initialize();
  EXPECT_EQ(std::memcmp(first.data(), SyntaxTable, sizeof SyntaxTable), 0);
  EXPECT_EQ(verbcount, 84);
  EXPECT_EQ(kwdcount, 3);
}

}  // namespace
}  // namespace qcmd
