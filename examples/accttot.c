/* ACCTTOT, transaction ATOT: adds up the balances of every account of the
   sample file ACCOUNTS and writes the sum to the transient data queue AUDT.

   ACCTINQ starts it after each payment (START TRANSID("ATOT") with the
   account's key as its data): it runs as a task of its own, with no
   terminal. LINKed to with a COMMAREA (from QCMD: LINK PROGRAM(ACCTTOT)
   COMMAREA(&STRING)) it also hands the sum back there.

   Build: ravnmor build examples/accttot.c */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ravnmor.h"

enum { KEY_LENGTH = 6, BALANCE_OFFSET = 42, BALANCE_DIGITS = 9, RECORD_ROOM = 80 };

static long cents_at(const char *record) {
  char digits[BALANCE_DIGITS + 1];
  memcpy(digits, record + BALANCE_OFFSET, BALANCE_DIGITS);
  digits[BALANCE_DIGITS] = '\0';
  return strtol(digits, NULL, 10);
}

void accttot(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  char after[KEY_LENGTH], key[KEY_LENGTH] = "000000", record[RECORD_ROOM];
  char line[80];
  int16_t length = sizeof after;
  int32_t started, resp;
  long total = 0;
  int accounts = 0;

  /* What START passed: the account that changed (none under LINK). */
  EXEC CICS RETRIEVE INTO(after) LENGTH(length) RESP(started);

  EXEC CICS STARTBR FILE("ACCOUNTS") RIDFLD(key) GTEQ RESP(resp);
  while (resp == DFHRESP(NORMAL)) {
    length = sizeof record;
    EXEC CICS READNEXT FILE("ACCOUNTS") INTO(record) RIDFLD(key) LENGTH(length)
              RESP(resp);
    if (resp == DFHRESP(NORMAL) && length >= BALANCE_OFFSET + BALANCE_DIGITS) {
      total += cents_at(record);
      ++accounts;
    }
  }
  EXEC CICS ENDBR FILE("ACCOUNTS") NOHANDLE;

  if (started == DFHRESP(NORMAL)) {
    length = (int16_t)snprintf(line, sizeof line, "ATOT after %.6s: %d accounts, %ld cents",
                               after, accounts, total);
  } else {
    length = (int16_t)snprintf(line, sizeof line, "ATOT: %d accounts, %ld cents", accounts, total);
  }
  EXEC CICS WRITEQ TD QUEUE("AUDT") FROM(line) LENGTH(length);
  if (dfheiptr->eibcalen > 0) {
    memset(dfhcommarea, ' ', (size_t)dfheiptr->eibcalen);
    memcpy(dfhcommarea, line, (size_t)(length < dfheiptr->eibcalen ? length : dfheiptr->eibcalen));
  }
  EXEC CICS RETURN;
}
