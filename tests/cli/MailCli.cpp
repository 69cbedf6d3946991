// quillbox-cli mail, run as the built program on sample messages.
#include "CliRunner.h"

#include <gtest/gtest.h>

namespace {

TCliRun Mail(std::vector<std::string> args) {
    args.insert(args.begin(), "mail");
    return RunCli(args);
}

std::string Sample(const std::string& name) { return std::string(QB_TEST_DATA_DIR) + "/mail/" + name; }

}  // namespace

TEST(CliMail, PrintsHeaderFieldsAndTheHtmlBody) {
    const TCliRun run = Mail({Sample("alternative.eml")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out,
              "Subject: Gr\xC3\xBC\xC3\x9F" "eaus Berlin\n"  // adjacent encoded words join
              "From-Name: Anna Berg\n"
              "From-Address: anna@example.org\n"
              "To: Smith, John <john@example.com>\n"
              "To:  <bob@example.net>\n"
              "Cc: Ren\xC3\xA9 <rene@example.fr>\n"  // from its declared Latin-1
              "Date: 03/06/01 08:20:30\n"
              "Attachments: 0\n"
              "\n"
              "<html><body><p>Gr\xC3\xBC\xC3\x9F" "e aus <b>Berlin</b>.</p></body></html>\n");
}

TEST(CliMail, FallsBackToThePlainBody) {
    const TCliRun run = Mail({Sample("uuencoded.eml")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out,
              "Subject: the file\n"
              "From-Name: Old Timer\n"
              "From-Address: old@example.com\n"
              "To:  <you@example.com>\n"
              "Date: 02/03/99 08:15:00\n"
              "Attachments: 1\n"
              "\n"
              "Here is the file.\n"
              "\n");
}

TEST(CliMail, WithoutAnyTextBodyStopsAfterTheHeaderFields) {
    const TCliRun run = Mail({Sample("attachment_only.eml")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "Subject: data\nFrom-Name: \nFrom-Address: hank@example.com\nDate: 12/30/99 00:00:00\nAttachments: 1\n");
}

TEST(CliMail, ReadsFilesSavedWithUnixLineEnds) {
    const std::string file = TestEnv::MakeTempDir("mail") + "unix.eml";
    TestEnv::WriteFile(file, "Subject: unix\nContent-Type: text/html\n\n<p>x</p>\n");
    const TCliRun run = Mail({file});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.starts_with("Subject: unix\n")) << run.Out;
    EXPECT_TRUE(run.Out.ends_with("\n\n<p>x</p>\n")) << run.Out;
}

TEST(CliMail, UnreadableInputExitsWithTwo) {
    const std::string dir = TestEnv::MakeTempDir("bad");
    TestEnv::WriteFile(dir + "bad.eml", "Subject: x\r\n\r\nbegin 644 a.bin\r\nnot uucode\r\nend\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{dir + "missing.eml"}, {dir}, {dir + "bad.eml"}, {}, {"a", "b"}}) {
        const TCliRun run = Mail(args);
        EXPECT_EQ(run.ExitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.Out, "");
    }
}
