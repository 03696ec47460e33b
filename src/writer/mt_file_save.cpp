#include "writer/mt_file_save.h"

#include "engine/job_status.h"
#include "format/unicode.h"
#include "model/repair_log.h"
#include "writer/save_status.h"

namespace tarvex::writer {

CMTFileSave::~CMTFileSave() { StopSave(); }

void CMTFileSave::StartSave(model::CAccessData& data) {
  Wait();
  writer_.reset();
  writer_ = std::make_unique<CAccessSaveRepairedFile>(settings_);
  writer_->outputPath = outputPath_;
  writer_->model = &data;
  engine::SavingStatus().SetSaving(true);
  worker_ = std::thread([this] { SaveThreadProc(); });
}

void CMTFileSave::StopSave() {
  engine::SavingStatus().SetSaving(false);
  Wait();
}

void CMTFileSave::Wait() {
  if (worker_.joinable()) worker_.join();
}

void CMTFileSave::SaveThreadProc() {
  model::CRepairLog::Instance().Set(u"");
  const std::u16string path = format::FromUtf8(writer_->outputPath.string());
  if (writer_->RunSave()) {
    Log(u"Location: \r\n" + path);
    SetCaption(u"Database saved location : " + path);
  } else if (engine::SavingStatus().StepBack()) {
    Log(u"The database was not saved.");
    SetCaption(u"The database was not saved.");
  } else {
    Log(u"The save was stopped; nothing was written to " + path + u".");
    SetCaption(u"The save was stopped.");
  }
  engine::SavingStatus().SetSaving(false);
}

}  // namespace tarvex::writer
