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

TEST_F(KeywordTable, FindsKeywordsAndOnlyKeywords) {
  struct Case {
    const char* word;
    std::int32_t token;
  };
  const Case cases[] = {
      {"DATASET", 714}, {"DATEFORM", 358}, {"STORAGE", 842}, {"NOTAKEYWORD", 491},
      {"read", 491},    {"Read", 491},     {"KEY", 491},     {"REA", 491},
      {"READX", 491},   {"", 491},         {"EXEC", 491},
  };
  for (const Case& c : cases) EXPECT_EQ(get_token(c.word), c.token) << c.word;
}

TEST_F(KeywordTable, FindsEveryKeywordOfTheList) {
  for (const KeywordToken& keyword : keyWordList) {
    EXPECT_EQ(get_token(keyword.name), keyword.token) << keyword.name;
  }
}

}  // namespace
}  // namespace qcmd
