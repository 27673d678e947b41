// The file commands: READ, WRITE, REWRITE, DELETE, UNLOCK and the browse
// commands STARTBR, READNEXT, READPREV, RESETBR and ENDBR. DATASET stands
// for FILE as well (one keyword token).
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

const Command kFileCommands[] = {
    {.words = {TK_READ},
     .index = 50,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_DEBKEY, kAlone, {flag('K', 11)}},
                 {TK_DEBREC, kAlone, {flag('R', 11)}},
                 {TK_EQUAL, kAlone, {flag('E', 12)}},
                 {TK_GENERIC, kAlone, {flag('G', 7)}},
                 {TK_GTEQ, kAlone, {flag('G', 12)}},
                 {TK_INTO, kValueOrEmpty, {flag('I', 3), ref(3), data_area(1)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(6)}},
                 {TK_LENGTH, kValueOrEmpty, {flag('L', 4), ref(4), length_given(1)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(5)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SEGSET, kValue, {flag('S', 9), chars(8, 8)}},
                 {TK_SEGSETALL, kAlone, {flag('A', 9)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(3)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 7)}},
                 {TK_UPDATE, kAlone, {flag('U', 13)}}},
     .completion = {flag('L', 4).if_default_needed(1), default_length(1, 4),
                    flag('E', 12).if_blank(12), required("FILE or DATASET", 2),
                    required("SET or INTO", 3), required("RIDFLD", 5)}},

    {.words = {TK_READNEXT},
     .index = 51,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_INTO, kValueOrEmpty, {flag('I', 3), ref(3), data_area(1)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(6)}},
                 {TK_LENGTH, kValueOrEmpty, {flag('L', 4), ref(4), length_given(1)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_REQID, kValue, {half(7)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(5)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SEGSET, kValue, {flag('S', 9), chars(8, 9)}},
                 {TK_SEGSETALL, kAlone, {flag('A', 9)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(3)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 8)}}},
     .completion = {default_length(1, 4), flag('L', 4).if_default_needed(1),
                    required("DATASET or FILE", 2), required("SET or INTO", 3),
                    required("RIDFLD", 5)}},

    // As READNEXT, with REQID flagged at 5.
    {.words = {TK_READPREV},
     .index = 52,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_INTO, kValueOrEmpty, {flag('I', 3), ref(3), data_area(1)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(6)}},
                 {TK_LENGTH, kValueOrEmpty, {flag('L', 4), ref(4), length_given(1)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_REQID, kValue, {flag('R', 5), half(7)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(5)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SEGSET, kValue, {flag('S', 9), chars(8, 9)}},
                 {TK_SEGSETALL, kAlone, {flag('A', 9)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(3)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 8)}}},
     .completion = {default_length(1, 4), flag('L', 4).if_default_needed(1),
                    required("DATASET or FILE", 2), required("SET or INTO", 3),
                    required("RIDFLD", 5)}},

    {.words = {TK_WRITE},
     .index = 80,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_FROM, kValueOrEmpty, {ref(3), data_area(1)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(6)}},
                 {TK_LENGTH, kValue, {flag('L', 4), half(4), length_given(1)}},
                 {TK_MASSINSERT, kAlone, {flag('M', 14)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(5)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SEGSETALL, kAlone, {flag('A', 9)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 7)}}},
     .completion = {flag('L', 4).if_default_needed(1), default_length(1, 4),
                    required("FILE or DATASET", 2), required("FROM", 3), required("RIDFLD", 5),
                    incompatible("KEYLENGTH and RBA/RRN").if_holds(6, 'K').if_holds(10, 'B'),
                    incompatible("KEYLENGTH and RBA/RRN").if_holds(6, 'K').if_holds(10, 'R')}},

    {.words = {TK_REWRITE},
     .index = 61,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_FROM, kValueOrEmpty, {ref(3), data_area(1)}},
                 {TK_LENGTH, kValue, {flag('L', 4), half(4), length_given(1)}},
                 {TK_SEGSETALL, kAlone, {flag('A', 9)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 5)}}},
     .completion = {flag('L', 4).if_default_needed(1), default_length(1, 4),
                    required("FILE or DATASET", 2), required("FROM", 3)}},

    // GENERIC and NUMREC together make "N" at 7, whichever comes first.
    {.words = {TK_DELETE},
     .index = 11,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_GENERIC,
                  kAlone,
                  {flag('G', 7).unless_holds(7, 'n'), force_flag('N', 7).if_holds(7, 'n')}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(4)}},
                 {TK_NUMREC,
                  kValueOrEmpty,
                  {flag('n', 7).unless_holds(7, 'G'), force_flag('N', 7).if_holds(7, 'G'), ref(5)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_RIDFLD, kValueOrEmpty, {flag('R', 5), ref(3)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 6)}}},
     .completion = {required("FILE or DATASET", 2)}},

    {.words = {TK_UNLOCK},
     .index = 76,
     .options = {{TK_FILE, kValue, {chars(8, 2)}}, {TK_SYSID, kValue, {flag('S', 8), chars(4, 3)}}},
     .completion = {required("FILE or DATASET", 2)}},

    {.words = {TK_STARTBR},
     .index = 72,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_DEBKEY, kAlone, {flag('K', 11)}},
                 {TK_DEBREC, kAlone, {flag('R', 11)}},
                 {TK_EQUAL, kAlone, {flag('E', 12)}},
                 {TK_GENERIC, kAlone, {flag('G', 7)}},
                 {TK_GTEQ, kAlone, {flag('G', 12)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(4)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_REQID, kValue, {flag('R', 5), half(5)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(3)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 6)}}},
     .completion = {required("FILE or DATASET", 2), required("RIDFLD", 3),
                    flag('G', 12).if_blank(12)}},

    {.words = {TK_RESETBR},
     .index = 58,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_EQUAL, kAlone, {flag('E', 12)}},
                 {TK_GENERIC, kAlone, {flag('G', 7)}},
                 {TK_GTEQ, kAlone, {flag('G', 12)}},
                 {TK_KEYLENGTH, kValue, {flag('K', 6), half(4)}},
                 {TK_RBA, kAlone, {flag('B', 10)}},
                 {TK_REQID, kValue, {flag('R', 5), half(5)}},
                 {TK_RIDFLD, kValueOrEmpty, {ref(3)}},
                 {TK_RRN, kAlone, {flag('R', 10)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 6)}}},
     .completion = {required("DATASET", 2), required("RIDFLD", 3), flag('G', 12).if_blank(12)}},

    {.words = {TK_ENDBR},
     .index = 16,
     .options = {{TK_FILE, kValue, {chars(8, 2)}},
                 {TK_REQID, kValue, {flag('R', 5), half(3)}},
                 {TK_SYSID, kValue, {flag('S', 8), chars(4, 4)}}},
     .completion = {required("FILE or DATASET", 2)}},
};

}  // namespace

std::span<const Command> file_commands() {
  return kFileCommands;
}

}  // namespace qcmd
