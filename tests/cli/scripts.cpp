// The build and test scripts' number of jobs: JOBS when it is a whole number of 1 or more, the
// machine's cores without it, and a clear refusal of anything else.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "tests/support/files.h"

namespace {

struct Sourced {
  int status = -1;
  std::string out;
};

// Runs a shell command with its standard error joined to its output.
Sourced shell(const std::string& command) {
  Sourced r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buf[256];
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) r.out += buf;
  const int st = pclose(pipe);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// Sources scripts/jobs.sh in bash with JOBS set to value (unset for null) and prints korim_jobs.
Sourced jobs(const char* value) {
  if (value != nullptr)
    setenv("JOBS", value, 1);
  else
    unsetenv("JOBS");
  const std::string script = korim_test::examples("../scripts/jobs.sh");
  const Sourced r = shell("bash -c '. \"" + script + "\" && echo \"$korim_jobs\"' 2>&1");
  unsetenv("JOBS");
  return r;
}

}  // namespace

TEST(Scripts, JobsFromJobsOrTheCores) {
  const std::string refused = " is not a whole number of 1 or more (the jobs to build and test with).\n";
  const struct {
    const char* value;
    int status;
    std::string out;
  } cases[] = {
      {"3", 0, "3\n"},
      {"012", 0, "12\n"},
      {nullptr, 0, shell("nproc").out},
      {"0", 1, "korim: JOBS='0'" + refused},
      {"", 1, "korim: JOBS=''" + refused},
      {"-2", 1, "korim: JOBS='-2'" + refused},
      {"1.5", 1, "korim: JOBS='1.5'" + refused},
      {"four", 1, "korim: JOBS='four'" + refused},
      {"4 ", 1, "korim: JOBS='4 '" + refused},
  };
  for (const auto& c : cases) {
    const Sourced r = jobs(c.value);
    EXPECT_EQ(r.status, c.status) << (c.value ? c.value : "unset");
    EXPECT_EQ(r.out, c.out) << (c.value ? c.value : "unset");
  }
}
