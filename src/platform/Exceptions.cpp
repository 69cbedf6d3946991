#include "platform/Exceptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

void RaiseLastOSError(const std::string& context) {
    throw EOSError(context + ": " + std::strerror(errno));
}

static std::string Demangle(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

std::string ExceptionClassName(const std::exception& e) { return Demangle(typeid(e).name()); }

TExceptionInfo CurrentExceptionInfo() {
    TExceptionInfo info;
    std::exception_ptr current = std::current_exception();
    if (!current) return info;
    info.Present = true;
    try {
        std::rethrow_exception(current);
    } catch (const Exception& e) {
        info.ClassName = ExceptionClassName(e);
        info.Message = e.what();
        info.Address = e.Address();
    } catch (const std::exception& e) {
        info.ClassName = ExceptionClassName(e);
        info.Message = e.what();
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        info.ClassName = type ? Demangle(type->name()) : "unknown";
    }
    return info;
}
