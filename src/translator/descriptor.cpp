#include "translator/descriptor.hpp"

#include <bitset>
#include <cstdlib>
#include <cstring>

#include "translator/diagnostics.hpp"
#include "translator/scanner.hpp"
#include "vars/conversions.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd {

namespace {

// A function code as the monitor numbers it (EIBFN), biased into the two
// descriptor characters.
constexpr OpcodeEntry op(std::uint16_t code, std::int16_t base) {
  return {{host::function_high(code), host::function_low(code)}, base};
}

constexpr const char* kAbsentMarker = "dfheiv99";
constexpr const char* kNullLabel = "dfhNullLabel";
constexpr std::int16_t kDynamicDefaultLength = 32767;
constexpr std::int16_t kPrioritySentinel = 1000;
constexpr char kSingleQuote = '\'';
constexpr char kAidNoLabel = 0x22;
constexpr int kPackedLength = 4;

struct PriorityEntry {
  std::int16_t priority;
  void* address;
};

PriorityEntry arguments[kPriorityEntries];
int literal_types[kLiteralSlots];
int literal_lengths[kLiteralSlots];
std::int16_t buf_index = -1;
char tolvik_args[kPresetSlots + 2][kNameSize];
std::int16_t default_lengths[kArgSlots];  // one per slot: read after the parse
std::bitset<kArgSlots + 1> params_given;  // by parameter position
ArgumentRecorder* recorder = nullptr;

void raise_highest(int position) {
  if (position > tolData.highest_used) tolData.highest_used = static_cast<std::int16_t>(position);
}

void set_slot(int position, void* address) {
  qcmd_args[position - 1] = address;
  params_given.set(position);
}

bool has_table_entry(std::int16_t index) {
  return index >= 0 && index < kOpcodeCount;
}

char& flag_at(int position) {
  return tolData.descriptor[position - 1];
}

// The variable an operand stands for where a data area is expected: its own
// for "&NAME", else the dynamic variable made for the literal or the empty
// parentheses.
varnode* operand_variable(const Operand& operand) {
  if (std::strcmp(operand.text, kDynamicOperand) != 0 && operand.text[0] == '&') {
    return findnode(operand.text);
  }
  return operand.dynno > 0 ? finddynnode(operand.dynno) : nullptr;
}

// A literal slot holding `text` by `type`; advances the rotation.
char* store_literal(const char* text, const char* length, int type) {
  const int index = literalcount;
  char* slot = literals[index];
  literal_types[index] = type;
  int& stored = literal_lengths[index];
  literalcount = static_cast<std::int16_t>((literalcount + 1) % kLiteralSlots);
  std::memset(slot, ' ', kLiteralSize);
  if (type == kValueBinary) {
    const int value = std::atoi(text);
    if (std::strcmp(length, kHalfwordLength) == 0) {
      const auto half = static_cast<std::int16_t>(value);
      std::memcpy(slot, &half, sizeof half);
      stored = sizeof half;
    } else {
      const auto full = static_cast<std::int32_t>(value);
      std::memcpy(slot, &full, sizeof full);
      stored = sizeof full;
    }
  } else if (type == kValuePacked) {
    strng2pckd(reinterpret_cast<std::uint8_t*>(slot), text);
    stored = kPackedLength;
  } else {
    const std::size_t copied = std::min<std::size_t>(std::strlen(text), kLiteralSize);
    std::memcpy(slot, text, copied);
    const int cut = std::atoi(length);
    if (cut >= 0 && cut < kLiteralSize) slot[cut] = '\0';
    stored = cut;
  }
  return slot;
}

// The address passed for a data area: the recorder's marker, the operand's
// variable, or nullptr when there is none.
void* reference_address(const Operand& operand) {
  if (recorder != nullptr) return recorder->by_reference(operand.text);
  varnode* node = operand_variable(operand);
  return node != nullptr ? node->value : nullptr;
}

// The address passed for a value: the recorder's marker, the variable an
// "&NAME" operand names, or a literal slot holding the operand.
void* value_address(const Operand& operand, const char* length, int type) {
  if (recorder != nullptr) return recorder->value(operand.text, length, type);
  const varnode* node = operand.text[0] == '&' ? findnode(operand.text) : nullptr;
  return node != nullptr ? static_cast<void*>(node->value)
                         : store_literal(operand.text, length, type);
}

void copy_name(char (&target)[kNameSize], const char* text) {
  std::strncpy(target, text, kNameSize - 1);
  target[kNameSize - 1] = '\0';
}

bool need_default(const char* name, std::int16_t present) {
  return name[0] != '\0' && present == 0;
}

void pass_default_length(const char* name, int position) {
  if (recorder != nullptr) {
    set_slot(position, recorder->default_length(name));
    return;
  }
  std::int16_t length = 0;
  if (std::strcmp(name, kDynamicOperand) == 0) {
    length = kDynamicDefaultLength;
  } else {
    const varnode* node = findnode(name);
    if (node == nullptr) return;
    length = static_cast<std::int16_t>(node->len);
  }
  default_lengths[position - 1] = length;
  set_slot(position, &default_lengths[position - 1]);
}

void copyTolDataIntoArg() {
  for (int i = 0; i <= buf_index; ++i) qcmd_args[i + 1] = arguments[i].address;
}

// The descriptor with every single quote written twice, cut to its 36 bytes.
void copy_descriptor_to_buffer() {
  char doubled[2 * (kDescriptorLength + 1)];
  int used = 0;
  for (int i = 0; i <= kDescriptorLength; ++i) {
    doubled[used++] = tolData.descriptor[i];
    if (tolData.descriptor[i] == kSingleQuote) doubled[used++] = kSingleQuote;
  }
  std::memcpy(CmdIntBuffer.Descriptor, doubled, kDescriptorLength + 1);
}

}  // namespace

// clang-format off
const OpcodeEntry TolvikOpcodeLength[kOpcodeCount] = {
    {{0, 0}, 0},     op(0x0E0C, 2),  op(0x0202, 1),  op(0x0420, 4),  op(0x1002, 2),
    op(0x0208, 1),   op(0x2002, 3),  op(0x100C, 4),  op(0x0432, 6),  op(0x0406, 15),
    op(0x1004, 3),   op(0x0608, 6),  op(0x0806, 3),  op(0x0A06, 3),  op(0x1206, 3),
    op(0x1C02, 4),   op(0x0612, 4),  op(0x1204, 6),  op(0x1A04, 5),  op(0x043E, 3),
    op(0x042E, 8),   op(0x4A04, 1),  op(0x0422, 3),  op(0x0C04, 2),  op(0x0C02, 4),
    op(0x0E0E, 2),   op(0x0204, 1),  op(0x0206, 1),  op(0x020A, 1),  op(0x5802, 7),
    op(0x4C02, 7),   op(0x4E02, 2),  op(0x5402, 2),  op(0x5E02, 3),  op(0x5C02, 8),
    op(0x5202, 7),   op(0x5002, 3),  op(0x0430, 3),  op(0x0434, 3),  op(0x0418, 3),
    op(0x0436, 3),   op(0x041C, 3),  op(0x041E, 3),  op(0x1402, 8),  op(0x0E02, 7),
    op(0x0E06, 5),   op(0x020E, 1),  op(0x1006, 4),  op(0x180A, 1),  op(0x020C, 1),
    op(0x0602, 8),   op(0x060E, 9),  op(0x0610, 9),  op(0x0804, 5),  op(0x0A04, 7),
    op(0x0402, 7),   op(0x1802, 7),  op(0x0E0A, 2),  op(0x0614, 6),  op(0x100A, 6),
    op(0x0E08, 5),   op(0x0606, 5),  op(0x180C, 9),  op(0x0404, 12), op(0x1812, 8),
    op(0x1804, 12),  op(0x1808, 5),  op(0x1806, 13), op(0x4C04, 2),  op(0x5C04, 2),
    op(0x5204, 5),   op(0x1008, 11), op(0x060C, 6),  op(0x1208, 1),  op(0x1602, 1),
    op(0x1A02, 1),   op(0x060A, 3),  op(0x042C, 3),  op(0x1202, 2),  op(0x1404, 3),
    op(0x0604, 7),   op(0x0802, 5),  op(0x0A02, 6),  op(0x0E04, 4),
};
// clang-format on

TolData tolData;
std::int16_t eib_fctn = 0;
void* qcmd_args[kArgSlots];
std::uint8_t qcmd_filler[kFillerSize];
char literals[kLiteralSlots][kLiteralSize];
std::int16_t literalcount = 0;
std::int16_t dyncount = 0;
char dataName1[kNameSize];
char dataName2[kNameSize];
std::int16_t lengthPresent1 = 0;
std::int16_t lengthPresent2 = 0;
char resp_name[kNameSize];
char resp2_name[kNameSize];
char handle_labels[kHandleEntries][kNameSize];
char handle_abend_label[kNameSize];
char map_name[kNameSize];
void* ArgList[kArgSlots];

void init_cics_command(std::int16_t index) {
  eib_fctn = index;
  std::memset(tolData.descriptor, ' ', kDescriptorLength);
  tolData.descriptor[kDescriptorLength] = '\0';
  tolData.handle_count = 0;
  tolData.highest_used = 1;
  std::memset(qcmd_filler, 0, kFillerCleared);
  for (int slot = kFirstArgSlot; slot <= kPresetSlots; ++slot) {
    qcmd_args[slot] = qcmd_filler;
    std::strcpy(tolvik_args[slot], kAbsentMarker);
  }
  params_given.reset();
  tolData.param_count = 1;
  initTolvikFlagWord(index);
  buf_index = -1;
  lengthPresent1 = lengthPresent2 = 0;
  dataName1[0] = dataName2[0] = resp_name[0] = resp2_name[0] = map_name[0] = '\0';
}

void initTolvikFlagWord(std::int16_t index) {
  if (!has_table_entry(index)) return;
  const OpcodeEntry& entry = TolvikOpcodeLength[index];
  flag_at(kFunctionPosition) = entry.function[0];
  flag_at(kFunctionPosition + 1) = entry.function[1];
  tolData.param_count = entry.base_count;
}

void set_opcode(std::int16_t index) {
  eib_fctn = index;
  if (has_table_entry(index)) {
    initTolvikFlagWord(index);
  } else {
    // No table entry: a function code the monitor does not know.
    flag_at(kFunctionPosition) = flag_at(kFunctionPosition + 1) = ' ';
  }
}

std::int16_t commandOpcode() {
  return eib_fctn;
}

void setTolFlagWord(char flag, int position) {
  if (flag_at(position) != ' ') save_fixed_diagnostic(FixedDiagnostic::kDuplicateOption);
  flag_at(position) = flag;
}

void forceTolFlagWord(char flag, int position) {
  flag_at(position) = flag;
}

bool checkTolFlagWord(char flag, int position) {
  return flag_at(position) == flag;
}

void setTolAssignFlag(int value, int position) {
  flag_at(position) = static_cast<char>(flag_at(position) | value);
}

void setFormattimFlag(int value, int position) {
  setTolAssignFlag(value, position);
}

void set_response_mark() {
  forceTolFlagWord(kResponseMark, kResponsePosition);
}

void setTolHandleFlag(char code) {
  const int entry = tolData.handle_count++;
  if (entry >= kHandleEntries) return;
  flag_at(3 + entry) = code;
  std::strcpy(handle_labels[entry], kNullLabel);
}

void setTolAidFlag(char code) {
  setTolHandleFlag(code);
}

void setTolAidNoLabel() {
  const int entry = tolData.handle_count - 1;
  if (entry < 0 || entry >= kHandleEntries) return;
  flag_at(3 + entry) = static_cast<char>(flag_at(3 + entry) + kAidNoLabel);
}

void saveTolHandleLabel(const char* label) {
  const int entry = tolData.handle_count - 1;
  if (entry < 0 || entry >= kHandleEntries) return;
  copy_name(handle_labels[entry], label);
}

void saveTolHandleAbend(const char* label) {
  copy_name(handle_abend_label, label);
}

void incrTolSeqNo() {
  ++tolData.sequence;
  flag_at(kSequencePosition) =
      static_cast<char>(tolData.sequence / kSequenceBase + kDescriptorBias);
  flag_at(kSequencePosition + 1) =
      static_cast<char>(tolData.sequence % kSequenceBase + kDescriptorBias);
}

void passTolByRefer(const Operand& operand, int position) {
  void* address = reference_address(operand);
  if (address != nullptr) qcmd_args[position - 1] = address;
  params_given.set(position);
  raise_highest(position);
}

void passTolValueArg(const Operand& operand, int position, const char* length, int type) {
  set_slot(position, value_address(operand, length, type));
  raise_highest(position);
}

void saveTolParam(const Operand& operand, int priority) {
  ++tolData.param_count;
  void* address = reference_address(operand);
  if (address != nullptr) insertByPriority(address, priority);
}

void saveValue(const Operand& operand, int priority, const char* length, int type) {
  ++tolData.param_count;
  insertByPriority(value_address(operand, length, type), priority);
}

void insertByPriority(void* address, int priority) {
  ++buf_index;
  if (buf_index >= kPriorityEntries) {
    save_fixed_diagnostic(FixedDiagnostic::kTooManyArguments);
    --buf_index;
    return;
  }
  arguments[buf_index].priority = kPrioritySentinel;
  int place = 0;
  while (arguments[place].priority <= priority) ++place;
  for (int i = buf_index; i > place; --i) arguments[i] = arguments[i - 1];
  arguments[place] = {static_cast<std::int16_t>(priority), address};
}

void saveDataAreaName1(const char* operand) {
  copy_name(dataName1, operand);
}
void saveDataAreaName2(const char* operand) {
  copy_name(dataName2, operand);
}
bool needDefaultLength1() {
  return need_default(dataName1, lengthPresent1);
}
bool needDefaultLength2() {
  return need_default(dataName2, lengthPresent2);
}
void passDefaultLength1(int position) {
  if (needDefaultLength1()) pass_default_length(dataName1, position);
}
void passDefaultLength2(int position) {
  if (needDefaultLength2()) pass_default_length(dataName2, position);
}

void useMaxParamNo() {
  tolData.param_count = tolData.highest_used;
}

bool excess_arguments() {
  return tolData.param_count > kMaxParamCount || tolData.handle_count > kHandleEntries;
}

bool checkTolParam(int position) {
  return position >= 0 && position <= kArgSlots && params_given.test(position);
}

void save_map_name(const char* name) {
  if (name[0] == '&') {
    copy_name(map_name, name);
  } else {
    map_name[0] = '&';
    std::strncpy(map_name + 1, name, kNameSize - 2);
    map_name[kNameSize - 1] = '\0';
  }
}

void check_map() {
  constexpr int kFormPosition = 5;
  constexpr int kAreaPosition = 3;
  if (checkTolFlagWord('I', kFormPosition) || checkTolFlagWord('S', kFormPosition)) return;
  char name[kNameSize + 1];
  std::snprintf(name, sizeof name, "%sI", map_name);
  passTolByRefer({name, 0}, kAreaPosition);
}

void set_resp(const char* name) {
  copy_name(resp_name, name);
}
void set_resp2(const char* name) {
  copy_name(resp2_name, name);
}

void gen_tolvik_command() {
  exec_cics = 0;
  for (void*& entry : ArgList) entry = nullptr;
  flag_at(kCountPosition) = static_cast<char>(tolData.param_count + kDescriptorBias);
  copy_descriptor_to_buffer();
  ArgList[0] = CmdIntBuffer.Descriptor;
  copyTolDataIntoArg();
  for (int k = kFirstArgSlot; k <= kLastPassedSlot; ++k) ArgList[k] = qcmd_args[k];
}

ArgumentOrigin argument_origin(const void* address) {
  if (address == qcmd_filler) return {ArgumentKind::kAbsent, nullptr, 0, 0};
  for (const varnode* node = varanchor.head; node != nullptr; node = node->next) {
    if (address == node->value) return {ArgumentKind::kVariable, node, 0, 0};
  }
  for (int i = 0; i < kLiteralSlots; ++i) {
    if (address == literals[i]) {
      return {ArgumentKind::kLiteral, nullptr, literal_types[i], literal_lengths[i]};
    }
  }
  for (const std::int16_t& length : default_lengths) {
    if (address == &length) return {ArgumentKind::kDefaultLength, nullptr, 0, sizeof length};
  }
  return {ArgumentKind::kOther, nullptr, 0, 0};
}

std::size_t argument_room(const void* address) {
  ArgumentOrigin origin = argument_origin(address);
  switch (origin.kind) {
    case ArgumentKind::kAbsent:
      return kFillerSize;
    case ArgumentKind::kVariable:
      return origin.variable->value == nullptr ? 0 : value_block_size(origin.variable->type);
    case ArgumentKind::kLiteral:
      return kLiteralSize;
    case ArgumentKind::kDefaultLength:
      return sizeof(std::int16_t);
    case ArgumentKind::kOther:
      break;
  }
  return 0;
}

void set_argument_recorder(ArgumentRecorder* recorder_to_use) {
  recorder = recorder_to_use;
}

void reset_descriptor_state() {
  tolData = {};
  eib_fctn = 0;
  literalcount = 0;
  dyncount = 0;
  buf_index = -1;
}

}  // namespace qcmd
