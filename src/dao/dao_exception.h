#pragma once
// The one exception the database engine throws. Every failure of a call
// (bad argument, refused name or value, unreadable or damaged file, I/O error)
// arrives as this type with a message a person can read.
#include <stdexcept>
#include <string>

namespace tarvex::dao {

class DaoException : public std::runtime_error {
 public:
  explicit DaoException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tarvex::dao
