// The program's own EXEC interface calls: the entry and go-back calls that
// bracket every start of the transaction, ADDRESS EIB, and the closing SEND
// CONTROL and RETURN. Each call formats its fixed descriptor into dfheiv and
// passes the argument addresses after it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/descriptor.hpp"

namespace qcmd {

// dfheiv: the EXEC interface work block. Bytes 0-34 hold the descriptor of the
// call being made, 35-42 the program's name blank-padded, and 148-151 a dummy
// argument that every argument of SEND CONTROL and RETURN points at.
inline constexpr std::size_t kDfheivSize = 152;
inline constexpr auto kDescriptorLength = static_cast<std::size_t>(host::kDescriptorLength);
inline constexpr std::size_t kDfheivName = 35;
inline constexpr std::size_t kDfheivNameLength = 8;
inline constexpr std::size_t kDfheivDummy = 148;

// Descriptors are formatted with "%-35.35s" into this staging buffer first.
inline constexpr std::size_t kStagingSize = kDescriptorLength + 1;

extern char dfheiv[kDfheivSize];
extern char tmpDFHEIV0[kStagingSize];
extern std::uint8_t bg_end_ws[2];  // working-storage end marker for the entry call
// Address of the task's EIB as a 32-bit word: ADDRESS EIB stores it here like
// every address the EXEC interface hands back.
extern std::uint32_t tcb_eib_ptr;

// The fixed descriptors of the program's own calls, in the order they are
// issued in a run. Position 23 counts the addresses passed (descriptor
// included) as 0x20 + n; an "N" at position 26 means the program looks at the
// response itself.
inline constexpr const char kEntryDescriptor[] = "9#                    $  N#00000000";
inline constexpr const char kAddressEibDescriptor[] = "\"\"  E                 \"  N#00000001";
inline constexpr const char kSendControlDescriptor[] = "82      T  E F  H     (   #00000013";
inline constexpr const char kReturnDescriptor[] = ".(                    $   #00000014";
inline constexpr const char kGoBackDescriptor[] = "9%                    \"  N#00009999";

// Copies `src` into `dest` until `destlen` or `srclen` characters or a NUL in
// the source, then blank-fills the rest of `destlen`. Writes no terminator.
// Returns the position after the last byte written (dest itself when destlen
// is 0 or less).
char* movenstr(char* dest, int destlen, const char* src, int srclen);

// Program prologue: entry call with `name` in the name field, ADDRESS EIB,
// then the go-back check. Returns 1.
int cics_entr(const char* name);

// The program's go-back call to the monitor.
void cics_gobk();

// Issues the go-back call when the monitor has raised the return request in
// the EIB (its halfword at byte 94).
void cics_dfhbak();

// Formats `literal` into tmpDFHEIV0 and moves it into dfheiv's descriptor
// bytes: the first step of every call the program makes for itself.
void cics_descriptor(const char* literal);

// The transaction's ending calls: SEND CONTROL ERASE FREEKB (the screen is
// erased and the keyboard freed) and a plain RETURN, each with every argument
// pointing at the dummy area.
void cics_send_control();
void cics_return();

}  // namespace qcmd
