// The 3270 screen model on hostile streams: an outbound record (what a
// program may send) draws the screen, then an inbound record (what a client
// may send) is applied to it, and the reads a terminal would give are built;
// both records also cross the wire's code page translation, and the screen
// is drawn again. The first byte says how much of the rest is the outbound
// record (and, modulo their number, which code page).
#include <cstddef>
#include <cstdint>
#include <span>

#include "monitor/terminal/codepage.hpp"
#include "monitor/terminal/screen.hpp"

namespace {

constexpr std::size_t kOutboundUnit = 16;  // the first byte counts in these

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  const std::size_t outbound = std::min(rest.size(), data[0] * kOutboundUnit);
  ravnmor::terminal::Screen screen;
  screen.apply_outbound(rest.first(outbound));
  const ravnmor::terminal::StreamResult inbound = screen.apply_inbound(rest.subspan(outbound));
  screen.inbound_for(inbound.aid);
  screen.read_buffer(inbound.aid);
  screen.redraw();
  const auto pages = ravnmor::terminal::code_pages();
  const auto& page = pages[data[0] % pages.size()];
  ravnmor::terminal::outbound_to_wire(rest.first(outbound), page);
  ravnmor::terminal::inbound_to_image(rest.subspan(outbound), page);
  return 0;
}
