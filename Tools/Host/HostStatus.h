#pragma once
// The outcome of one step of the host: success, or a one-line message that
// tells the user what went wrong ("cannot open 'in.wav': ..."). Every step
// of the host reports failure this way; nothing throws.

#include <string>
#include <utility>

namespace pw::host {

class Status
{
public:
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool IsOk() const noexcept { return mOk; }
  explicit operator bool() const noexcept { return mOk; }
  // Empty on success.
  const std::string& Message() const noexcept { return mMessage; }

private:
  Status() = default;
  explicit Status(std::string message)
  : mOk(false)
  , mMessage(std::move(message))
  {}

  bool mOk = true;
  std::string mMessage;
};

} // namespace pw::host
