#include "translator/descriptor.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "translate_support.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

class Descriptor : public testing::Translating {
 protected:
  void SetUp() override {
    Translating::SetUp();
    clear_error_tokens();
  }
  static std::int16_t half_at(const void* address) {
    std::int16_t value = 0;
    std::memcpy(&value, address, sizeof value);
    return value;
  }
  static std::int32_t full_at(const void* address) {
    std::int32_t value = 0;
    std::memcpy(&value, address, sizeof value);
    return value;
  }
};

TEST_F(Descriptor, StartWritesFunctionAndBaseCount) {
  init_cics_command(44);  // LINK: X'0E02', base count 7
  EXPECT_EQ(at(1), 0x0E + 0x20);
  EXPECT_EQ(at(2), 0x02 + 0x20);
  EXPECT_EQ(tolData.param_count, 7);
  EXPECT_EQ(tolData.highest_used, 1);
  for (int p = 3; p <= kDescriptorLength; ++p) EXPECT_EQ(at(p), ' ') << p;
  // Switching the form keeps the flags but takes the new code and count.
  setTolFlagWord('C', 3);
  set_opcode(83);  // XCTL: X'0E04', base 4
  EXPECT_EQ(at(2), 0x04 + 0x20);
  EXPECT_EQ(at(3), 'C');
  EXPECT_EQ(tolData.param_count, 4);
  EXPECT_EQ(commandOpcode(), 83);
  // A form with no table entry has no function code.
  set_opcode(kNoOpcode);
  EXPECT_EQ(at(1), ' ');
  EXPECT_EQ(at(2), ' ');
}

TEST_F(Descriptor, CountSevenIsASingleQuoteWrittenTwiceInTheCopy) {
  init_cics_command(44);
  gen_tolvik_command();
  EXPECT_EQ(at(kCountPosition), '\'');
  EXPECT_EQ(CmdIntBuffer.Descriptor[kCountPosition - 1], '\'');
  EXPECT_EQ(CmdIntBuffer.Descriptor[kCountPosition], '\'');
  EXPECT_EQ(CmdIntBuffer.Descriptor[kDescriptorLength], ' ');
}

TEST_F(Descriptor, FlagsWarnOnASecondWriteAndBitsCombine) {
  init_cics_command(5);
  setTolFlagWord('A', 4);
  EXPECT_EQ(err_token_no, -1);
  setTolFlagWord('B', 4);
  EXPECT_EQ(at(4), 'B');
  EXPECT_EQ(err_token_no, 0);
  EXPECT_EQ(err_severity[0], kSeverityWarning);
  forceTolFlagWord('C', 4);
  EXPECT_EQ(err_token_no, 0);
  setTolAssignFlag(0x20 | 8, 3);
  setTolAssignFlag(0x20 | 2, 3);
  EXPECT_EQ(at(3), 0x2A);
  EXPECT_TRUE(checkTolFlagWord(0x2A, 3));
  EXPECT_EQ(err_token_no, 0);
}

TEST_F(Descriptor, SequenceNumberIsBase96) {
  init_cics_command(26);
  tolData.sequence = 95;
  incrTolSeqNo();  // 96 = 1 * 96 + 0
  EXPECT_EQ(at(24), '!');
  EXPECT_EQ(at(25), ' ');
  init_cics_command(26);  // not reset by a new command
  incrTolSeqNo();
  EXPECT_EQ(tolData.sequence, 97);
  EXPECT_EQ(at(25), '!');
}

TEST_F(Descriptor, ValuesByType) {
  init_cics_command(60);
  passTolValueArg({"-2", 1}, 2, "15", kValueBinary);
  passTolValueArg({"70000", 2}, 3, "31", kValueBinary);
  passTolValueArg({"123", 3}, 4, "7", kValuePacked);
  passTolValueArg({"XY", 4}, 5, "1", kValueCharacter);
  EXPECT_EQ(half_at(qcmd_args[1]), -2);
  EXPECT_EQ(full_at(qcmd_args[2]), 70000);
  const auto* packed = static_cast<const std::uint8_t*>(qcmd_args[3]);
  EXPECT_EQ(packed[2], 0x12);  // 0000123C: seven digits and the sign
  EXPECT_EQ(packed[3], 0x3C);
  EXPECT_EQ(std::string(static_cast<const char*>(qcmd_args[4]), 2), std::string("X\0", 2));
  EXPECT_EQ(tolData.highest_used, 5);
  // A variable passes its own storage, whatever its type.
  varnode* number = variable("&N", kTypeFullword);
  passTolValueArg({"&N", 0}, 6, "15", kValueBinary);
  EXPECT_EQ(qcmd_args[5], number->value);
}

TEST_F(Descriptor, ByReferenceFindsVariablesAndDynamicOnes) {
  varnode* named = variable("&AREA", kTypeString, "X");
  varnode* first = dynamic(kTypeString);
  varnode* second = dynamic(kTypeString);
  init_cics_command(50);
  passTolByRefer({"&AREA", 0}, 3);
  passTolByRefer({kDynamicOperand, 2}, 5);
  passTolByRefer({"LITERAL", 1}, 6);
  passTolByRefer({"&NOSUCH", 0}, 7);
  EXPECT_EQ(qcmd_args[2], named->value);
  EXPECT_EQ(qcmd_args[4], second->value);
  EXPECT_EQ(qcmd_args[5], first->value);
  EXPECT_EQ(qcmd_args[6], static_cast<void*>(qcmd_filler));  // no variable: the filler
  EXPECT_TRUE(checkTolParam(7));                             // but the option was given
  EXPECT_FALSE(checkTolParam(8));
  EXPECT_EQ(tolData.highest_used, 7);
}

TEST_F(Descriptor, PriorityListKeepsOrderAndDropsTheSeventeenth) {
  variable("&V", kTypeFullword);
  init_cics_command(5);
  int sentinels[17];
  const int priorities[] = {5, 2, 9, 2};
  for (int i = 0; i < 4; ++i) insertByPriority(&sentinels[i], priorities[i]);
  gen_tolvik_command();
  // 2 (first written), 2 (second), 5, 9: equal priorities keep their order.
  EXPECT_EQ(ArgList[1], &sentinels[1]);
  EXPECT_EQ(ArgList[2], &sentinels[3]);
  EXPECT_EQ(ArgList[3], &sentinels[0]);
  EXPECT_EQ(ArgList[4], &sentinels[2]);

  init_cics_command(5);
  for (int i = 0; i < 17; ++i) insertByPriority(&sentinels[i], i);
  ASSERT_EQ(err_token_no, 0);
  EXPECT_STREQ(err_token[0], "You have exceeded the maximum allowable number of arguments\n");
  EXPECT_EQ(err_severity[0], kSeverityError);
  gen_tolvik_command();
  EXPECT_EQ(ArgList[16], &sentinels[15]);
}

TEST_F(Descriptor, PlacedValuesCountInTheParameterCount) {
  variable("&T", kTypeString, "12:00");
  init_cics_command(21);  // FORMATTIME, base 1
  saveTolParam({"&T", 0}, 21);
  saveValue({":", 0}, 22, "2", kValueCharacter);
  saveTolParam({"&NOSUCH", 0}, 3);  // counted even without a variable
  EXPECT_EQ(tolData.param_count, 4);
  gen_tolvik_command();
  EXPECT_EQ(std::string(static_cast<const char*>(ArgList[2]), 3), std::string(": \0", 3));
}

TEST_F(Descriptor, DefaultLengths) {
  variable("&S", kTypeString, "ABCDE");
  init_cics_command(60);
  EXPECT_FALSE(needDefaultLength1());
  saveDataAreaName1("&S");
  EXPECT_TRUE(needDefaultLength1());
  passDefaultLength1(4);
  EXPECT_EQ(half_at(qcmd_args[3]), 5);
  EXPECT_EQ(tolData.highest_used, 1);  // a default length does not raise it
  saveDataAreaName2("&NOSUCH");
  passDefaultLength2(5);
  EXPECT_EQ(qcmd_args[4], static_cast<void*>(qcmd_filler));
  lengthPresent1 = 1;
  EXPECT_FALSE(needDefaultLength1());
}

TEST_F(Descriptor, ExcessAndHandleLists) {
  init_cics_command(26);
  for (int i = 0; i < 16; ++i) setTolHandleFlag(static_cast<char>(0x21 + i));
  EXPECT_FALSE(excess_arguments());
  setTolHandleFlag(0x49);  // the seventeenth: counted, not stored
  EXPECT_TRUE(excess_arguments());
  EXPECT_EQ(at(19), ' ');
  saveTolHandleLabel("IGNORED");  // no label for it either
  EXPECT_STREQ(handle_labels[15], "dfhNullLabel");
  init_cics_command(5);
  tolData.param_count = 18;
  EXPECT_TRUE(excess_arguments());
}

TEST_F(Descriptor, ReceiveMapDefaultArea) {
  varnode* area = variable("&M1I", kTypeString, "");
  init_cics_command(56);
  save_map_name("M1");
  EXPECT_STREQ(map_name, "&M1");
  check_map();
  EXPECT_EQ(qcmd_args[2], area->value);
  init_cics_command(56);
  save_map_name("&M1");
  setTolFlagWord('I', 5);  // INTO given: no default
  check_map();
  EXPECT_EQ(qcmd_args[2], static_cast<void*>(qcmd_filler));
}

}  // namespace
}  // namespace qcmd
