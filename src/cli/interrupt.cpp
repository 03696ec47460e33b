#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

#include "engine/job_status.h"

namespace tarvex::cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free);

volatile std::sig_atomic_t interrupted = 0;
// The flags a stop clears, taken before the handler is installed: the handler
// itself only stores to lock-free atomics, which a signal handler may do.
engine::CRepairingFileStatus* repairing = nullptr;
engine::CSavingStatus* saving = nullptr;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
  repairing->Set(false);
  saving->SetSaving(false);
}

}  // namespace

void InstallInterruptHandler() {
  repairing = &engine::RepairingFileStatus();
  saving = &engine::SavingStatus();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A second Ctrl-C ends the process at once, as users expect.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace tarvex::cli
