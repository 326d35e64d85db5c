#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace toolkit {

// Raised by a control operation that cannot be carried out (a value out of
// range, for instance). It ends the handler that caused it.
class ToolkitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs one notification handler. Whatever it throws stops there: the default
// error report is shown and the program goes on, so nothing reaches Qt's loop.
void RunHandler(const std::function<void()>& handler) noexcept;

// The default error report: one line on stderr and, when a GUI is running,
// one non-modal message box (never a second while the first is still open).
void ReportError(const std::string& message) noexcept;

}  // namespace toolkit
