#include "monitor/exec/descriptor.hpp"

#include <cstring>

namespace ravnmor::exec {

namespace {

constexpr char kQuote = '\'';
constexpr std::size_t kLongestCopy = services::kDescriptorLength + 1;  // one quote may be doubled

// Copies the descriptor's characters, reading a doubled quote as one.
std::size_t read_text(const char* source, std::array<char, services::kDescriptorLength>& text) {
  std::size_t available = strnlen(source, kLongestCopy);
  std::size_t length = 0;
  for (std::size_t i = 0; i < available && length < text.size(); ++i) {
    text[length++] = source[i];
    if (source[i] == kQuote && i + 1 < available && source[i + 1] == kQuote) ++i;
  }
  return length;
}

}  // namespace

Descriptor decode_descriptor(const void* descriptor, std::size_t arguments_passed) {
  Descriptor result;
  result.text.fill(' ');
  if (descriptor == nullptr) {
    result.fault = services::kDescriptorTooShort;
    return result;
  }
  std::size_t length = read_text(static_cast<const char*>(descriptor), result.text);
  auto high = static_cast<std::uint8_t>(result.text[0]);
  auto low = static_cast<std::uint8_t>(result.text[1]);
  if (length >= 2 && high >= host::kDescriptorBias && low >= host::kDescriptorBias) {
    result.function = host::function_code(result.text[0], result.text[1]);
  }
  if (length < static_cast<std::size_t>(kMinimumDescriptorLength)) {
    result.fault = services::kDescriptorTooShort;
    return result;
  }
  if (result.function == 0) {
    result.fault = services::kBadFunctionCode;
    return result;
  }
  int count =
      static_cast<std::uint8_t>(result.text[host::kCountPosition - 1]) - host::kDescriptorBias;
  if (count < 1 || count > host::kMaxParameterCount ||
      static_cast<std::size_t>(count - 1) > arguments_passed) {
    result.fault = services::kBadParameterCount;
    return result;
  }
  result.parameter_count = count;
  return result;
}

}  // namespace ravnmor::exec
