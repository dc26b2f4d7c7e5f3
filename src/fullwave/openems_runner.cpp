#include "fullwave/openems_runner.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

extern char** environ;

namespace quill {

namespace {

/// "[@ 4s] Timestep: 8684 || Speed: ... || Energy: ~2.03e-17 (-32.44dB)"
bool parse_progress(const std::string& line, OpenemsProgress& p) {
  const size_t ts = line.find("Timestep:");
  const size_t energy = line.find("dB)");
  if (ts == std::string::npos || energy == std::string::npos) return false;
  p.timestep = std::strtol(line.c_str() + ts + 9, nullptr, 10);
  const size_t open = line.rfind('(', energy);
  if (open == std::string::npos) return false;
  p.energy_db = std::strtod(line.c_str() + open + 1, nullptr);
  return true;
}

}  // namespace

std::filesystem::path find_openems() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(dir) / "openEMS";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::string run_openems(const std::filesystem::path& program, const std::filesystem::path& folder,
                        const std::string& model, int threads,
                        const std::function<void(const OpenemsProgress&)>& progress) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return std::string("cannot start openEMS: ") + std::strerror(errno);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  // The child starts in the run's folder, where openEMS writes its probes;
  // this process's own folder stays as it is.
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> args = {program.string(), model, "--numThreads=" + std::to_string(threads)};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (spawned != 0) {
    ::close(pipe_fds[0]);
    return "cannot start " + program.string() + ": " + std::strerror(spawned);
  }
  std::string pending, last;
  char buf[4096];
  for (;;) {
    const ssize_t got = ::read(pipe_fds[0], buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    pending.append(buf, static_cast<size_t>(got));
    for (size_t end; (end = pending.find_first_of("\r\n")) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line.empty()) continue;
      last = line;
      OpenemsProgress p;
      if (parse_progress(line, p)) progress(p);
    }
  }
  ::close(pipe_fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                            : "signal " + std::to_string(WTERMSIG(status));
  return how + (last.empty() ? "" : ": " + last);
}

}  // namespace quill
