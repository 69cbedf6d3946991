#include "hosts/ComServer.h"

#include "hosts/ConnectorHost.h"
#include "hosts/DesktopEntry.h"
#include "platform/Exceptions.h"
#include "platform/Strings.h"
#include "settings/Trap.h"

TComServer::TComServer(std::string serverFileName) : FServerFileName(std::move(serverFileName)) {}

void TComServer::AddFactory(std::unique_ptr<TComObjectFactory> factory) {
    factory->SetServerFileName(FServerFileName);
    FFactories.push_back(std::move(factory));
}

TComObjectFactory* TComServer::FindFactory(const std::string& classID) const {
    for (const auto& f : FFactories)
        if (Strings::AsciiLower(f->ClassID()) == Strings::AsciiLower(classID)) return f.get();
    return nullptr;
}

void TComServer::UpdateRegistry(bool doRegister) {
    for (const auto& f : FFactories) f->UpdateRegistry(doRegister);
    if (doRegister) {
        DesktopEntry::Install(FServerFileName);
        ConnectorHost::Install(FServerFileName);
    } else {
        DesktopEntry::Remove();
        ConnectorHost::Remove();
    }
}

bool FindCmdLineSwitch(const std::vector<std::string>& arguments, const std::string& name) {
    for (const std::string& arg : arguments)
        if (arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') &&
            Strings::AsciiLower(arg.substr(1)) == Strings::AsciiLower(name))
            return true;
    return false;
}

TServerStart TComServer::Initialize(const std::vector<std::string>& arguments,
                                    const std::function<void(const std::string&)>& showError, int& exitCode) {
    exitCode = 0;
    for (bool doRegister : {true, false}) {
        if (!FindCmdLineSwitch(arguments, doRegister ? "REGSERVER" : "UNREGSERVER")) continue;
        try {
            UpdateRegistry(doRegister);
        } catch (...) {
            exitCode = 1;
            const TExceptionInfo info = CurrentExceptionInfo();
            if (showError) showError(info.Present ? info.Message : std::string("Registration failed"));
        }
        return TServerStart::Exit;
    }
    // Started directly or by a host: register again silently, so a moved program file is
    // found again; a registry that cannot be written does not stop the start.
    TrapVoid("TComServer.Initialize", [&] { UpdateRegistry(true); });
    return TServerStart::Continue;
}
