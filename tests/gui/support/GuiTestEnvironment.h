#pragma once
// Every GUI test process runs in its own temporary home (HOME, the XDG folders and TMPDIR
// below one fresh folder, locale C.UTF-8, time zone UTC) on the offscreen platform, with the
// global Options made afresh for each test function by ResetOptions.
#include "SandboxHome.h"

#include <QApplication>
#include <QtTest>
#include <string>

namespace GuiTestEnv {

// Prepares the process before the application object exists.
void Setup();
void Teardown();
// The temporary home, ending with "/".
const std::string& Root();
// A fresh empty folder below it, ending with "/".
std::string MakeTempDir(const std::string& name);
using SandboxHome::ReadFile;
using SandboxHome::WriteFile;
// New Options: a fresh empty store (returned, ending with "/"), the program folder in a fresh
// folder, DefFolder empty, the rest at their defaults; saved to the registry file.
std::string ResetOptions();

}  // namespace GuiTestEnv

#define QB_GUI_TEST_MAIN(TestClass)                      \
    int main(int argc, char** argv) {                    \
        GuiTestEnv::Setup();                             \
        int rc = 0;                                      \
        {                                                \
            QApplication app(argc, argv);                \
            TestClass test;                              \
            rc = QTest::qExec(&test, argc, argv);        \
        }                                                \
        GuiTestEnv::Teardown();                          \
        return rc;                                       \
    }
