/* ACCTINQ, transaction ACCT: look up an account of the sample file ACCOUNTS
   and pay money in or out of it.

   The program is pseudo-conversational: each turn is a task that reads what
   the user typed, answers with a screen and ends with RETURN TRANSID("ACCT"),
   handing its state to the next turn in its COMMAREA. Nothing is held while
   the user thinks.

   A payment reads the record with UPDATE (the record is locked until the
   task ends), rewrites it, writes an audit line to the transient data queue
   AUDT and starts transaction ATOT (program ACCTTOT, no terminal), which adds
   up every balance of the file. The task's end commits all of it at once.

   Build: ravnmor build examples/acctinq.c */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ravnmor.h"

/* A record of ACCOUNTS: the key, the holder, the city and the balance in
   cents, as digits; the file's records are up to 80 bytes. */
struct account {
  char key[6];
  char name[20];
  char city[16];
  char balance[9];
  char unused[29];
};

/* What one turn hands the next. */
struct state {
  char key[6]; /* the account on the screen; blank before the first */
};

/* Where things are on the screen (row, column of the field's first
   character; its attribute byte is the cell before). */
enum {
  ACCOUNT_ROW = 4, AMOUNT_ROW = 10, INPUT_COLUMN = 25, MESSAGE_ROW = 22,
  KEY_LENGTH = 6, AMOUNT_LENGTH = 10, BALANCE_DIGITS = 9,
};

/* ---- The screen ---- */

struct screen {
  unsigned char stream[1024];
  unsigned char *at;
};

static void text_at(struct screen *s, int row, int column, int attribute, const char *text) {
  s->at = dfh3270_set_address(s->at, row, column - 1);
  s->at = dfh3270_start_field(s->at, attribute);
  memcpy(s->at, text, strlen(text));
  s->at += strlen(text);
}

/* An input field of `length` characters holding `value`, and a stopper after it. */
static void input_at(struct screen *s, int row, const char *value, int length, int cursor) {
  s->at = dfh3270_set_address(s->at, row, INPUT_COLUMN - 1);
  s->at = dfh3270_start_field(s->at, DFH3270_NUMERIC);
  if (cursor) *s->at++ = DFH3270_IC;
  memset(s->at, '_', (size_t)length);
  memcpy(s->at, value, strlen(value));
  s->at += length;
  s->at = dfh3270_start_field(s->at, DFH3270_PROTECTED);
}

static long cents_of(const char digits[BALANCE_DIGITS]) {
  char copy[BALANCE_DIGITS + 1];
  memcpy(copy, digits, BALANCE_DIGITS);
  copy[BALANCE_DIGITS] = '\0';
  return strtol(copy, NULL, 10);
}

static void send_screen(const struct account *record, const char *message) {
  struct screen s;
  char key[KEY_LENGTH + 1] = "";
  int16_t length;
  s.at = s.stream;
  text_at(&s, 1, 2, DFH3270_PROTECTED | DFH3270_BRIGHT, "ACCT  Account inquiry and payment");
  text_at(&s, ACCOUNT_ROW, 2, DFH3270_PROTECTED, "Account number . . . :");
  if (record != NULL) memcpy(key, record->key, KEY_LENGTH);
  input_at(&s, ACCOUNT_ROW, key, KEY_LENGTH, record == NULL);
  if (record != NULL) {
    char line[64], balance[24];
    snprintf(line, sizeof line, "%.20s", record->name);
    text_at(&s, 6, 2, DFH3270_PROTECTED, "Holder . . . . . . . :");
    text_at(&s, 6, INPUT_COLUMN, DFH3270_PROTECTED | DFH3270_BRIGHT, line);
    snprintf(line, sizeof line, "%.16s", record->city);
    text_at(&s, 7, 2, DFH3270_PROTECTED, "City . . . . . . . . :");
    text_at(&s, 7, INPUT_COLUMN, DFH3270_PROTECTED | DFH3270_BRIGHT, line);
    snprintf(balance, sizeof balance, "%ld.%02ld", cents_of(record->balance) / 100,
             cents_of(record->balance) % 100);
    text_at(&s, 8, 2, DFH3270_PROTECTED, "Balance  . . . . . . :");
    text_at(&s, 8, INPUT_COLUMN, DFH3270_PROTECTED | DFH3270_BRIGHT, balance);
    text_at(&s, AMOUNT_ROW, 2, DFH3270_PROTECTED, "Pay (cents, - out) . :");
    input_at(&s, AMOUNT_ROW, "", AMOUNT_LENGTH, 1);
  }
  text_at(&s, MESSAGE_ROW, 2, DFH3270_PROTECTED | DFH3270_BRIGHT, message);
  text_at(&s, 24, 2, DFH3270_PROTECTED, "Enter: show or pay   PF3: end");
  length = (int16_t)(s.at - s.stream);
  EXEC CICS SEND FROM(s.stream) LENGTH(length) ERASE;
}

/* ---- What the user typed ---- */

struct typed {
  char key[KEY_LENGTH + 1];
  char amount[AMOUNT_LENGTH + 1];
};

/* The modified fields of the input: each is an SBA, its address, then its
   characters (the field's underscores are the user's blanks). */
static void read_fields(const unsigned char *data, int length, struct typed *typed) {
  int i = 0;
  memset(typed, 0, sizeof *typed);
  while (i + 3 <= length && data[i] == DFH3270_SBA) {
    int offset = dfh3270_offset(data + i + 1), start = i + 3, end = start;
    while (end < length && data[end] != DFH3270_SBA) ++end;
    char *into = NULL;
    int room = 0;
    if (offset == (ACCOUNT_ROW - 1) * DFH3270_COLUMNS + INPUT_COLUMN - 1) {
      into = typed->key, room = KEY_LENGTH;
    } else if (offset == (AMOUNT_ROW - 1) * DFH3270_COLUMNS + INPUT_COLUMN - 1) {
      into = typed->amount, room = AMOUNT_LENGTH;
    }
    for (int c = start, n = 0; into != NULL && c < end && n < room; ++c) {
      if (data[c] != '_' && data[c] != ' ') into[n++] = (char)data[c];
    }
    i = end;
  }
}

/* ---- The work ---- */

/* Reads the record of `key` (which may lie in the record itself) into
   `record`; the response. */
static int read_account(const char key[KEY_LENGTH], struct account *record, int update) {
  int32_t resp;
  int16_t length = sizeof *record;
  char ridfld[KEY_LENGTH];
  memcpy(ridfld, key, KEY_LENGTH);
  memset(record, ' ', sizeof *record);
  if (update) {
    EXEC CICS READ FILE("ACCOUNTS") INTO(*record) RIDFLD(ridfld) LENGTH(length) UPDATE
              RESP(resp);
  } else {
    EXEC CICS READ FILE("ACCOUNTS") INTO(*record) RIDFLD(ridfld) LENGTH(length) RESP(resp);
  }
  return resp;
}

/* Pays `amount` cents into the account (out when negative); the message
   says how it went. */
static void pay(struct account *record, long amount, char *message, size_t room) {
  char digits[BALANCE_DIGITS + 1], audit[80];
  int16_t length = sizeof *record;
  long balance;
  if (read_account(record->key, record, 1) != DFHRESP(NORMAL)) {
    snprintf(message, room, "The account could not be read for update");
    return;
  }
  balance = cents_of(record->balance) + amount;
  if (balance < 0 || balance > 999999999L) {
    snprintf(message, room, "Not possible: the balance would be %ld cents", balance);
    EXEC CICS UNLOCK FILE("ACCOUNTS");
    return;
  }
  snprintf(digits, sizeof digits, "%09ld", balance);
  memcpy(record->balance, digits, BALANCE_DIGITS);
  EXEC CICS REWRITE FILE("ACCOUNTS") FROM(*record) LENGTH(length);
  length = (int16_t)snprintf(audit, sizeof audit, "ACCT %.4s %.6s %+ld %s",
                              ravnmor_eib()->eibtrmid, record->key, amount, digits);
  EXEC CICS WRITEQ TD QUEUE("AUDT") FROM(audit) LENGTH(length);
  EXEC CICS START TRANSID("ATOT") FROM(record->key) LENGTH(6);
  snprintf(message, room, "Paid %+ld cents", amount);
}

void acctinq(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  struct state state;
  struct account record;
  struct typed typed;
  unsigned char input[512];
  int16_t length = sizeof input;
  char message[80] = "Type an account number (100100 to 100800)";
  int shown = 0;

  if (dfheiptr->eibcalen == 0) {
    send_screen(NULL, message);
    memset(state.key, ' ', sizeof state.key);
    EXEC CICS RETURN TRANSID("ACCT") COMMAREA(state) LENGTH(sizeof state);
  }
  memcpy(&state, dfhcommarea, sizeof state);
  EXEC CICS RECEIVE INTO(input) LENGTH(length);
  if (dfheiptr->eibaid == DFHPF3 || dfheiptr->eibaid == DFHCLEAR) {
    EXEC CICS SEND TEXT FROM("ACCT ended.") ERASE;
    EXEC CICS RETURN;
  }
  read_fields(input + 0, length, &typed);
  if (typed.key[0] != '\0') memcpy(state.key, typed.key, KEY_LENGTH);
  if (state.key[0] != ' ') {
    if (read_account(state.key, &record, 0) == DFHRESP(NORMAL)) {
      shown = 1;
      if (typed.amount[0] != '\0') {
        pay(&record, strtol(typed.amount, NULL, 10), message, sizeof message);
      } else {
        snprintf(message, sizeof message, "Type an amount to pay in or out, or another account");
      }
    } else {
      snprintf(message, sizeof message, "No account %.6s", state.key);
      memset(state.key, ' ', sizeof state.key);
    }
  }
  send_screen(shown ? &record : NULL, message);
  EXEC CICS RETURN TRANSID("ACCT") COMMAREA(state) LENGTH(sizeof state);
}
