#pragma once
// The exception trap every operation of the program runs in: the body runs inside a handler
// that catches everything, logs the operation's trace name and returns the fallback.
#include "settings/DebugM.h"

#include <type_traits>
#include <utility>

template <class T, class Body>
T Trap(const char* traceName, T fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        DebugM::LogError(traceName);
        return fallback;
    }
}

// For operations without a result, or whose result is assigned step by step by the body and
// keeps what was assigned before a failure. Returns false when something was trapped.
template <class Body>
bool TrapVoid(const char* traceName, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        DebugM::LogError(traceName);
        return false;
    }
}
