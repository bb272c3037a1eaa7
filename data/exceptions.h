// The error family of the system: every error carries one message text (UTF-8), and the
// application's exception display shows that text.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <utility>

namespace zirt {

// Base of every error the system raises on purpose. The message is kept whole: a refused
// text may hold any byte, a NUL included.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A number text that ParseReal or ParseInteger refused.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Floating-point division of a non-zero value by zero.
class EZeroDivide : public Exception {
 public:
  EZeroDivide() : Exception("Floating point division by zero") {}
};

// Invalid floating-point operation: 0/0, the square root of a negative number.
class EInvalidOp : public Exception {
 public:
  EInvalidOp() : Exception("Invalid floating point operation") {}
};

// A result beyond the range of a double.
class EOverflow : public Exception {
 public:
  EOverflow() : Exception("Floating point overflow") {}
};

// An index outside an array; carries the index and the array's length.
class ERangeError : public Exception {
 public:
  ERangeError(std::ptrdiff_t index, std::size_t length);
  std::ptrdiff_t Index() const { return index_; }
  std::size_t Length() const { return length_; }

 private:
  std::ptrdiff_t index_;
  std::size_t length_;
};

// The text the application's exception display shows for a message: a full stop is added
// when the message is not empty and its last byte sorts after '.'.
std::string DisplayText(const std::string& message);

}  // namespace zirt
