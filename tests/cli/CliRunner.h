#pragma once
// Runs the built quillbox-cli in the test's sandbox home, with its output and exit code.
#include "TestEnvironment.h"
#include "platform/Registry.h"
#include "settings/Options.h"

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct TCliRun {
    int ExitCode = -1;
    std::string Out, Err;
};

// quillbox-cli with the given arguments; standard output and error are captured apart.
// Standard input is the file input.
inline TCliRun RunCli(std::vector<std::string> args, const std::string& input = "/dev/null") {
    const std::string out = TestEnv::Root() + "cli.out", err = TestEnv::Root() + "cli.err";
    args.insert(args.begin(), QB_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(input.c_str(), O_RDONLY), 0);  // never a terminal to ask on
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TestEnv::ReadFile(out), TestEnv::ReadFile(err)};
}

// A fresh store folder, named in the settings the program reads at start.
inline std::string UseFreshStore() {
    const std::string store = TestEnv::MakeTempDir("store");
    TRegistry reg;
    reg.OpenKey(TOptions::RegistryKey, true);
    reg.WriteString("FolderToStore", store);
    reg.CloseKey();
    return store;
}
