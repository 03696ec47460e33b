#include "writer/save_status.h"

#include <thread>

#include "engine/job_status.h"
#include "format/unicode.h"
#include "model/repair_log.h"

namespace tarvex::writer {

bool Saving() { return engine::SavingStatus().IsSaving(); }

void Log(const std::u16string& line) { model::CRepairLog::Instance().AppendLine(line); }

void Log(std::string_view utf8Line) { Log(format::FromUtf8(utf8Line)); }

void SetCaption(const std::u16string& caption) { engine::StatusProgress().SetCaption(caption); }

void FinishStep(std::chrono::milliseconds pause) {
  engine::ProgressStatus().SetPosition(engine::ProgressStatus().Maximum());
  if (pause.count() > 0) std::this_thread::sleep_for(pause);
}

}  // namespace tarvex::writer
