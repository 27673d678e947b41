/* The programs of bench_link, translated and built as a user's programs are.
   LINKER calls a program again and again with a 100-byte COMMAREA, the way
   its own COMMAREA says: 'C' LINKs to LINKED (C to C), 'E' LINKs to the
   built-in ECHO, 'F' calls LINKED's function through a function pointer. */
#include "ravnmor.h"

enum { COMMAREA_LENGTH = 100 };

struct order {
  char mode;
  int32_t count;
};

/* Touches its COMMAREA, as a small program does, and returns. */
void linked(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  (void)dfheiptr;
  ++*(unsigned char *)dfhcommarea;
}

void linker(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  const struct order *order = (const struct order *)dfhcommarea;
  unsigned char area[COMMAREA_LENGTH] = {0};
  ravnmor_program *volatile direct = linked;
  int32_t i;
  for (i = 0; i < order->count; ++i) {
    if (order->mode == 'C') {
      EXEC CICS LINK PROGRAM("LINKED") COMMAREA(area) LENGTH(COMMAREA_LENGTH);
    } else if (order->mode == 'E') {
      EXEC CICS LINK PROGRAM("ECHO") COMMAREA(area) LENGTH(COMMAREA_LENGTH);
    } else {
      direct(dfheiptr, area);
    }
  }
}
