// ravnmor translate: a C or C++ program's source through the precompiler
// (translator/precompile.hpp), its diagnostics on standard error as a
// compiler writes them. ravnmor build: the same, then the translated source
// through the C or C++ compiler into the program library the region loads.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/program_header.hpp"
#include "cli/region_start.hpp"
#include "cli/shell_tools.hpp"
#include "translator/diagnostics.hpp"
#include "translator/precompile.hpp"

extern char** environ;

namespace ravnmor::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeaderName = "ravnmor.h";
constexpr std::string_view kLibraryExtension = ".so";
constexpr std::string_view kTemporaryDirectory = "ravnmor-build-XXXXXX";
constexpr std::string_view kTemporarySuffix = ".new-";  // + the process id
constexpr const char* kCVariable = "CC";
constexpr const char* kCxxVariable = "CXX";
constexpr const char* kDefaultC = "cc";
constexpr const char* kDefaultCxx = "c++";
constexpr std::string_view kCxxExtensions[] = {".cpp", ".cc", ".cxx"};
constexpr const char* kCompileFlags[] = {"-shared", "-fPIC", "-O2", "-Wall"};

// The translated source of `file`; its diagnostics go to standard error.
// Throws ToolFailure when it has errors.
std::string translated(const std::string& file) {
  const qcmd::Precompiled result = qcmd::precompile(read_file(file), file);
  int errors = 0;
  for (const qcmd::SourceDiagnostic& diagnostic : result.diagnostics) {
    std::fprintf(stderr, "%s\n", qcmd::diagnostic_line(file, diagnostic).c_str());
    errors += diagnostic.severity >= qcmd::kSeverityError ? 1 : 0;
  }
  if (result.failed()) {
    throw ToolFailure{file + " not translated: " + std::to_string(errors) +
                      (errors == 1 ? " error" : " errors")};
  }
  return result.output;
}

// Bad usage when `output` would overwrite the source `file`.
void check_output(const std::string& file, const fs::path& output) {
  std::error_code unknown;
  if (fs::equivalent(file, output, unknown)) {
    throw ToolFailure{output.string() + " is the source itself", kBadUsage};
  }
}

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) throw ToolFailure{"cannot write " + path.string() + ": " + std::strerror(errno)};
}

int run_translate(const std::string& file, const std::string& output) {
  return run_tool("translate", [&] {
    if (!output.empty()) check_output(file, output);
    const std::string text = translated(file);
    if (output.empty()) {
      std::cout << text << std::flush;
    } else {
      write_file(output, text);
    }
  });
}

// A directory of its own under the system's temporary directory, removed
// with everything in it at the end.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / kTemporaryDirectory).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw ToolFailure{"cannot make a temporary directory: " + std::string(std::strerror(errno))};
    }
    path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A new file beside `target` (the compiler writes it, with the usual
// permissions) that replaces it at once when kept: a region running the old
// library keeps its mapping of the old file.
class Replacement {
 public:
  explicit Replacement(const fs::path& target)
      : target_(target),
        path_(target.string() + std::string(kTemporarySuffix) + std::to_string(getpid())) {}
  ~Replacement() {
    std::error_code ignored;
    if (!kept_) fs::remove(path_, ignored);
  }
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  const fs::path& path() const { return path_; }
  void keep() {
    std::error_code error;
    fs::rename(path_, target_, error);
    if (error) throw ToolFailure{"cannot replace " + target_.string() + ": " + error.message()};
    kept_ = true;
  }

 private:
  fs::path target_;
  fs::path path_;
  bool kept_ = false;
};

bool is_cxx(const fs::path& file) {
  const std::string extension = file.extension().string();
  return std::find(std::begin(kCxxExtensions), std::end(kCxxExtensions), extension) !=
         std::end(kCxxExtensions);
}

// $CC (or $CXX for C++) split into words, or the default compiler.
std::vector<std::string> compiler(const fs::path& file) {
  const bool cxx = is_cxx(file);
  const char* chosen = std::getenv(cxx ? kCxxVariable : kCVariable);
  std::istringstream words(chosen != nullptr && *chosen != '\0' ? chosen
                           : cxx                                ? kDefaultCxx
                                                                : kDefaultC);
  std::vector<std::string> command;
  for (std::string word; words >> word;) command.push_back(word);
  return command;
}

// Runs `argv` with this process's standard streams; its exit status (-1 when
// it did not exit).
int run_program(const std::vector<std::string>& argv) {
  std::vector<char*> arguments;
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, arguments[0], nullptr, nullptr, arguments.data(), environ);
  if (failed != 0) throw ToolFailure{"cannot run " + argv[0] + ": " + std::strerror(failed)};
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw ToolFailure{"lost " + argv[0] + ": " + std::strerror(errno)};
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct BuildOptions {
  std::string file;
  std::string output;  // empty: FILE with the extension .so
  std::vector<std::string> extra;
};

int run_build(const BuildOptions& options) {
  return run_tool("build", [&] {
    const fs::path file(options.file);
    const fs::path output = options.output.empty()
                                ? fs::path(file).replace_extension(kLibraryExtension)
                                : fs::path(options.output);
    check_output(options.file, output);
    std::vector<std::string> argv = compiler(file);
    if (argv.empty()) throw ToolFailure{"no compiler: $CC or $CXX is blank", kBadUsage};
    const std::string text = translated(options.file);
    const TemporaryDirectory work;
    const fs::path source = work.path() / file.filename();
    write_file(source, text);
    write_file(work.path() / kHeaderName, program_header_text());
    Replacement library(output);
    argv.insert(argv.end(), std::begin(kCompileFlags), std::end(kCompileFlags));
    const fs::path directory = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    argv.insert(argv.end(), {"-I" + work.path().string(), "-I" + directory.string(),
                             source.string(), "-o", library.path().string()});
    argv.insert(argv.end(), options.extra.begin(), options.extra.end());
    if (run_program(argv) != 0) throw ToolFailure{"compiling " + options.file + " failed"};
    library.keep();
  });
}

}  // namespace

void add_translate_commands(CLI::App& app, Action& action) {
  auto* translate = app.add_subcommand(
      "translate", "translate the EXEC CICS statements of a C or C++ program into calls");
  auto file = std::make_shared<std::string>();
  auto output = std::make_shared<std::string>();
  translate->add_option("FILE", *file, "C or C++ source")->required();
  translate->add_option("-o,--output", *output, "translated source (default: standard output)");
  translate->callback([&action, file, output] {
    action = [file, output] { return run_translate(*file, *output); };
  });

  auto* build = app.add_subcommand(
      "build", "translate a C or C++ program and compile it into a program library (.so)");
  auto options = std::make_shared<BuildOptions>();
  build->add_option("FILE", options->file, "C or C++ source (.cpp, .cc, .cxx: C++)")->required();
  build->add_option("-o,--output", options->output, "the library (default: FILE with .so)");
  build->add_option("ARGS", options->extra, "after --: more arguments for the compiler");
  build->footer(
      "The compiler is $CC (default cc), $CXX (default c++) for C++, run with -shared -fPIC -O2 "
      "-Wall; the program includes \"ravnmor.h\", which build provides.");
  build->callback([&action, options] { action = [options] { return run_build(*options); }; });
}

}  // namespace ravnmor::cli
