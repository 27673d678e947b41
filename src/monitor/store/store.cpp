#include "monitor/store/store.hpp"

namespace ravnmor::store {

namespace {
constexpr unsigned kBitsPerByte = 8;
}

Bytes number_key(std::uint32_t number) {
  Bytes key(kNumberKeyLength);
  for (std::size_t i = kNumberKeyLength; i-- > 0; number >>= kBitsPerByte) {
    key[i] = static_cast<std::uint8_t>(number);
  }
  return key;
}

std::uint32_t key_number(ByteView key) {
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < kNumberKeyLength && i < key.size(); ++i) {
    number = (number << kBitsPerByte) | key[i];
  }
  return number;
}

}  // namespace ravnmor::store
