// The telnet codec on hostile input: the client's bytes arrive in pieces
// (the first byte sets their size), every record that comes out is sent
// back, as a session would answer it.
#include "monitor/net/telnet.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = std::max<std::size_t>(data[0], 1);
  std::span<const std::uint8_t> rest(data + 1, size - 1);
  ravnmor::net::TelnetCodec codec;
  codec.start();
  while (!rest.empty() && !codec.failed()) {
    const std::size_t now = std::min(piece, rest.size());
    codec.feed(rest.first(now));
    rest = rest.subspan(now);
    while (auto record = codec.next_record()) codec.send_record(*record);
    codec.take_output();
  }
  return 0;
}
