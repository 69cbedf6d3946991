#pragma once
// What the browser window's tests share: fresh settings alone in the registry file, and the
// main window shown.
#include "hosts/frmBrowser.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "support/GuiTestEnvironment.h"

#include <memory>
#include <string>

namespace BrowserTest {

// New settings on a fresh empty store (returned), and a registry file holding only them.
inline std::string ResetSettings() {
    const std::string store = GuiTestEnv::ResetOptions();
    FileSystem::RemoveTree(DefaultRegistryFile());
    Options->Save();
    return store;
}

// The main window, shown and exposed; start, when given, is opened instead of the store.
inline std::unique_ptr<TfrmBrowser> ShowWindow(const QString& start = QString()) {
    auto window = std::make_unique<TfrmBrowser>(start);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
    return window;
}

}  // namespace BrowserTest
