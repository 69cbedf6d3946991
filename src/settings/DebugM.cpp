#include "settings/DebugM.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "settings/Options.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace DebugM {

namespace {

std::atomic<bool> FDebugMode{false};
std::atomic<int> FLogLevel{0};
std::mutex FMessageLock;  // serialises LogMessage writers, as the log's semaphore does
std::terminate_handler FPreviousTerminate = nullptr;
bool FInstalled = false;

// Appends one line; any failure (no folder, disk full) is swallowed.
void WriteLine(const std::string& line) {
    const int fd = ::open(LogFileName().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::string text = line + "\r\n";
    ssize_t written = ::write(fd, text.data(), text.size());
    (void)written;
    ::close(fd);
}

// Exceptions that escape everything end here: log them, then let the runtime end the program.
void SystemErrorHandler() {
    const TExceptionInfo info = CurrentExceptionInfo();
    // A message line, as the log's other start-up and shutdown reports are.
    LogMessage("System Error on " + (info.Present ? info.ClassName : std::string("unknown")), 0);
    if (FPreviousTerminate) FPreviousTerminate();
    std::abort();
}

bool ReadDebugModeFromRegistry() {
    try {
        TRegistry reg;
        if (!reg.OpenKey(TOptions::RegistryKey, true)) return false;
        if (!reg.ValueExists("DebugMode")) {
            reg.WriteInteger("DebugMode", 0);
            reg.CloseKey();
            return false;
        }
        return reg.ReadInteger("DebugMode") != 0;
    } catch (...) {
        // A key that cannot be opened or written leaves the log off; the program still starts.
        return false;
    }
}

}  // namespace

void Initialize() {
    FLogLevel = 0;
    FDebugMode = ReadDebugModeFromRegistry();
    if (!FInstalled) {
        FPreviousTerminate = std::set_terminate(SystemErrorHandler);
        FInstalled = true;
    }
}

void Finalize() {
    if (FInstalled) {
        std::set_terminate(FPreviousTerminate);
        FInstalled = false;
    }
}

bool DebugMode() { return FDebugMode; }
int LogLevel() { return FLogLevel; }
std::string LogFileName() { return Folders::ProgramDataFolder() + "DEBUG.LOG"; }

std::string FormatTimeStamp(double dateTime) {
    const TDateTimeParts p = DateTimeUtils::DecodeDateTime(dateTime);
    const char sep = DateTimeUtils::TimeSeparator();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "[%02d.%02d.%02d %02d%c%02d%c%02d.%03d]", p.Day, p.Month, p.Year % 100, p.Hour,
                  sep, p.Minute, sep, p.Second, p.MilliSecond);
    return buffer;
}

void LogMessage(const std::string& text, int level) {
    if (!FDebugMode || level < FLogLevel) return;
    try {
        std::lock_guard<std::mutex> lock(FMessageLock);
        WriteLine(FormatTimeStamp(DateTimeUtils::Now()) + " " + std::to_string(::gettid()) + ": " + text);
    } catch (...) {
    }
}

void LogError(const std::string& info) {
    if (!FDebugMode) return;
    try {
        const TExceptionInfo e = CurrentExceptionInfo();
        if (!e.Present) {
            LogMessage(info, 0);
            return;
        }
        char address[16];
        std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(e.Address & 0xFFFFFFFFu));
        WriteLine(FormatTimeStamp(DateTimeUtils::Now()) + ",Info: " + info + ",Msg: " + e.Message + ",ExptAdrs: $" + address);
    } catch (...) {
    }
}

}  // namespace DebugM
