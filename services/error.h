#pragma once

#include <exception>
#include <string>

namespace vx {

// The one error type of the program. It carries the text the user is shown;
// errors travel as exceptions and are shown at the application's dispatch.
class Error : public std::exception {
public:
    explicit Error(std::wstring message);

    const std::wstring& message() const noexcept { return message_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring message_;
    std::string narrow_;
};

// UTF-16 <-> UTF-8 for the few places that need narrow text (exception
// what(), test output). Invalid sequences become U+FFFD.
std::string to_utf8(const std::wstring& text);
std::wstring from_utf8(const std::string& text);

} // namespace vx
