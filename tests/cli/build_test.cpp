// ravnmor build end to end: a program's source with an EXEC CICS statement
// compiled into a library, compiler messages pointing at the program's own
// lines, and a translation error that stops the build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "process.hpp"

namespace ravnmor::cli::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] =
    "#include \"ravnmor.h\"\n"
    "int run(void) {\n"
    "  char rec[80];\n"
    "  int rc;\n"
    "  EXEC CICS READ FILE(\"ACCOUNTS\")\n"
    "    INTO(rec) RIDFLD(rec) RESP(rc);\n"
    "  return rc == DFHRESP(NOTFND);\n"
    "}\n";

bool on_path(const std::string& program) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string directory; std::getline(path, directory, ':');) {
    if (access((fs::path(directory) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

class Build : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(directory_); }
  void TearDown() override { fs::remove_all(directory_); }

  // A file of the test's directory holding `text`.
  std::string source(const std::string& name, const std::string& text) {
    const std::string path = (directory_ / name).string();
    std::ofstream(path) << text;
    return path;
  }

  const fs::path directory_ =
      fs::temp_directory_path() / ("ravnmor-build-test-" + std::to_string(getpid()));
};

TEST_F(Build, AProgramBecomesALibraryAndTheCompilerSpeaksOfItsLines) {
  if (!on_path("cc")) GTEST_SKIP() << "no cc on PATH";
  const std::string file = source("prog.c", kProgram);
  const Finished built = ravnmor({"build", file});
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_GT(fs::file_size(directory_ / "prog.so"), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(directory_), fs::directory_iterator()), 2)
      << "only the source and the library";

  // A fault of the program's own, on its line 9, after the statement.
  const std::string faulty =
      source("faulty.c", std::string(kProgram) + "int f(void) { return x; }\n");
  const Finished refused = ravnmor({"build", faulty});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(faulty + ":9:"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(directory_ / "faulty.so"));
}

TEST_F(Build, ATranslationErrorStopsItWhereItIs) {
  const std::string file =
      source("bad.c", "int f(void) {\n  char r[8];\n  EXEC CICS READ FILE(\"F\") INTO(r);\n}\n");
  const Finished run = ravnmor({"build", file, "-o", (directory_ / "bad.so").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(file + ":3:3: error: Command requires the RIDFLD option."),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(directory_ / "bad.so"));
}

}  // namespace
}  // namespace ravnmor::cli::testing
