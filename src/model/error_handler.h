#pragma once
// The error carrier: how file and page readers hand a failure and its message
// to their caller without throwing. One per operation, on the caller's stack.
#include <string>

namespace tarvex::model {

class CErrorHandler {
 public:
  void Set(std::u16string message, int code) {
    message_ = std::move(message);
    code_ = code;
  }
  bool Failed() const { return code_ != 0; }
  int code() const { return code_; }
  std::u16string Message() const { return message_; }

 private:
  int code_ = 0;
  std::u16string message_ = u"Operation completed successfully.";
};

}  // namespace tarvex::model
