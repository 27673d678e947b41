// ravnmor check: translates commands as the command screen does, each in a
// fresh interpreter state with the example variables (verb recognition,
// argument evaluation, the translator), and prints what would reach the
// monitor: the descriptor, the function code, the parameter count, every
// argument position with its value as the screens show it, the diagnostics
// and the message the screen's message line would show. With --json one
// object per line.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "host/descriptor.hpp"
#include "shell/translate.hpp"
#include "syntax/syntax.hpp"
#include "translator/descriptor.hpp"
#include "translator/diagnostics.hpp"
#include "vars/messages.hpp"
#include "vars/variables.hpp"
#include "vars/varscreen.hpp"

namespace ravnmor::cli {

namespace {

using nlohmann::json;

struct Argument {
  int position;
  std::string kind;  // "variable", "dynamic", "literal", "default length", "other"
  std::string name;  // the variable's name (dynamic: its number)
  std::string value;
  int length;
};

struct Checked {
  std::string command;
  std::string result;
  std::string verb;        // empty: none recognised
  std::string descriptor;  // empty: no command was completed
  std::vector<Argument> arguments;
  std::vector<std::pair<char, std::string>> diagnostics;
  std::uint32_t message = 0;  // the message line's number; 0 when it shows none
};

std::string hex_byte(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof text, "X'%02X'", c);
  return text;
}

std::string printable(const char* bytes, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    text += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : hex_byte(c);
  }
  return text;
}

std::string hex(const void* bytes, std::size_t length) {
  std::string text;
  char pair[3];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<const unsigned char*>(bytes)[i]);
    text += pair;
  }
  return text;
}

// A value as the screens show it in character mode: the text of a string
// (other bytes in hexadecimal), numbers in the variables screen's form.
std::string value_text(const void* address, int type, std::size_t length) {
  if (type == qcmd::kTypeString) {
    return printable(static_cast<const char*>(address), length);
  }
  qcmd::varnode shown{};
  shown.type = type;
  shown.value = static_cast<std::uint8_t*>(const_cast<void*>(address));  // only read
  char text[qcmd::kNumberTextSize] = {};
  const int formatted = qcmd::format_number(&shown, text);
  if (formatted <= 0) return "X'" + hex(address, length) + "'";
  return std::string(text, static_cast<std::size_t>(formatted));
}

int literal_variable_type(int value_type, int length) {
  if (value_type == qcmd::kValueCharacter) return qcmd::kTypeString;
  if (value_type == qcmd::kValueBinary) {
    return length == 2 ? qcmd::kTypeHalfword : qcmd::kTypeFullword;
  }
  return qcmd::kTypePacked;
}

Argument describe(int position, const void* address) {
  const qcmd::ArgumentOrigin origin = qcmd::argument_origin(address);
  Argument argument{position, "other", "", "", 0};
  switch (origin.kind) {
    case qcmd::ArgumentKind::kAbsent:
      argument.kind = "absent";
      break;
    case qcmd::ArgumentKind::kVariable: {
      const qcmd::varnode* node = origin.variable;
      const bool dynamic = node->dynamic != 0;
      argument.kind = dynamic ? "dynamic" : "variable";
      argument.name = dynamic ? std::to_string(node->dseqno) : node->name;
      argument.length = node->len;
      argument.value = value_text(address, node->type, static_cast<std::size_t>(node->len));
      break;
    }
    case qcmd::ArgumentKind::kLiteral:
      argument.kind = "literal";
      argument.length = origin.length;
      argument.value = value_text(address, literal_variable_type(origin.type, origin.length),
                                  static_cast<std::size_t>(origin.length));
      break;
    case qcmd::ArgumentKind::kDefaultLength:
      argument.kind = "default length";
      argument.length = origin.length;
      argument.value = value_text(address, qcmd::kTypeHalfword, sizeof(std::int16_t));
      break;
    case qcmd::ArgumentKind::kOther:
      break;
  }
  return argument;
}

std::string function_code(const std::string& descriptor) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X",
                static_cast<unsigned>(host::function_code(descriptor[0], descriptor[1])));
  return text;
}

int param_count(const std::string& descriptor) {
  return descriptor[host::kCountPosition - 1] - host::kDescriptorBias;
}

Checked check(const std::string& command) {
  qcmd::begin_translations();
  Checked checked{command, "errors", "", "", {}, {}, 0};
  qcmd::Translation result = qcmd::translate_line(command);
  if (result == qcmd::Translation::kNoVerb) {
    checked.message = qcmd::kMsgNoVerb;
    return checked;
  }
  // As on the command screen: a message of the values' evaluation is shown
  // first, the translator's refusal otherwise.
  if (result != qcmd::Translation::kAccepted) qcmd::cintschedmsg(qcmd::kMsgDiagnostics);
  checked.message = qcmd::GlobalErrorNum;
  checked.verb = qcmd::CmdIntSyntax.verb;
  checked.result = result == qcmd::Translation::kAccepted   ? "accepted"
                   : result == qcmd::Translation::kWarnings ? "warnings"
                                                            : "errors";
  if (qcmd::ArgList[0] != nullptr) {
    checked.descriptor.assign(qcmd::tolData.descriptor, qcmd::kDescriptorLength);
    const int count = param_count(checked.descriptor);
    for (int position = 2; position <= std::min(count, qcmd::kLastPassedSlot + 1); ++position) {
      checked.arguments.push_back(describe(position, qcmd::ArgList[position - 1]));
    }
  }
  for (int i = 0; i <= qcmd::err_token_no; ++i) {
    checked.diagnostics.emplace_back(qcmd::err_severity[i] == qcmd::kSeverityWarning ? 'W' : 'E',
                                     qcmd::err_token[i]);
  }
  qcmd::deletedynvars();
  return checked;
}

std::string message_line(std::uint32_t number) {
  char line[qcmd::kMessageLineSize] = {};
  const int length = qcmd::compose_message_line(number, line);
  return std::string(line, static_cast<std::size_t>(length));
}

std::string without_line_end(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void print_text(const Checked& checked) {
  std::printf("%s\n  result: %s\n", checked.command.c_str(), checked.result.c_str());
  if (!checked.verb.empty()) std::printf("  verb: %s\n", checked.verb.c_str());
  if (!checked.descriptor.empty()) {
    std::printf("  descriptor: %s\n  function: X'%s'  parameters: %d\n",
                printable(checked.descriptor.data(), checked.descriptor.size()).c_str(),
                function_code(checked.descriptor).c_str(), param_count(checked.descriptor));
  }
  for (const Argument& argument : checked.arguments) {
    std::printf("  %2d: %s%s%s", argument.position, argument.kind.c_str(),
                argument.name.empty() ? "" : " ", argument.name.c_str());
    if (argument.kind != "absent" && argument.kind != "other") {
      std::printf(" (%d) %s", argument.length, argument.value.c_str());
    }
    std::printf("\n");
  }
  for (const auto& [severity, text] : checked.diagnostics) {
    std::printf("  %c : %s\n", severity, without_line_end(text).c_str());
  }
  if (checked.message != 0) std::printf("  message: %s\n", message_line(checked.message).c_str());
}

void print_json(const Checked& checked) {
  json object;
  object["command"] = checked.command;
  object["result"] = checked.result;
  object["verb"] = checked.verb.empty() ? json(nullptr) : json(checked.verb);
  const bool translated = !checked.descriptor.empty();
  object["descriptor_hex"] =
      translated ? json(hex(checked.descriptor.data(), checked.descriptor.size())) : json(nullptr);
  object["descriptor_text"] =
      translated ? json(printable(checked.descriptor.data(), checked.descriptor.size()))
                 : json(nullptr);
  object["function"] = translated ? json(function_code(checked.descriptor)) : json(nullptr);
  object["param_count"] = translated ? json(param_count(checked.descriptor)) : json(nullptr);
  json arguments = json::array();
  for (const Argument& argument : checked.arguments) {
    arguments.push_back({{"position", argument.position},
                         {"kind", argument.kind},
                         {"name", argument.name},
                         {"value", argument.value},
                         {"length", argument.length}});
  }
  object["arguments"] = arguments;
  json diagnostics = json::array();
  for (const auto& [severity, text] : checked.diagnostics) {
    diagnostics.push_back({{"severity", std::string(1, severity)}, {"text", text}});
  }
  object["diagnostics"] = diagnostics;
  const bool shown = checked.message != 0;
  object["message"] = shown ? json(checked.message) : json(nullptr);
  object["message_line"] = shown ? json(message_line(checked.message)) : json(nullptr);
  std::printf("%s\n", object.dump(-1, ' ', false, json::error_handler_t::replace).c_str());
}

int run_check(const std::vector<std::string>& commands, bool as_json) {
  std::vector<std::string> all;
  for (const std::string& command : commands) {
    if (command != "-") {
      all.push_back(command);
      continue;
    }
    for (std::string line; std::getline(std::cin, line);) {
      if (!line.empty()) all.push_back(line);
    }
  }
  bool every_accepted = true;
  for (const std::string& command : all) {
    const Checked checked = check(command);
    every_accepted = every_accepted && checked.result == "accepted";
    as_json ? print_json(checked) : print_text(checked);
  }
  qcmd::deleteallvars();
  return every_accepted ? 0 : 1;
}

}  // namespace

void add_check_command(CLI::App& app, Action& action) {
  auto* check_command = app.add_subcommand(
      "check", "translate commands as the command screen does and show what reaches the monitor");
  auto commands = std::make_shared<std::vector<std::string>>();
  auto as_json = std::make_shared<bool>(false);
  check_command->add_flag("--json", *as_json, "one JSON object per command (default: text)");
  check_command
      ->add_option("COMMAND", *commands, "commands (without QCMD); - reads one a line from stdin")
      ->required();
  check_command->callback([&action, commands, as_json] {
    action = [commands, as_json] { return run_check(*commands, *as_json); };
  });
}

}  // namespace ravnmor::cli
