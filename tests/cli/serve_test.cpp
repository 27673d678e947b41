// ravnmor serve as a user runs it: start-up, shutdown and its errors.
#include <gtest/gtest.h>

#include <fstream>

#include "process.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

TEST(Serve, StartsAndStopsOnSignals) {
  for (int stop_signal : {SIGTERM, SIGINT}) {
    RegionServer server;
    ASSERT_NE(server.port(), 0) << server.startup_line();
    EXPECT_EQ(server.startup_line(), "ravnmor: region RAVNMOR in " + server.region_dir() +
                                         " listening on " + server.address());
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(server.region_dir()) / "region.toml"));
    server.process().signal(stop_signal);
    EXPECT_EQ(server.process().read_line(), "ravnmor: region RAVNMOR stopped");
    auto status = server.process().wait_for_exit();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
  }
}

// Bad usage exits 2, a region that cannot start 1, each with one line.
TEST(Serve, StartupErrorsGiveOneLineAndTheirStatus) {
  RegionServer running;
  ASSERT_NE(running.port(), 0) << running.startup_line();
  auto scratch = fresh_directory("serve-errors");
  std::ofstream(scratch / "plain-file") << "not a directory\n";
  struct Case {
    std::vector<std::string> args;
    std::string error;
    int status;
  };
  const Case cases[] = {
      {{"--listen", running.address(), "--region", (scratch / "r1").string()},
       "ravnmor serve: cannot listen on " + running.address() + ": Address already in use\n",
       1},
      {{"--listen", "localhost", "--region", (scratch / "r2").string()},
       "ravnmor serve: bad listen address 'localhost': expected HOST:PORT\n",
       2},
      {{"--listen", "127.0.0.1:70000", "--region", (scratch / "r3").string()},
       "ravnmor serve: bad listen address '127.0.0.1:70000': expected HOST:PORT, PORT 0-65535\n",
       2},
      {{"--listen", "127.0.0.1:0", "--region", (scratch / "plain-file" / "region").string()},
       "ravnmor serve: cannot create the region directory " +
           (scratch / "plain-file" / "region").string() + ": Not a directory\n",
       1},
      {{"--listen", "127.0.0.1:0", "--region", running.region_dir()},
       "ravnmor serve: region directory " + running.region_dir() + " is in use by process " +
           std::to_string(running.process().pid()) + "\n",
       1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {ravnmor_binary(), "serve"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Process serve(argv);
    EXPECT_EQ(serve.read_error_to_end(), c.error);
    auto status = serve.wait_for_exit();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == c.status) << c.error;
  }
  for (const char* option : {"--max-sessions=0", "--log-level=loud", "--no-such-option",
                             "--codepage=cp999", "--idle-timeout=-1"}) {
    Process bad({ravnmor_binary(), "serve", option});
    EXPECT_NE(bad.read_error_to_end().find(std::string(option).substr(0, 10)), std::string::npos);
    auto status = bad.wait_for_exit();
    ASSERT_TRUE(status);
    EXPECT_EQ(WEXITSTATUS(*status), 2) << option;
  }
  std::filesystem::remove_all(scratch);
}

// ravnmor with no arguments starts a region and the emulator on it; here the
// emulator is a stand-in named c3270 that keeps its arguments and hands them
// to s3270, which takes the same ones.
TEST(Serve, NoArgumentsRunsARegionForTheEmulator) {
  auto home = fresh_directory("emulator");
  auto bin = home / "bin";
  std::filesystem::create_directories(bin);
  {
    std::ofstream script(bin / "c3270");
    script << "#!/bin/sh\n"
              "here=$(dirname \"$0\")\n"
              "printf '%s\\n' \"$@\" > \"$here/arguments.txt\"\n"
              "printf 'Wait(30,InputField)\\nAscii(2,0,80)\\nQuit\\n' | s3270 \"$@\" "
              "> \"$here/screen.txt\"\n";
  }
  std::filesystem::permissions(bin / "c3270", std::filesystem::perms::owner_all);
  std::string path = bin.string() + ":" + std::getenv("PATH");
  const std::string command =
      "cd '" + home.string() + "' && PATH='" + path + "' exec '" + ravnmor_binary() + "'";
  // Without a terminal on standard input there is nothing for c3270 to run on.
  Process piped({"sh", "-c", command});
  EXPECT_NE(piped.read_error_to_end().find("ravnmor: c3270 needs a terminal on standard input"),
            std::string::npos);
  auto refused = piped.wait_for_exit();
  ASSERT_TRUE(refused);
  EXPECT_EQ(WEXITSTATUS(*refused), 2);
  // script(1) gives it one.
  Process ravnmor({"script", "--quiet", "--return", "--command", command, "/dev/null"});
  auto status = ravnmor.wait_for_exit();
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
  std::ifstream screen(bin / "screen.txt");
  std::string text((std::istreambuf_iterator<char>(screen)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("data:  Ravnmor transaction region RAVNMOR"), std::string::npos) << text;
  EXPECT_TRUE(std::filesystem::exists(home / "ravnmor-region" / "region.toml"));
  std::ifstream arguments_file(bin / "arguments.txt");
  std::vector<std::string> arguments;
  for (std::string line; std::getline(arguments_file, line);) arguments.push_back(line);
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[0], "-codepage");
  EXPECT_EQ(arguments[1], "cp037");
  EXPECT_TRUE(arguments[2].starts_with("127.0.0.1:")) << arguments[2];
  // The region stopped with the emulator: its address takes no connection now.
  std::string address = arguments[2];
  S3270 late;
  EXPECT_FALSE(late.run("Connect(" + address + ")").ok) << address;
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace ravnmor::cli::testing
