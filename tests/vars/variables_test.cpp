#include "vars/variables.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qcmd {
namespace {

class VariableStoreTest : public ::testing::Test {
 protected:
  void TearDown() override { deleteallvars(); }

  static varnode* add_named(std::int32_t type, const char* name) {
    varnode* node = addvarnode(type, 0);
    std::strcpy(node->name, name);
    return node;
  }

  // Each node's (seqno, dseqno) from the head, checking the back links too.
  static std::vector<std::pair<int, int>> numbering() {
    std::vector<std::pair<int, int>> result;
    varnode* previous = nullptr;
    for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
      EXPECT_EQ(node->prev, previous);
      result.emplace_back(node->seqno, node->dseqno);
      previous = node;
    }
    return result;
  }
};

TEST_F(VariableStoreTest, NewNodesGetTheirTypesInitialValue) {
  struct Expected {
    std::int32_t type;
    std::int32_t len;
    std::vector<std::uint8_t> first_bytes;
  };
  const Expected cases[] = {
      {kTypePointer, 4, {0, 0, 0, 0}},
      {kTypeString, 32768, {' ', ' ', ' '}},
      {kTypeHalfword, 2, {0, 0}},
      {kTypeFullword, 4, {0, 0, 0, 0}},
      {kTypePacked, 4, {0x00, 0x00, 0x00, 0x0C}},
      {kTypeDoubleword, 8, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Expected& expected : cases) {
    varnode* node = addvarnode(expected.type, 0);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->type, expected.type);
    EXPECT_EQ(node->len, expected.len);
    EXPECT_EQ(node->name[0], '\0');
    ASSERT_NE(node->value, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(node->value, node->value + expected.first_bytes.size()),
              expected.first_bytes)
        << "type " << expected.type;
  }
  varnode* pointer = findnode("");  // all nameless: the first added is found
  EXPECT_EQ(pointer->type, kTypePointer);
  EXPECT_EQ(pointer->next->value[32766], ' ');

  varnode* none = addvarnode(kTypeNone, 0);
  EXPECT_EQ(none->type, kTypeNone);
  EXPECT_EQ(none->len, 0);
  EXPECT_EQ(none->value, nullptr);
  EXPECT_EQ(varanchor.numvars, 7);
  EXPECT_EQ(varanchor.numuservars, 7);
}

TEST_F(VariableStoreTest, FindsByExactNameTheOldestFirst) {
  add_named(kTypeHalfword, "&HWORD");
  varnode* fword = add_named(kTypeFullword, "&FWORD");
  add_named(kTypeFullword, "&FWORD");
  EXPECT_EQ(findnode("&FWORD"), fword);
  EXPECT_EQ(findnode("&FWORD")->seqno, 2);
  EXPECT_EQ(findnode("&fword"), nullptr);
  EXPECT_EQ(findnode("&FWOR"), nullptr);
  EXPECT_EQ(findnode("&NONE"), nullptr);
}

TEST_F(VariableStoreTest, DeletingRenumbersAndKeepsTheCounts) {
  EXPECT_EQ(deletenode(1), 1);  // empty store
  for (const char* name : {"&A", "&B", "&C", "&D", "&E"}) add_named(kTypeFullword, name);
  EXPECT_EQ(deletenode(2), 0);
  EXPECT_EQ(findnode("&B"), nullptr);
  EXPECT_EQ(varanchor.numvars, 4);
  EXPECT_EQ(varanchor.numuservars, 4);
  EXPECT_EQ(numbering(), (std::vector<std::pair<int, int>>{{1, 0}, {2, 0}, {3, 0}, {4, 0}}));
  EXPECT_EQ(findnode("&C")->seqno, 2);

  EXPECT_EQ(deletenode(1), 0);  // the head
  EXPECT_EQ(std::string(varanchor.head->name), "&C");
  EXPECT_EQ(deletenode(3), 0);  // the tail
  EXPECT_EQ(varanchor.head->next->next, nullptr);
  EXPECT_EQ(deletenode(7), 1);
  EXPECT_EQ(varanchor.numvars, 2);

  EXPECT_EQ(deletenode(1), 0);
  EXPECT_EQ(deletenode(1), 0);  // the only node
  EXPECT_EQ(varanchor.head, nullptr);
  EXPECT_EQ(varanchor.numvars, 0);
  EXPECT_EQ(varanchor.numuservars, 0);
}

TEST_F(VariableStoreTest, DynamicVariablesAreNumberedApartAndRemovedTogether) {
  for (const char* name : {"&A", "&B", "&C", "&D", "&E"}) add_named(kTypeFullword, name);
  varnode* first = addvarnode(kTypeString, 1);
  addvarnode(kTypeHalfword, 1);
  addvarnode(kTypePacked, 1);
  EXPECT_EQ(numbering(), (std::vector<std::pair<int, int>>{
                             {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 1}, {7, 2}, {8, 3}}));
  EXPECT_EQ(varanchor.numvars, 8);
  EXPECT_EQ(varanchor.numuservars, 5);
  EXPECT_EQ(finddynnode(1), first);
  EXPECT_EQ(finddynnode(3)->type, kTypePacked);
  EXPECT_EQ(finddynnode(4), nullptr);
  EXPECT_EQ(findnode(""), first);  // nameless nodes take part in a name search

  EXPECT_EQ(deletedynvars(), 0);
  EXPECT_EQ(varanchor.numvars, 5);
  EXPECT_EQ(varanchor.numuservars, 5);
  EXPECT_EQ(finddynnode(1), nullptr);
  EXPECT_EQ(addvarnode(kTypeFullword, 1)->dseqno, 1);
}

TEST_F(VariableStoreTest, EmptyingTheStoreClearsTheAnchor) {
  add_named(kTypeString, "&S");
  addvarnode(kTypeFullword, 1);
  deleteallvars();
  EXPECT_EQ(varanchor.head, nullptr);
  EXPECT_EQ(varanchor.numvars, 0);
  EXPECT_EQ(varanchor.numuservars, 0);
  EXPECT_EQ(addvarnode(kTypeHalfword, 0)->seqno, 1);
}

}  // namespace
}  // namespace qcmd
