// Program control: ABEND, LINK, LOAD, RELEASE, RETURN and XCTL. A program is
// named by 8 characters at parameter 2 wherever one is named; a COMMAREA is
// data area 1, whose length defaults to the named variable's own.
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

const Command kProgramCommands[] = {
    {.words = {TK_ABEND},
     .index = 1,
     .bare = true,
     .options = {{TK_ABCODE, kValue, {flag('A', 3), chars(4, 2)}},
                 {TK_CANCEL, kAlone, {flag('C', 4)}}}},
    {.words = {TK_LINK},
     .index = 44,
     .options = {{TK_COMMAREA, kValueOrEmpty, {flag('C', 3), ref(3), data_area(1)}},
                 {TK_DATALENGTH, kValue, {flag('D', 4), half(5)}},
                 {TK_LENGTH, kValue, {half(4), length_given(1)}},
                 {TK_PROGRAM, kValue, {chars(8, 2)}},
                 {TK_SYNCONRETURN, kAlone, {flag('S', 7)}},
                 {TK_SYSID, kValue, {flag('S', 5), chars(4, 6)}},
                 {TK_TRANSID, kValue, {flag('T', 6), chars(4, 7)}}},
     .completion = {required("PROGRAM", 2), default_length(1, 4)}},
    {.words = {TK_LOAD},
     .index = 45,
     .options = {{TK_ENTRY, kValueOrEmpty, {flag('E', 5), ref(5), data_area(2)}},
                 {TK_FLENGTH, kValueOrEmpty, {flag('F', 4), ref(4)}},
                 {TK_HOLD, kAlone, {flag('H', 6)}},
                 {TK_LENGTH, kValueOrEmpty, {flag('L', 4), ref(4)}},
                 {TK_PROGRAM, kValue, {chars(8, 2), data_area(1)}},
                 {TK_SET, kValueOrEmpty, {flag('S', 3), ref(3)}}},
     .completion = {use_max()}},
    {.words = {TK_RELEASE},
     .index = 57,
     .options = {{TK_PROGRAM, kValue, {chars(8, 2)}}},
     .completion = {required("PROGRAM", 2)}},
    {.words = {TK_RETURN},
     .index = 60,
     .bare = true,
     .bare_steps = {use_max()},
     .options = {{TK_COMMAREA, kValueOrEmpty, {flag('C', 3), ref(3), data_area(1)}},
                 {TK_IMMEDIATE, kAlone, {flag('I', 5)}},
                 {TK_LENGTH, kValue, {half(4), length_given(1)}},
                 {TK_TRANSID, kValue, {flag('T', 4), chars(4, 2)}}},
     .completion = {default_length(1, 4), use_max()}},
    {.words = {TK_XCTL},
     .index = 83,
     .bare = true,
     .bare_steps = {missing("PROGRAM")},
     .options = {{TK_COMMAREA, kValueOrEmpty, {flag('C', 3), ref(3), data_area(1)}},
                 {TK_LENGTH, kValue, {half(4), length_given(1)}},
                 {TK_PROGRAM, kValue, {chars(8, 2)}}},
     .completion = {default_length(1, 4), required("PROGRAM", 2)}},
};

}  // namespace

std::span<const Command> program_commands() {
  return kProgramCommands;
}

}  // namespace qcmd
