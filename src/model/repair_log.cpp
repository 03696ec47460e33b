#include "model/repair_log.h"

namespace tarvex::model {

void CRepairLog::AppendLine(const std::u16string& line) {
  std::lock_guard guard(lock_);
  if (text_.empty()) {
    text_ = line;
  } else {
    text_ += u"\r\n";
    text_ += line;
  }
}

std::u16string CRepairLog::Get() const {
  std::lock_guard guard(lock_);
  return text_;
}

void CRepairLog::Set(const std::u16string& text) {
  std::lock_guard guard(lock_);
  text_ = text;
}

}  // namespace tarvex::model
