#pragma once
// Ctrl-C (SIGINT) and SIGTERM stop a running repair or save cleanly (the loop
// that waits for it lowers its job's run flag, as the Stop command does)
// instead of ending the process in the middle of a write.
namespace tarvex::cli {

void InstallInterruptHandler();
bool Interrupted();

// The exit status of a command that was stopped by the user (128 + SIGINT).
inline constexpr int kExitInterrupted = 130;

}  // namespace tarvex::cli
