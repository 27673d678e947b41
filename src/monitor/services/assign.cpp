// ASSIGN: values the region knows about the task, its terminal and the region.
// Each option given sets one bit (1, 2, 4 or 8, over 0x20) of a flag position
// from 3 to 22; its rank, the priority, follows from the two: four options to
// a position, bit 8 first, so the option at position p and the n-th bit of
// 8, 4, 2, 1 ranks (p - 3) * 4 + n. The receiving areas come from parameter
// position 2 on in ascending rank, one for each bit set.
//
// Every field asked for that the region keeps is filled (characters blank-
// padded to the field's width, halfwords, one-byte indicators X'00' for no
// and X'FF' for yes). A field the region does not keep is left as it was and
// the command answers INVREQ with EIBRESP2 the rank of the first such field
// (for example 5 for DELIMITER); a flag character outside X'20'-X'2F' gives
// INVREQ with EIBRESP2 100 + its position, and a missing receiving area
// INVREQ with EIBRESP2 0.
//
// The region has no sign-on: every task runs as user kDefaultUser with no
// operator identifier. The terminal is a 3270 display of 24 x 80 without
// extended attributes; its NETNAME is its terminal identifier.
#include <algorithm>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr int kFirstFlag = 3;
constexpr int kLastFlag = 22;
constexpr int kOptionsPerPosition = 4;
constexpr std::uint8_t kFlagBias = 0x20;
constexpr std::uint8_t kBits[kOptionsPerPosition] = {8, 4, 2, 1};  // in rank order
constexpr std::int32_t kBadFlagBase = 100;

constexpr const char* kDefaultUser = "RAVNUSER";
constexpr std::uint8_t kNo = 0x00;
constexpr std::uint8_t kYes = 0xFF;
constexpr std::uint8_t kTerminalFacility = 0x01;  // FCI: the task runs at a terminal
constexpr std::uint8_t kTerminalType = 0x91;      // TERMCODE: a 3270 display, model 2
constexpr std::uint8_t kTerminalModel = 0x02;
constexpr const char* kTerminalStart = "TD";    // STARTCODE: started by terminal input
constexpr const char* kStarted = "S";           // by START without data
constexpr const char* kStartedWithData = "SD";  // by START with data

using control::Task;

// A field's value as the bytes stored in the receiving area.
using Value = std::string;

Value text(std::string value, std::size_t width) {
  value.resize(width, ' ');
  return value;
}

Value half(std::size_t value) {
  Value bytes(2, '\0');
  host::store_half(bytes.data(), 0, static_cast<std::int16_t>(value));
  return bytes;
}

Value byte(std::uint8_t value) {
  return Value(1, static_cast<char>(value));
}

Value no(const Task&) {
  return byte(kNo);
}

struct AssignField {
  int rank;
  const char* name;
  Value (*value)(const Task&);
};

// The fields the region keeps, in ascending rank.
constexpr AssignField kFields[] = {
    {1, "ABCODE", [](const Task& t) { return text(t.abend_code, 4); }},
    {2, "APPLID", [](const Task&) { return region::application_id(); }},
    {3, "COLOR", no},
    {4, "CWALENG", [](const Task&) { return half(control::kCwaSize); }},
    {9, "EXTDS", no},
    {10, "FACILITY", [](const Task& t) { return text(t.terminal_id, 4); }},
    {11, "FCI", [](const Task&) { return byte(kTerminalFacility); }},
    {12, "HILIGHT", no},
    {20, "MSRCONTROL", no},
    {24, "OPID", [](const Task&) { return text("", 3); }},
    {31, "PS", no},
    {32, "RESTART", no},
    {33, "SCRNHT", [](const Task&) { return half(host::kScreenRows); }},
    {34, "SCRNWD", [](const Task&) { return half(host::kScreenColumns); }},
    {36, "STARTCODE",
     [](const Task& task) {
       if (!task.started) return text(kTerminalStart, 2);
       return text(task.started->data.empty() ? kStarted : kStartedWithData, 2);
     }},
    {38, "SYSID", [](const Task&) { return region::system_id(); }},
    {39, "TCTUALENG", [](const Task&) { return half(control::kTctuaSize); }},
    {41, "TERMCODE", [](const Task&) { return byte(kTerminalType) + byte(kTerminalModel); }},
    {42, "TWALENG", [](const Task&) { return half(control::kTwaSize); }},
    {43, "UNATTEND", no},
    {44, "VALIDATION", no},
    {45, "BTRANS", no},
    {48, "KATAKANA", no},
    {49, "NETNAME", [](const Task& t) { return text(t.terminal_id, 8); }},
    {50, "OUTLINE", no},
    {52, "SOSI", no},
    {53, "USERID", [](const Task&) { return text(kDefaultUser, 8); }},
    {55, "ABPROGRAM", [](const Task& t) { return text(t.abend_program, 8); }},
    {56, "APLKYBD", no},
    {57, "APLTEXT", no},
    {62, "DSSCS", no},
    {63, "DS3270", [](const Task&) { return byte(kYes); }},
    {64, "EWASUPP", no},
    {69, "NEXTTRANSID", [](const Task& t) { return text(t.next_transaction.value_or(""), 4); }},
    {70, "ORGABCODE", [](const Task& t) { return text(t.abend_code, 4); }},
    {71, "PROGRAM", [](const Task& t) { return text(t.program, 8); }},
    {75, "TEXTKYBD", no},
    {76, "TEXTPRINT", no},
};

const AssignField* field_of(int rank) {
  auto found = std::find_if(std::begin(kFields), std::end(kFields),
                            [rank](const AssignField& field) { return field.rank == rank; });
  return found == std::end(kFields) ? nullptr : found;
}

}  // namespace

// Every receiving area is checked against its field's width before any is
// filled.
Response assign(const Command& command) {
  const Task& task = command.task();
  Response response;
  std::vector<Answer> answers;
  int next_argument = kFirstArgumentPosition;
  for (int position = kFirstFlag; position <= kLastFlag; ++position) {
    auto flag = static_cast<std::uint8_t>(command.flag(position));
    if (flag < kFlagBias || flag >= kFlagBias + 0x10) return {kInvreq, kBadFlagBase + position};
    for (int n = 0; n < kOptionsPerPosition; ++n) {
      if ((flag & kBits[n]) == 0) continue;
      Area area = command.area(next_argument++);
      if (!area.passed()) return {kInvreq, 0};
      int rank = (position - kFirstFlag) * kOptionsPerPosition + n + 1;
      if (const AssignField* field = field_of(rank); field != nullptr) {
        answers.emplace_back(area, field->value(task));
      } else if (response.resp == kNormal) {
        response = {kInvreq, rank};
      }
    }
  }
  write_answers(answers);
  return response;
}

namespace {
// ASSIGN passes its areas in the rank order of its options (kFields).
constexpr CommandRow kCommands[] = {
    {0x0208, "ASSIGN", assign, {}},
};
}  // namespace

std::span<const CommandRow> assign_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
