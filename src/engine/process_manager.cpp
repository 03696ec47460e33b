#include "engine/process_manager.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace tarvex::engine {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool NameMatches(pid_t pid, const std::string& wanted) {
  return Lower(CProcessManager::ProcessName(pid)) == Lower(wanted);
}

}  // namespace

std::vector<pid_t> CProcessManager::Processes() {
  std::vector<pid_t> pids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    const long pid = std::strtol(name.c_str(), nullptr, 10);
    if (pid > 0) pids.push_back(static_cast<pid_t>(pid));
  }
  return pids;
}

std::string CProcessManager::ProcessName(pid_t pid) {
  const std::filesystem::path dir = "/proc/" + std::to_string(pid);
  std::error_code error;
  if (!std::filesystem::exists(dir, error)) return {};
  const auto exe = std::filesystem::read_symlink(dir / "exe", error);
  if (!error && !exe.empty()) return exe.filename().string();
  std::ifstream cmdline(dir / "cmdline", std::ios::binary);
  std::string first;
  if (cmdline && std::getline(cmdline, first, '\0') && !first.empty()) {
    return std::filesystem::path(first).filename().string();
  }
  return "<unknown>";
}

int CProcessManager::EndAll(const std::string& name) {
  int ended = 0;
  for (pid_t pid : Processes()) {
    if (pid == getpid() || !NameMatches(pid, name)) continue;
    if (kill(pid, SIGKILL) == 0) ++ended;
  }
  return ended;
}

}  // namespace tarvex::engine
