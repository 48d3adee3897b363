#pragma once

// Running real programs as a shell runs them, in a scratch directory of
// the test's own.

#include <fcntl.h>
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
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

inline void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Outcome {
  int status;  // exit status, or -1 when killed
  int signal;  // the signal that killed it, or 0
  std::string out, err;
};

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "pgdump2pl-XXXXXX").string();
    dir = mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(dir); }

  // Starts args[0], found in PATH, in the scratch directory, with
  // standard input from `stdin_path`, its output into files there, and
  // SIGPIPE at its default action, as a shell starts a filter.
  pid_t start(const std::vector<std::string>& args, const char* stdin_path = "/dev/null") {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int mode = O_WRONLY | O_CREAT | O_TRUNC;
      if (::chdir(dir.c_str()) != 0 || ::dup2(::open(stdin_path, O_RDONLY), 0) != 0 ||
          ::dup2(::open(".stdout", mode, 0644), 1) != 1 || ::dup2(::open(".stderr", mode, 0644), 2) != 2) {
        ::_exit(126);
      }
      std::signal(SIGPIPE, SIG_DFL);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  Outcome finish(pid_t pid) {
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            slurp(dir / ".stdout"), slurp(dir / ".stderr")};
  }

  Outcome run(const std::vector<std::string>& args, const char* stdin_path = "/dev/null") {
    return finish(start(args, stdin_path));
  }

  fs::path dir;
};

}  // namespace pgdump2pl::testing
