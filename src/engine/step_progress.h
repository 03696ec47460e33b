#pragma once
// Progress reporting shared by the scanning steps.
#include <cstdint>
#include <string>

#include "engine/definition_scan.h"
#include "model/job.h"

namespace tarvex::engine {

// Shows the ASCII `caption` on the job's status line.
void SetCaption(model::Job& job, const std::string& caption);
// "PREFIX: A(kb) / B(kb)" with both byte counts divided by 1000.
std::string KilobyteCaption(const std::string& prefix, uint64_t done, uint64_t total);
// Whether a step that reads a file's `pages` pages one by one shows its caption after page
// `page`: after every 256th and after the last, as making a caption costs more than a page.
bool CaptionDue(uint64_t page, uint64_t pages);
// Fills the bar and pauses so that the full bar is seen.
void FinishStep(const ScanContext& context);

}  // namespace tarvex::engine
