// The error family of the import implementation. Every error that the
// implementation raises derives from Exception, so the import command can
// report all of them through a single catch.
#pragma once

#include <exception>
#include <string>

/// Base of every error the implementation raises; carries the message text
/// that the user sees after "Error while importing:\n".
class Exception : public std::exception {
 public:
  /// Creates an error with the given message text.
  explicit Exception(std::string message) : message_(std::move(message)) {}

  /// The message text, exactly as it is shown to the user.
  const std::string& Message() const noexcept { return message_; }

  /// The message text as a C string, for generic handlers and test output.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

/// Raised by the text scanner when the text ends before what it looks for.
class EParserError : public Exception {
  using Exception::Exception;
};

/// Raised by a bounds-checked read of one of the model's object lists.
class EListError : public Exception {
  using Exception::Exception;
};

/// Raised by a bounds-checked read of a string list (the material names).
class EStringListError : public Exception {
  using Exception::Exception;
};

/// Raised when a text field does not convert to a number.
class EConvertError : public Exception {
  using Exception::Exception;
};

/// Raised when a file cannot be opened.
class EFOpenError : public Exception {
  using Exception::Exception;
};

/// Raised when the host's model library refuses to add a mesh, vertex or
/// triangle: an Add gave no index, or a Get gave no record.
class EHostError : public Exception {
  using Exception::Exception;
};
