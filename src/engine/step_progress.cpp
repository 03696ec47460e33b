#include "engine/step_progress.h"

#include <thread>

namespace tarvex::engine {

void SetCaption(model::Job& job, const std::string& caption) {
  job.SetCaption(std::u16string(caption.begin(), caption.end()));
}

std::string KilobyteCaption(const std::string& prefix, uint64_t done, uint64_t total) {
  return prefix + ": " + std::to_string(done / 1000) + "(kb) / " + std::to_string(total / 1000) +
         "(kb)";
}

bool CaptionDue(uint64_t page, uint64_t pages) { return page % 256 == 255 || page + 1 == pages; }

void FinishStep(const ScanContext& context) {
  context.job.progress().Complete();
  if (context.settings.stepPause.count() > 0)
    std::this_thread::sleep_for(context.settings.stepPause);
}

}  // namespace tarvex::engine
