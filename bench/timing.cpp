#include "timing.hpp"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace rinomina::bench {
namespace {

std::string CommandLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) line += (line.empty() ? "" : " ") + word;
  return line;
}

pid_t Spawn(const std::vector<std::string>& command, const posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t child;
  int error = posix_spawnp(&child, argv[0], actions, nullptr, argv.data(), environ);
  if (error != 0) throw std::system_error(error, std::generic_category(), CommandLine(command));
  return child;
}

void WaitForSuccess(pid_t child, const std::vector<std::string>& command) {
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("failed: " + CommandLine(command));
  }
}

}  // namespace

double TimeCommand(const std::vector<std::string>& command) {
  const auto start = std::chrono::steady_clock::now();
  WaitForSuccess(Spawn(command, nullptr), command);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string CaptureCommand(const std::vector<std::string>& command) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  pid_t child = Spawn(command, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  std::string output;
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) output.append(buffer, got);
  close(pipeEnds[0]);
  WaitForSuccess(child, command);
  return output;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace rinomina::bench
