#pragma once
// The running text that tells the user what a repair or a save is doing. One
// per job, shared by the repair, save and interface threads; every operation
// holds the lock for its whole duration and calls nothing out.
#include <mutex>
#include <string>

namespace tarvex::model {

class CRepairLog {
 public:
  // Lines are separated by "\r\n"; no trailing separator is ever written.
  void AppendLine(const std::u16string& line);
  std::u16string Get() const;
  void Set(const std::u16string& text);

 private:
  mutable std::mutex lock_;
  std::u16string text_;
};

}  // namespace tarvex::model
