#pragma once
// The program's own exception classes. Each remembers the code address that raised it, which
// the diagnostic log prints after "ExptAdrs: $".
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message),
          FAddress(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))) {}
    std::uintptr_t Address() const { return FAddress; }

private:
    std::uintptr_t FAddress;
};

// A text that does not convert to a number or a date-time.
class EConvertError : public Exception { using Exception::Exception; };
// A registry value of the wrong type, or a registry file that cannot be written.
class ERegistryException : public Exception { using Exception::Exception; };
// A file that cannot be read or written.
class EInOutError : public Exception { using Exception::Exception; };
// A failed system call, with the error text of errno.
class EOSError : public Exception { using Exception::Exception; };

// Raises EOSError with the given context and the text of the current errno.
[[noreturn]] void RaiseLastOSError(const std::string& context);

// The class name of an exception, demangled ("EConvertError", "std::bad_alloc").
std::string ExceptionClassName(const std::exception& e);
// The class name and message of the exception being handled, or nothing when none is.
struct TExceptionInfo {
    bool Present = false;
    std::string ClassName;
    std::string Message;
    std::uintptr_t Address = 0;
};
TExceptionInfo CurrentExceptionInfo();
