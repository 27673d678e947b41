#include "shell/cics.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host.hpp"

namespace qcmd {

char dfheiv[kDfheivSize];
char tmpDFHEIV0[kStagingSize];
std::uint8_t bg_end_ws[2];
std::uint32_t tcb_eib_ptr;

char* movenstr(char* dest, int destlen, const char* src, int srclen) {
  int copied = 0;
  while (copied < destlen && copied < srclen && src[copied] != '\0') {
    dest[copied] = src[copied];
    ++copied;
  }
  for (int i = copied; i < destlen; ++i) dest[i] = ' ';
  return destlen > 0 ? dest + destlen : dest;
}

void cics_descriptor(const char* literal) {
  std::snprintf(tmpDFHEIV0, sizeof tmpDFHEIV0, "%-35.35s", literal);
  movenstr(dfheiv, kDescriptorLength, tmpDFHEIV0, kStagingSize);
}

namespace {

char* name_field() {
  return dfheiv + kDfheivName;
}
char* dummy_area() {
  return dfheiv + kDfheivDummy;
}

}  // namespace

int cics_entr(const char* name) {
  std::memset(name_field(), ' ', kDfheivNameLength);
  std::memcpy(name_field(), name, std::min(std::strlen(name), kDfheivNameLength));
  cics_descriptor(kEntryDescriptor);
  host::oxdfhei1(dfheiv, &bg_end_ws[0], &bg_end_ws[1], name_field());
  cics_descriptor(kAddressEibDescriptor);
  host::oxdfhei1(dfheiv, &tcb_eib_ptr);
  cics_dfhbak();
  return 1;
}

void cics_gobk() {
  cics_descriptor(kGoBackDescriptor);
  host::oxdfhei1(dfheiv, name_field());
}

void cics_dfhbak() {
  const std::uint8_t* eib = host::word_to_ptr(tcb_eib_ptr);
  if (eib != nullptr && host::load_half(eib, host::kEibReturnRequest) != 0) cics_gobk();
}

void cics_send_control() {
  char* d = dummy_area();
  cics_descriptor(kSendControlDescriptor);
  host::oxdfhei1(dfheiv, d, d, d, d, d, d, d);
}

void cics_return() {
  char* d = dummy_area();
  cics_descriptor(kReturnDescriptor);
  host::oxdfhei1(dfheiv, d, d, d);
}

}  // namespace qcmd
