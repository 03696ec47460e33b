#include "engine/step_progress.h"

#include <thread>

#include "engine/job_status.h"

namespace tarvex::engine {

bool Repairing() { return RepairingFileStatus().IsRepairing(); }

void SetCaption(const std::string& caption) {
  StatusProgress().SetCaption(std::u16string(caption.begin(), caption.end()));
}

std::string KilobyteCaption(const std::string& prefix, uint64_t done, uint64_t total) {
  return prefix + ": " + std::to_string(done / 1000) + "(kb) / " + std::to_string(total / 1000) +
         "(kb)";
}

bool CaptionDue(uint64_t page, uint64_t pages) { return page % 256 == 255 || page + 1 == pages; }

void FinishStep(const ScanSettings& settings) {
  ProgressStatus().SetPosition(ProgressStatus().Maximum());
  if (settings.stepPause.count() > 0) std::this_thread::sleep_for(settings.stepPause);
}

}  // namespace tarvex::engine
