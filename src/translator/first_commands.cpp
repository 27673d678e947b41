// RETURN, ADDRESS and ASKTIME: the first commands written as rows.
#include <span>

#include "translator/encoding.hpp"

namespace qcmd {

namespace {

using namespace encoding;

const Command kFirstCommands[] = {
    {.words = {TK_RETURN},
     .index = 60,
     .bare = true,
     .bare_steps = {use_max()},
     .options = {{TK_COMMAREA, kValueOrEmpty, {flag('C', 3), ref(3), data_area(1)}},
                 {TK_IMMEDIATE, kAlone, {flag('I', 5)}},
                 {TK_LENGTH, kValue, {half(4), length_given(1)}},
                 {TK_TRANSID, kValue, {flag('T', 4), chars(4, 2)}}},
     .completion = {default_length(1, 4), use_max()}},
    {.words = {TK_ADDRESS},
     .index = 2,
     .options = {{TK_COMMAREA, kValue, {unsupported()}},
                 {TK_CSA, kValueOrEmpty, {flag('C', 3), prio(1)}},
                 {TK_CWA, kValueOrEmpty, {flag('C', 4), prio(2)}},
                 {TK_EIB, kValueOrEmpty, {flag('E', 5), prio(3)}},
                 {TK_TCTUA, kValueOrEmpty, {flag('T', 6), prio(4)}},
                 {TK_TWA, kValueOrEmpty, {flag('T', 7), prio(5)}}}},
    {.words = {TK_ASKTIME},
     .index = 4,
     .bare = true,
     .options = {{TK_ABSTIME, kValueOrEmpty, {flag('A', 3), ref(2)}}}},
};

}  // namespace

std::span<const Command> first_commands() {
  return kFirstCommands;
}

}  // namespace qcmd
