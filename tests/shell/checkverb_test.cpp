#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/initscreen.hpp"
#include "syntax/syntax.hpp"
#include "vars/run.hpp"

namespace qcmd {
namespace {

void set_command(const std::string& text) {
  std::memset(&CmdIntBuffer, 0, sizeof CmdIntBuffer);
  std::memcpy(CmdIntBuffer.Syntax, text.data(), text.size());
  CmdIntBuffer.Length = static_cast<std::int32_t>(text.size());
}

struct VerbCase {
  std::string typed;
  const char* verb;  // nullptr: no verb
};

const VerbCase kVerbCases[] = {
    {"QCMD send map(m1) mapset(s1)", "SEND MAP"},  // lower case
    {"QCMD SEND  MAP(M1)", "SEND"},                // two blanks: only SEND
    {"QCMD READQ TS QUEUE(Q)", "READQ TS"},        // not READ
    {"QCMD READ FILE(F)", "READ"},
    {"QCMD SEND TEXT MAPPED", "SEND TEXT MAPPED"},
    {"QCMD SEND TEXT FROM(&STRING)", "SEND TEXT"},
    {"QCMD SENDX", "SEND"},  // no word boundary after the phrase
    {"QCMD ENQUEUE", "ENQ"},
    {"   QCMD    xctl program(p)", "XCTL"},  // blanks before and after the identifier
    {"ANYX INQUIRE TRANSACTION(T)", "INQUIRE TRANSACTION"},  // any first word is skipped
    {"READ FILE(F)", nullptr},                               // READ taken as the identifier
    {"QCMD", nullptr},
    {"QCMD      ", nullptr},
    {"", nullptr},
    {"QCMD FROBNICATE", nullptr},
    {"QCMD" + std::string(222, ' ') + "XCTL", "XCTL"},  // the phrase ends at the last character
    {"QCMD" + std::string(223, ' ') + "ASK", nullptr},  // a phrase cut by the end of the text
    {std::string(230, 'Q'), nullptr},                   // one word fills the whole text
};

TEST(Checkverb, FindsTheLongestPhraseAfterTheFirstWord) {
  initialize();
  for (const VerbCase& c : kVerbCases) {
    std::memset(&CmdIntSyntax, 0x5A, sizeof CmdIntSyntax);
    set_command(c.typed);
    int result = checkverb();
    if (c.verb == nullptr) {
      EXPECT_EQ(result, 1) << c.typed;
      SyntaxEntry zero{};
      EXPECT_EQ(std::memcmp(&CmdIntSyntax, &zero, sizeof zero), 0) << c.typed;
    } else {
      EXPECT_EQ(result, 0) << c.typed;
      EXPECT_STREQ(CmdIntSyntax.verb, c.verb) << c.typed;
      EXPECT_EQ(CmdIntSyntax.verblen, std::strlen(c.verb)) << c.typed;
    }
    EXPECT_EQ(std::string(CmdIntBuffer.Syntax, c.typed.size()), c.typed);  // text untouched
  }
}

}  // namespace
}  // namespace qcmd
