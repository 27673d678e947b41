// The keyword table of the command language and its hash lookup: every verb,
// option, condition and key word with the token number the grammar expects.
#pragma once

#include <cstdint>

#include "translator/tokens.hpp"

namespace qcmd {

struct KeywordToken {
  const char* name;  // upper case
  std::int32_t token;
};

inline constexpr int kKeywordCount = 665;
inline constexpr int kHashBuckets = 809;

// In ascending byte order of the names, except that DATEFORM and STORAGE each
// stand twice in a row. DATASET carries the token of FILE, EOF a token out
// of alphabetical sequence.
extern const KeywordToken keyWordList[kKeywordCount];

// One bucket of the hash table, or one further entry of its chain. A bucket
// whose token is 0 is empty.
struct HashEntry {
  const char* name;
  std::int32_t token;
  HashEntry* next;
};

extern HashEntry hashTable[kHashBuckets];

// The bucket (0 to 808) of a NUL-terminated word: shift-and-fold over its
// characters taken as signed bytes.
int hash(const char* word);

// Fills hashTable from keyWordList in list order, each name appended to the
// end of its bucket's chain. Rebuilding starts from empty buckets, so calling
// it again gives the same table; the parse entry calls it once per process.
void build_hash_table();

// The token of an upper-case word, or TK_NAME when it is no keyword (a
// lower-case word is not found). Needs the hash table built.
std::int32_t get_token(const char* word);

}  // namespace qcmd
