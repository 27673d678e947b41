// Helpers for tests that translate commands: a fresh translator and
// variable store, a command run through parse_online_command, and readers
// of the descriptor, the argument list and the diagnostics.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "translator/descriptor.hpp"
#include "translator/diagnostics.hpp"
#include "translator/grammar.hpp"
#include "translator/scanner.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {

// "0602 8 3=I 12=x2F": the function code, the parameter count and the flag
// characters at their positions (xHH: the byte HH), the rest blanks.
inline std::string descriptor_of(const std::string& field) {
  std::istringstream words(field);
  unsigned code = 0;
  int count = 0;
  words >> std::hex >> code >> std::dec >> count;
  std::string text(kDescriptorLength, ' ');
  text[0] = static_cast<char>((code >> 8) + 0x20);
  text[1] = static_cast<char>((code & 0xFF) + 0x20);
  text[kCountPosition - 1] = static_cast<char>(count + 0x20);
  for (std::string flag; words >> flag;) {
    std::size_t equals = flag.find('=');
    std::string value = flag.substr(equals + 1);
    char byte =
        value.size() == 1 ? value[0] : static_cast<char>(std::stoi(value.substr(1), nullptr, 16));
    text[std::stoi(flag.substr(0, equals)) - 1] = byte;
  }
  return text;
}

class Translating : public ::testing::Test {
 protected:
  void SetUp() override {
    deleteallvars();
    reset_scanner();
    reset_descriptor_state();
  }
  void TearDown() override { deleteallvars(); }

  // A user variable of `type`; a string variable gets `text` as its value.
  static varnode* variable(const char* name, std::int32_t type, const char* text = "") {
    varnode* node = addvarnode(type, 0);
    std::strncpy(node->name, name, sizeof node->name - 1);
    if (type == kTypeString) {
      std::memcpy(node->value, text, std::strlen(text));
      node->len = static_cast<std::int32_t>(std::strlen(text));
    }
    return node;
  }
  static varnode* dynamic(std::int32_t type) { return addvarnode(type, 1); }

  // Translates `command` as typed after the transaction identifier.
  static std::int32_t translate(const std::string& command) {
    const std::string text = "QCMD " + command;
    std::memset(&CmdIntBuffer, 0, sizeof CmdIntBuffer);
    std::memcpy(CmdIntBuffer.Syntax, text.data(), text.size());
    CmdIntBuffer.Length = static_cast<std::int32_t>(text.size());
    return parse_online_command(&CmdIntBuffer);
  }

  // The 35 descriptor characters of the command just built.
  static std::string descriptor() { return std::string(tolData.descriptor, kDescriptorLength); }

  // Descriptor position `p` (from 1).
  static char at(int p) { return tolData.descriptor[p - 1]; }

  // A descriptor of blanks with the function code `code` (as EIBFN), the
  // parameter count `count` and the characters of `flags` at their positions.
  static std::string expected(unsigned code, int count,
                              std::vector<std::pair<int, char>> flags = {}) {
    std::string text(kDescriptorLength, ' ');
    text[0] = static_cast<char>((code >> 8) + 0x20);
    text[1] = static_cast<char>((code & 0xFF) + 0x20);
    text[kCountPosition - 1] = static_cast<char>(count + 0x20);
    for (auto [position, flag] : flags) text[position - 1] = flag;
    return text;
  }

  // The address parameter position `p` carries in ArgList.
  static void* param(int p) { return ArgList[p - 1]; }
  static bool absent(int p) { return param(p) == static_cast<void*>(qcmd_filler); }
  static std::string param_text(int p, std::size_t length) {
    return std::string(static_cast<const char*>(param(p)), length);
  }

  static std::vector<std::string> diagnostics() {
    std::vector<std::string> texts;
    for (int i = 0; i <= err_token_no; ++i) texts.emplace_back(err_token[i]);
    return texts;
  }
};

}  // namespace qcmd::testing
