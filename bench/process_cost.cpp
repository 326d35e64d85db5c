// The time one command takes from exec to exit, over N runs: for tools that
// write the volume with one process per write. "{}" in the arguments is
// replaced by 30 and 70 in turn, so every run really changes the volume.
//   process_cost N COMMAND [ARG...]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: process_cost N COMMAND [ARG...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<double> times;
  int failures = 0;
  for (int run = 0; run < runs; ++run) {
    std::vector<std::string> words;
    for (int i = 2; i < argc; ++i) {
      std::string word = argv[i];
      if (const auto at = word.find("{}"); at != std::string::npos) {
        word.replace(at, 2, run % 2 == 0 ? "30" : "70");
      }
      words.push_back(word);
    }
    std::vector<char*> args;
    for (auto& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      execvp(args[0], args.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
  }
  std::sort(times.begin(), times.end());
  std::printf("%.1f %.1f %d\n", times[times.size() / 2], times[times.size() * 99 / 100], failures);
  return 0;
}
