#pragma once
// Benchmarks run in a temporary home like the tests, so they never touch the user's files.
#include <string>

namespace BenchEnv {
// The temporary home of this process, ending with "/".
const std::string& Root();
// A fresh empty folder below it, ending with "/".
std::string MakeTempDir(const std::string& name);
}  // namespace BenchEnv
