#include "TestEnvironment.h"
#include "platform/MimeTypes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

namespace {

TEST(Shell, RunsProgramsWithoutAShell) {
    EXPECT_FALSE(Shell::FindProgram("sh").empty());
    EXPECT_EQ(Shell::FindProgram("no-such-program-here"), "");
    std::string out;
    // The argument reaches the program as it is: no shell expands or splits it.
    ASSERT_TRUE(Shell::RunCapture({"echo", "$HOME; rm -rf *"}, out));
    EXPECT_EQ(out, "$HOME; rm -rf *\n");
    EXPECT_FALSE(Shell::RunCapture({"false"}, out));
    EXPECT_FALSE(Shell::RunCapture({"no-such-program-here"}, out));
    EXPECT_EQ(Shell::RunWait({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(Shell::RunWait({"sleep", "5"}, 100), -1);  // killed at the time limit
}

TEST(MimeTypes, RegistryFirstThenTheSystemTable) {
    EXPECT_EQ(MimeTypes::MimeTypeForExtension(".png"), "image/png");
    EXPECT_EQ(MimeTypes::MimeTypeForExtension("HTML"), "text/html");
    EXPECT_EQ(MimeTypes::MimeTypeForExtension(".nosuchext"), "application/octet-stream");
    EXPECT_EQ(MimeTypes::MimeTypeForExtension(""), "application/octet-stream");
    {
        TRegistry reg(THive::ClassesRoot);
        ASSERT_TRUE(reg.OpenKey(".png", true));
        reg.WriteString("Content Type", "image/x-custom-png");
    }
    EXPECT_EQ(MimeTypes::MimeTypeForExtension(".png"), "image/x-custom-png");
}

}  // namespace
