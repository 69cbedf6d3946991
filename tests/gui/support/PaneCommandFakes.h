#pragma once
// Stand-ins for the pane's commands: a launcher that records the programs a command would
// start, and a dialog factory whose preferences dialog runs a script.
#include "pane/PlumetsLib.h"
#include "pane/frmMain.h"
#include "platform/Exceptions.h"
#include "store/MapiCtrl.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <functional>
#include <string>
#include <vector>

struct TRecordingLauncher {
    std::vector<std::vector<std::string>> Calls;
    bool Result = true;
    TProgramLauncher Launcher() {
        return [this](const std::vector<std::string>& argv) {
            Calls.push_back(argv);
            return Result;
        };
    }
};

// The preferences dialog: OnShow gets the page argument and answers whether it was accepted.
class TScriptedPrefs : public IPlumetsPrefs {
public:
    explicit TScriptedPrefs(std::function<bool(int)> onShow) : FOnShow(std::move(onShow)) {}
    void ShowModal(int page) override { FAccepted = FOnShow ? FOnShow(page) : false; }
    bool Accepted() override { return FAccepted; }

private:
    std::function<bool(int)> FOnShow;
    bool FAccepted = false;
};

class TScriptedDialogs : public TDialogFactory {
public:
    std::function<bool(int)> OnPrefs;
    std::vector<int> PrefsPages;  // the argument of each preferences dialog shown
    std::unique_ptr<IPlumetAddDlg> CreateAddDlg() override { throw EOSError("no add-note dialog here"); }
    std::unique_ptr<IPlumetsAddFolderDlg> CreateAddFolderDlg() override { throw EOSError("no add-folder dialog here"); }
    std::unique_ptr<IPlumetsPrefs> CreatePrefs() override {
        return std::make_unique<TScriptedPrefs>([this](int page) {
            PrefsPages.push_back(page);
            return OnPrefs ? OnPrefs(page) : false;
        });
    }
};

// A pane made with all of the above, the fakes kept at hand for the checks, on a fresh store.
struct TPaneRig {
    std::string FStore;
    TFakeBrowser FBrowser;
    TRecordingLauncher FLauncher;
    TScriptedDialogs* FDialogs = nullptr;
    TScriptedPrompt* FPrompt = nullptr;

    // withBrowser false: a pane whose host has no browser. scriptedDialogs false: the pane's
    // own dialogs (a capture needs its add-note form even when it is not shown).
    std::unique_ptr<TfrmMain> MakePane(bool withBrowser = true, bool scriptedDialogs = true) {
        auto dialogs = scriptedDialogs ? std::make_unique<TScriptedDialogs>() : nullptr;
        auto prompt = std::make_unique<TScriptedPrompt>();
        FDialogs = dialogs.get();
        FPrompt = prompt.get();
        auto pane = std::make_unique<TfrmMain>(nullptr, std::move(dialogs), std::move(prompt));
        pane->SetWebBrowser(withBrowser ? &FBrowser : nullptr);
        pane->SetStandalone(true);
        pane->SetLauncher(FLauncher.Launcher());
        return pane;
    }
    // Fresh options and store (each test function's init), the fakes emptied.
    void ResetRig() {
        FStore = GuiTestEnv::ResetOptions();
        FBrowser.Navigations.clear();
        FLauncher.Calls.clear();
        FLauncher.Result = true;
    }
};
