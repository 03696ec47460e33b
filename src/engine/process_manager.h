#pragma once
// Finds and ends running processes by executable name, through /proc.
#include <sys/types.h>

#include <string>
#include <vector>

namespace tarvex::engine {

// The helper process that must not run while a repair or a save reads or writes files.
inline constexpr char kConflictingProcessName[] = "ZedavUvazIvevur.exe";

class CProcessManager {
 public:
  // Ends every process whose executable name equals `name` (case-insensitive),
  // except this one; returns how many were signalled.
  static int EndAll(const std::string& name);
  // The executable name of a process: the base name of its executable, else of
  // its first argument; "<unknown>" when neither can be read, empty when it is gone.
  static std::string ProcessName(pid_t pid);

 private:
  static std::vector<pid_t> Processes();
};

}  // namespace tarvex::engine
