#include "session/repair_session.h"

#include "engine/input_check.h"
#include "model/working_folder.h"

namespace tarvex::session {

RepairSession::RepairSession(engine::ScanSettings scan, writer::SaveSettings save)
    : repair_(job_, std::move(scan)), save_(job_, std::move(save)) {}

RepairSession::~RepairSession() { Stop(); }

std::optional<StartRefusal> RepairSession::CheckRepair(const RepairRequest& request) const {
  if (Running()) return StartRefusal{{}, "a repair or a save is running"};
  for (const auto* path :
       {&request.damagedFile, request.templateFile ? &*request.templateFile : nullptr}) {
    if (!path) continue;
    if (auto reason = engine::WhyNotRepairable(*path)) return StartRefusal{*path, *reason};
  }
  if (!model::WorkingFolder::Available())
    return StartRefusal{{},
                        "no working folder of this process's own can be made under " +
                            model::WorkingFolder::Base().string()};
  return std::nullopt;
}

std::optional<StartRefusal> RepairSession::StartRepair(const RepairRequest& request) {
  if (auto refusal = CheckRepair(request)) return refusal;
  Wait();
  job_.log().Set(u"");  // as for a save
  repair_.SetDataFilePath(request.damagedFile);
  repair_.SetTemplatePath(request.templateFile.value_or(std::filesystem::path()));
  repair_.mode().Set(request.templateFile ? engine::CRepairModeStatus::kTemplateMode : 0);
  repair_.StartRepair();
  return std::nullopt;
}

bool RepairSession::StartSave(const std::filesystem::path& output) {
  if (Running()) return false;
  Wait();
  model::CAccessData* data = model();
  if (!data || !Failure().empty()) return false;
  // Cleared here rather than on the worker, so that a front end following the log never shows
  // the repair's lines again as the save's.
  job_.log().Set(u"");
  job_.SetSaveFailed(false);
  save_.SetOutputPath(output);
  save_.StartSave(*data);
  return true;
}

void RepairSession::Stop() {
  RequestStop();
  Wait();
}

void RepairSession::Wait() {
  repair_.Wait();
  save_.Wait();
}

model::CAccessData* RepairSession::model() const {
  const engine::CAccessRepair* result = repair_.lastResult();
  return result ? result->model() : nullptr;
}

std::string RepairSession::Failure() const {
  const engine::CAccessRepair* result = repair_.lastResult();
  return result ? result->failure() : std::string();
}

bool RepairSession::Saved() const { return writer() && writer()->report().saved; }

}  // namespace tarvex::session
