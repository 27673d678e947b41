#include "translator/keywords.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace qcmd {
namespace {

class KeywordTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_hash_table(); }
};

TEST(KeywordHash, GivesTheBucketsOfTheShiftAndFold) {
  EXPECT_EQ(hash(""), 0);
  EXPECT_EQ(hash("A"), 65);
  EXPECT_EQ(hash("READ"), 302);
  EXPECT_EQ(hash("FILE"), 82);
  EXPECT_EQ(hash("DATASET"), 401);
  EXPECT_EQ(hash("\xC1"), 150);  // a byte above 127 counts as negative: -63 folded
}

TEST(KeywordList, HasEveryEntryInByteOrder) {
  std::vector<std::string> doubled;
  for (int i = 0; i < kKeywordCount; ++i) {
    ASSERT_NE(keyWordList[i].name, nullptr) << "entry " << i;
    ASSERT_GE(keyWordList[i].token, 257);
    ASSERT_LE(keyWordList[i].token, 953);
    if (i == 0) continue;
    const int order = std::strcmp(keyWordList[i - 1].name, keyWordList[i].name);
    EXPECT_LE(order, 0) << keyWordList[i - 1].name << " before " << keyWordList[i].name;
    if (order == 0) doubled.push_back(keyWordList[i].name);
  }
  EXPECT_EQ(std::size(keyWordList), 665u);
  EXPECT_EQ(doubled, (std::vector<std::string>{"DATEFORM", "STORAGE"}));
  EXPECT_STREQ(keyWordList[0].name, "ABCODE");
  EXPECT_STREQ(keyWordList[kKeywordCount - 1].name, "ZCPTRACING");
}

TEST_F(KeywordTable, FindsKeywordsAndOnlyKeywords) {
  struct Case {
    const char* word;
    std::int32_t token;
  };
  const Case cases[] = {
      {"READ", 749},        {"FILE", 714},      {"DATASET", 714},    {"DATEFORM", 358},
      {"EOF", 322},         {"ABCODE", 257},    {"ZCPTRACING", 953}, {"STORAGE", 842},
      {"ABPROGRAM", 261},   {"DELIMITER", 376}, {"FCT", 456},        {"INTERVALHRS", 513},
      {"PF22", 698},        {"TASK", 859},      {"RESP2", 776},      {"DS3270", 394},
      {"NOTAKEYWORD", 491}, {"read", 491},      {"Read", 491},       {"KEY", 491},
      {"REA", 491},         {"READX", 491},     {"", 491},           {"EXEC", 491},
  };
  for (const Case& c : cases) EXPECT_EQ(get_token(c.word), c.token) << c.word;
}

TEST_F(KeywordTable, FindsEveryKeywordOfTheList) {
  for (const KeywordToken& keyword : keyWordList) {
    EXPECT_EQ(get_token(keyword.name), keyword.token) << keyword.name;
  }
}

int chain_length(const HashEntry& bucket) {
  if (bucket.token == 0) return 0;
  int length = 0;
  for (const HashEntry* entry = &bucket; entry != nullptr; entry = entry->next) ++length;
  return length;
}

TEST_F(KeywordTable, SpreadsTheKeywordsAsTheHashGives) {
  build_hash_table();  // a second build must give the same table
  int used = 0;
  int longest = 0;
  int entries = 0;
  for (const HashEntry& bucket : hashTable) {
    const int length = chain_length(bucket);
    used += length > 0 ? 1 : 0;
    longest = std::max(longest, length);
    entries += length;
  }
  EXPECT_EQ(used, 456);
  EXPECT_EQ(longest, 4);
  EXPECT_EQ(entries, 665);

  std::vector<std::string> chain;
  for (const HashEntry* entry = &hashTable[hash("ABPROGRAM")]; entry; entry = entry->next) {
    chain.push_back(entry->name);
  }
  EXPECT_EQ(chain, (std::vector<std::string>{"ABPROGRAM", "DELIMITER", "FCT", "INTERVALHRS"}));
}

}  // namespace
}  // namespace qcmd
