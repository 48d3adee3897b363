#pragma once

// Running real programs, the converter first, as a shell runs them, in a
// scratch directory of the test's own.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pgdump2pl::testing {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Outcome {
  int status;  // exit status, or -1 when killed
  int signal;  // the signal that killed it, or 0
  std::string out, err;
  std::size_t peak_rss;  // bytes, as wait4() reports it
};

// A fresh directory for each test, removed after it.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "pgdump2pl-XXXXXX").string();
    dir = mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(dir); }

  // Starts argv[0] in the scratch directory, with standard input from `stdin_path`, standard output
  // and error into files of the scratch directory, and SIGPIPE at its
  // default action, as a shell starts a filter.
  pid_t start(const std::vector<std::string>& args, const char* stdin_path = "/dev/null") {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, stdin_path, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&files, dir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &files, &attr, argv.data(), environ), 0) << args[0];
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return pid;
  }

  Outcome finish(pid_t pid) {
    int status = 0;
    struct rusage usage {};
    EXPECT_EQ(::wait4(pid, &status, 0, &usage), pid);
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
                    slurp(dir / ".stdout"), slurp(dir / ".stderr"), static_cast<std::size_t>(usage.ru_maxrss) * 1024};
    fs::remove(dir / ".stdout");
    fs::remove(dir / ".stderr");
    return outcome;
  }

  Outcome run(const std::vector<std::string>& args, const char* stdin_path = "/dev/null") {
    return finish(start(args, stdin_path));
  }

  fs::path dir;
};

}  // namespace pgdump2pl::testing
