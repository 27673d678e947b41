// The command descriptor and argument list that one translated command hands
// to the monitor's EXEC interface: a 35-character descriptor (function code,
// option flags, parameter count, handle sequence number, response mark) and
// the addresses of the command's data areas, one per parameter position. The
// grammar's actions build it through the operations below while the command
// is parsed; gen_tolvik_command completes it into ArgList.
//
// Positions: descriptor positions count from 1 (1-35); parameter positions
// from 2 (position 1 is the descriptor itself), and parameter position p is
// carried by qcmd_args[p - 1].
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/descriptor.hpp"

namespace qcmd {

struct varnode;

using host::kCountPosition;
using host::kDescriptorBias;
using host::kDescriptorLength;  // characters; the copies here keep a NUL after them
using host::kFunctionPosition;
using host::kResponseMark;
using host::kResponsePosition;
using host::kSequencePosition;
inline constexpr int kSequenceBase = 96;

inline constexpr int kOpcodeCount = 84;
inline constexpr std::int16_t kNoOpcode = -1;      // a form with no table entry
inline constexpr std::int16_t kOpenWaitForm = 84;  // WAIT before its second word

inline constexpr int kArgSlots = 23;
inline constexpr int kFirstArgSlot = 1;
inline constexpr int kLastPassedSlot = 16;  // slots 1-16 reach ArgList
inline constexpr int kPresetSlots = 15;     // slots 1-15 start at the filler
inline constexpr int kMaxParamCount = 17;
inline constexpr int kPriorityEntries = 16;
inline constexpr int kLiteralSlots = 20;
inline constexpr int kLiteralSize = 12;
inline constexpr int kHandleEntries = 16;
inline constexpr int kNameSize = 256;
inline constexpr std::size_t kFillerSize = 7000;
inline constexpr std::size_t kFillerCleared = 2000;

// One row of TolvikOpcodeLength: the two function characters as they stand
// in the descriptor, and the parameter count the command starts with.
struct OpcodeEntry {
  char function[2];
  std::int16_t base_count;
};
extern const OpcodeEntry TolvikOpcodeLength[kOpcodeCount];

// The working record of the command being built.
struct TolData {
  char descriptor[kDescriptorLength + 1];
  std::int16_t param_count;
  std::int16_t handle_count;
  std::int16_t sequence;      // never reset during a run
  std::int16_t highest_used;  // highest parameter position passed, 1 at start
};
extern TolData tolData;
extern std::int16_t eib_fctn;  // current index into TolvikOpcodeLength

extern void* qcmd_args[kArgSlots];
extern std::uint8_t qcmd_filler[kFillerSize];
extern char literals[kLiteralSlots][kLiteralSize];
extern std::int16_t literalcount;
extern std::int16_t dyncount;  // dynamic variables consumed by this command
extern char dataName1[kNameSize];
extern char dataName2[kNameSize];
extern std::int16_t lengthPresent1;
extern std::int16_t lengthPresent2;
extern char resp_name[kNameSize];
extern char resp2_name[kNameSize];
extern char handle_labels[kHandleEntries][kNameSize];
extern char handle_abend_label[kNameSize];
extern char map_name[kNameSize];

// The argument list of the last translated command: entry 0 the descriptor
// copy in CmdIntBuffer, entries 1-16 the argument slots, the rest null.
extern void* ArgList[kArgSlots];

// An operand as an action sees it: its text ("&DYNAMIC" for empty
// parentheses) and the dynamic variable number it took (0 for none: an
// operand naming a variable).
struct Operand {
  const char* text;
  std::int16_t dynno;
};
inline constexpr const char* kDynamicOperand = "&DYNAMIC";

// Starting and switching the command.
void init_cics_command(std::int16_t index);
void set_opcode(std::int16_t index);
void initTolvikFlagWord(std::int16_t index);
std::int16_t commandOpcode();

// Descriptor flags; `position` counts from 1.
void setTolFlagWord(char flag, int position);
void forceTolFlagWord(char flag, int position);
bool checkTolFlagWord(char flag, int position);
void setTolAssignFlag(int value, int position);
void setFormattimFlag(int value, int position);
void set_response_mark();

// Condition and key lists, handle labels and the handle sequence number.
void setTolHandleFlag(char code);
void setTolAidFlag(char code);
void setTolAidNoLabel();
void saveTolHandleLabel(const char* label);
void saveTolHandleAbend(const char* label);
void incrTolSeqNo();

// Arguments. Value types of passTolValueArg and saveValue.
inline constexpr int kValueBinary = 1;
inline constexpr int kValuePacked = 2;
inline constexpr int kValueCharacter = 3;
// The length text of a binary value passed as a halfword; any other length
// text passes a fullword.
inline constexpr const char* kHalfwordLength = "15";
void passTolByRefer(const Operand& operand, int position);
void passTolValueArg(const Operand& operand, int position, const char* length, int type);
void saveTolParam(const Operand& operand, int priority);
void saveValue(const Operand& operand, int priority, const char* length, int type);
void insertByPriority(void* address, int priority);

// Default lengths of the data areas named by the command.
void saveDataAreaName1(const char* operand);
void saveDataAreaName2(const char* operand);
bool needDefaultLength1();
bool needDefaultLength2();
void passDefaultLength1(int position);
void passDefaultLength2(int position);

void useMaxParamNo();
bool excess_arguments();
// True when an action passed an argument at parameter `position`.
bool checkTolParam(int position);

// RECEIVE MAP's default data area: the variable named after the map and "I".
void save_map_name(const char* name);
void check_map();

void set_resp(const char* name);
void set_resp2(const char* name);

// Completes the command: count, descriptor copy into CmdIntBuffer, ArgList.
void gen_tolvik_command();

// Where an argument address points, for showing a translated command.
enum class ArgumentKind { kAbsent, kVariable, kLiteral, kDefaultLength, kOther };
struct ArgumentOrigin {
  ArgumentKind kind;
  const varnode* variable;  // kVariable: the user or dynamic variable
  int type;                 // kLiteral: the value type it was stored as
  int length;               // kLiteral: its length (characters, or 2/4 bytes)
};
ArgumentOrigin argument_origin(const void* address);

// How many bytes from `address` on belong to the storage it points at, for an
// address of the argument list; 0 for one the interpreter did not hand out
// (its room cannot be told).
std::size_t argument_room(const void* address);

// A fresh interpreter run: sequence number, literal rotation and counters
// back to their start.
void reset_descriptor_state();

// Translating a program's source, an operand is the program's own expression
// rather than a QCMD variable or literal. While a recorder is set, the
// argument operations bind nothing: each tells the recorder what it would
// pass and stores the address the recorder hands back, a marker that the
// slot and priority placement then treat like any argument address.
class ArgumentRecorder {
 public:
  virtual ~ArgumentRecorder() = default;
  // A data area passed by reference (passTolByRefer, saveTolParam).
  virtual void* by_reference(const char* operand) = 0;
  // A value of `type` (kValueBinary, kValuePacked, kValueCharacter) and
  // `length` (passTolValueArg, saveValue).
  virtual void* value(const char* operand, const char* length, int type) = 0;
  // The default length of the data area `data_area` (passDefaultLength1/2).
  virtual void* default_length(const char* data_area) = 0;
};
// nullptr (the start) binds QCMD variables and literal slots again.
void set_argument_recorder(ArgumentRecorder* recorder);

}  // namespace qcmd
