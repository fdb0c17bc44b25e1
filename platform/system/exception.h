#pragma once

#include <stdexcept>
#include <string>

namespace vorn {

// The base of every error the program raises: it carries only its message.
// Conversion and data errors use it directly; the engine derives its own classes.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Raised by text-to-number and text-to-date conversions.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace vorn
