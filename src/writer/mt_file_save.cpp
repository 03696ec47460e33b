#include "writer/mt_file_save.h"

#include "format/unicode.h"

namespace tarvex::writer {

CMTFileSave::~CMTFileSave() { StopSave(); }

void CMTFileSave::StartSave(model::CAccessData& data) {
  Wait();
  writer_.reset();
  writer_ = std::make_unique<CAccessSaveRepairedFile>(job_, settings_);
  writer_->outputPath = outputPath_;
  writer_->model = &data;
  job_.Start();
  worker_ = std::thread([this] { SaveThreadProc(); });
}

void CMTFileSave::StopSave() {
  job_.Stop();
  Wait();
}

void CMTFileSave::Wait() {
  if (worker_.joinable()) worker_.join();
}

void CMTFileSave::SaveThreadProc() {
  model::CRepairLog& log = job_.log();
  log.Set(u"");
  const std::u16string path = format::FromUtf8(writer_->outputPath.string());
  if (writer_->RunSave()) {
    log.AppendLine(u"Location: \r\n" + path);
    job_.SetCaption(u"Database saved location : " + path);
  } else if (job_.SaveFailed()) {
    log.AppendLine(u"The database was not saved.");
    job_.SetCaption(u"The database was not saved.");
  } else {
    log.AppendLine(u"The save was stopped; nothing was written to " + path + u".");
    job_.SetCaption(u"The save was stopped.");
  }
  job_.Stop();
}

}  // namespace tarvex::writer
