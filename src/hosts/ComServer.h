#pragma once
// The program as the server of its band classes: the factories created at start, their
// registration together with the desktop entry, and the command-line switches read before
// any window exists.
#include "hosts/ComObj.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the start does after the switches.
enum class TServerStart { Continue, Exit };

class TComServer {
public:
    // The program file registered as the classes' server and in the desktop entry.
    explicit TComServer(std::string serverFileName);

    void AddFactory(std::unique_ptr<TComObjectFactory> factory);
    const std::vector<std::unique_ptr<TComObjectFactory>>& Factories() const { return FFactories; }
    TComObjectFactory* FindFactory(const std::string& classID) const;
    const std::string& ServerFileName() const { return FServerFileName; }

    // Registers (true) or unregisters every class and installs or removes the desktop entry
    // and the connector's native host manifests.
    // Raises the registry's or the file system's exception on failure.
    void UpdateRegistry(bool doRegister);

    // Reads the switches ("-" or "/" and the name, any letter case): "REGSERVER" registers
    // and "UNREGSERVER" unregisters, both ending the program, a failure going to showError;
    // any other start registers silently and goes on. exitCode is 0, or 1 after a failure.
    TServerStart Initialize(const std::vector<std::string>& arguments,
                            const std::function<void(const std::string&)>& showError, int& exitCode);

private:
    std::string FServerFileName;
    std::vector<std::unique_ptr<TComObjectFactory>> FFactories;
};

// A switch on the command line: an argument of "-" or "/" and the name, any letter case.
bool FindCmdLineSwitch(const std::vector<std::string>& arguments, const std::string& name);
