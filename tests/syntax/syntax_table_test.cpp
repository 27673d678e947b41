#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "syntax/syntax.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

struct Option {
  const char* name;
  int required;
  int type;
  int length;
};

const SyntaxEntry* row(const char* verb) {
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (std::strcmp(entry.verb, verb) == 0) return &entry;
  }
  return nullptr;
}

// Checks every field of `entry` against a fresh option.
void expect_entry(const KeywordEntry& entry, const Option& option) {
  SCOPED_TRACE(option.name);
  EXPECT_STREQ(entry.name, option.name);
  EXPECT_EQ(entry.required, option.required);
  EXPECT_EQ(entry.type, option.type);
  EXPECT_EQ(entry.length, option.length);
  EXPECT_EQ(entry.present, 0);
  EXPECT_EQ(entry.dynvarno, 0);
  EXPECT_STREQ(entry.varname, " ");
  EXPECT_EQ(entry.value, nullptr);
}

// The options 1 to numkwds of `verb`, all of them, and zeros after them.
void expect_options(const char* verb, const std::vector<Option>& options) {
  SCOPED_TRACE(verb);
  const SyntaxEntry* entry = row(verb);
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->numkwds, static_cast<int>(options.size()));
  for (std::size_t i = 0; i < options.size(); ++i) expect_entry(entry->kwd[i + 1], options[i]);
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

TEST_F(SyntaxTableTest, RowsInFull) {
  expect_options("ABEND", {{"ABCODE", 0, kTypeString, 4}, {"CANCEL", 0, kTypeNone, 0}});
  expect_options("WRITEQ TS", {{"QUEUE", 1, kTypeString, 5},
                               {"FROM", 1, kTypeString, 32767},
                               {"LENGTH", 1, kTypeHalfword, 2},
                               {"ITEM", 0, kTypeHalfword, 2},
                               {"REWRITE", 0, kTypeNone, 0},
                               {"SYSID", 0, kTypeString, 5},
                               {"MAIN", 0, kTypeNone, 0},
                               {"AUXILIARY", 0, kTypeNone, 0},
                               {"NOSUSPEND", 0, kTypeNone, 0}});
  expect_options(
      "DELAY",
      {{"INTERVAL", 0, kTypePacked, 4}, {"TIME", 0, kTypePacked, 4}, {"REQID", 0, kTypeString, 9}});
  expect_options("ASKTIME", {{"ABSTIME", 0, kTypeDoubleword, 8}});
  expect_options("ADDRESS", {{"CSA", 0, kTypePointer, 4},
                             {"CWA", 0, kTypePointer, 4},
                             {"EIB", 0, kTypePointer, 4},
                             {"TCTUA", 0, kTypePointer, 4},
                             {"TWA", 0, kTypePointer, 4}});
  expect_options("INQUIRE FILE", {{"ENABLESTATUS", 0, kTypeFullword, 4},
                                  {"OPENSTATUS", 0, kTypeFullword, 4},
                                  {"TYPE", 0, kTypeFullword, 4},
                                  {"RECORDSIZE", 0, kTypeFullword, 4},
                                  {"REMOTESYSTEM", 0, kTypeString, 4}});
  expect_options("HANDLE CONDITION", {{"CONDITION-1", 0, kTypeString, 9},
                                      {"CONDITION-2", 0, kTypeString, 9},
                                      {"CONDITION-n", 0, kTypeString, 9}});
  expect_options("CONNECT PROCESS", {{"CONVID", 1, kTypeString, 5},
                                     {"PROCNAME", 1, kTypeString, 9},
                                     {"PROCLENGTH", 1, kTypeHalfword, 2},
                                     {"SYNCLEVEL", 1, kTypeHalfword, 2},
                                     {"STATE", 0, kTypeFullword, 4}});
}

TEST_F(SyntaxTableTest, VerbArguments) {
  const struct {
    const char* verb;
    Option argument;
  } expected[] = {
      {"INQUIRE CONNECTION", {" ", 0, kTypeString, 4}},
      {"INQUIRE FILE", {" ", 0, kTypeString, 8}},
      {"INQUIRE PROGRAM", {" ", 0, kTypeString, 0}},
      {"INQUIRE TDQUEUE", {" ", 0, kTypeString, 4}},
      {"INQUIRE TERMINAL", {" ", 0, kTypeString, 4}},
      {"INQUIRE TRANSACTION", {" ", 0, kTypeString, 4}},
      {"ISSUE ERROR", {" ", 0, kTypeNone, 4}},
      {"RECEIVE MAP", {" ", 1, kTypeString, 8}},
      {"SEND MAP", {" ", 0, kTypeString, 0}},
      {"SET FILE", {" ", 0, kTypeString, 8}},
      {"SET TDQUEUE", {" ", 0, kTypeString, 4}},
      {"SET TERMINAL", {" ", 0, kTypeString, 4}},
  };
  int with_argument = 0;
  for (const auto& [verb, argument] : expected) {
    SCOPED_TRACE(verb);
    expect_entry(row(verb)->kwd[0], argument);
  }
  // Every other verb has a plain entry 0: no argument, length 0.
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (entry.kwd[0].type != kTypeNone) ++with_argument;
    bool listed = false;
    for (const auto& e : expected) listed = listed || std::strcmp(e.verb, entry.verb) == 0;
    if (!listed) {
      SCOPED_TRACE(entry.verb);
      expect_entry(entry.kwd[0], {" ", 0, kTypeNone, 0});
    }
  }
  EXPECT_EQ(with_argument, 11);
}

TEST_F(SyntaxTableTest, RowsThatDifferFromTheirNamesakes) {
  const struct {
    const char* verb;
    const char* option;
    Option expected;
  } cases[] = {
      {"ALLOCATE", "SYSID", {"SYSID", 1, kTypeString, 4}},
      {"CANCEL", "SYSID", {"SYSID", 0, kTypeString, 5}},
      {"SEND", "CONVID", {"CONVID", 0, kTypeString, 2}},
      {"CONVERSE", "CONVID", {"CONVID", 0, kTypeString, 5}},
      {"RETRIEVE", "QUEUE", {"QUEUE", 0, kTypeString, 49}},
      {"START", "QUEUE", {"QUEUE", 0, kTypeString, 9}},
      {"READNEXT", "SET", {"SET", 0, kTypePointer, 0}},
      {"READPREV", "SET", {"SET", 0, kTypePointer, 4}},
      {"RECEIVE MAP", "SET", {"SET", 0, kTypeFullword, 4}},
      {"RECEIVE", "SET", {"SET", 0, kTypePointer, 4}},
      {"EXTRACT PROCESS", "MAXPROCLEN", {"MAXPROCLEN", 0, kTypeHalfword, 9}},
      {"ASSIGN", "SIGDATA", {"SIGDATA", 0, kTypeHalfword, 0}},
      {"XCTL", "LENGTH", {"LENGTH", 0, kTypeHalfword, 0}},
      {"WAIT EVENT", "ECADDR", {"ECADDR", 1, kTypeFullword, 0}},
      {"JOURNAL", "PREFIX", {"PREFIX", 0, kTypeString, 0}},
      {"HANDLE AID", "ANYKEY", {"ANYKEY", 0, kTypeString, 0}},
      {"HANDLE AID", "ENTER", {"ENTER", 0, kTypeString, 0}},
      {"HANDLE AID", "PFn", {"PFn", 0, kTypeString, 9}},
      {"ISSUE ERROR", "CONVID", {"CONVID", 0, kTypeString, 0}},
      {"ISSUE ERROR", "STATE", {"STATE", 0, kTypeFullword, 0}},
      {"READ", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"READNEXT", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"READPREV", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"RESETBR", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"REWRITE", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"STARTBR", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"UNLOCK", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"WRITE", "DATASET", {"DATASET", 0, kTypeString, 32767}},
      {"DELETE", "DATASET", {"DATASET", 0, kTypeString, 9}},
      {"ENDBR", "DATASET", {"DATASET", 0, kTypeString, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verb);
    const SyntaxEntry* entry = row(c.verb);
    ASSERT_NE(entry, nullptr);
    const KeywordEntry* found = nullptr;
    for (int k = 1; k <= entry->numkwds; ++k) {
      if (std::strcmp(entry->kwd[k].name, c.option) == 0) found = &entry->kwd[k];
    }
    ASSERT_NE(found, nullptr) << c.option;
    expect_entry(*found, c.expected);
  }
}

TEST_F(SyntaxTableTest, AssignFillsEveryEntryAndEmptyRowsKeepEntryZero) {
  const SyntaxEntry* assign = row("ASSIGN");
  EXPECT_EQ(assign->numkwds, 73);
  expect_entry(assign->kwd[1], {"ABCODE", 0, kTypeString, 4});
  expect_entry(assign->kwd[16], {"EWASUPP", 0, kTypeString, 2});
  expect_entry(assign->kwd[73], {"VALIDATION", 0, kTypeString, 2});
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
