// The mail handed to the mail program: the recipient rules and the argument vector of xdg-email.
#include "TestEnvironment.h"
#include "store/MapiCtrl.h"
#include "store/UserPrompt.h"

#include <gtest/gtest.h>

namespace {

using TArgs = std::vector<std::string>;

// Records what would be started, answering as told.
struct TRecorder {
    std::vector<TArgs> Calls;
    bool Result = true;
    TProgramLauncher Launcher() {
        return [this](const TArgs& argv) {
            Calls.push_back(argv);
            return Result;
        };
    }
};

struct TBoxes : TUserPrompt {
    std::vector<std::string> Texts, Captions;
    std::vector<TIcon> Icons;
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons, TIcon icon) override {
        Texts.push_back(text);
        Captions.push_back(caption);
        Icons.push_back(icon);
        return TAnswer::OK;
    }
};

std::vector<std::string> Names(const std::vector<TMailRecipient>& records) {
    std::vector<std::string> names;
    for (const auto& r : records) names.push_back(std::to_string(r.RecipClass) + ":" + r.Name);
    return names;
}

TEST(MapiControl, RecipientsAreSplitTrimmedAndOrdered) {
    struct Case { TArgs to, cc, bcc; std::vector<std::string> records; };
    const Case cases[] = {
        {{" a@x "}, {}, {}, {"1:a@x"}},
        // The text after the first ";" becomes a further entry at the end of the same list.
        {{"a@x; b@x", "c@x"}, {}, {}, {"1:a@x", "1:c@x", "1:b@x"}},
        {{"a@x;b@x;c@x"}, {}, {}, {"1:a@x", "1:b@x", "1:c@x"}},
        {{"", "  ", ";", "a@x;"}, {}, {}, {"1:a@x"}},
        {{"t@x"}, {"c1@x;c2@x"}, {"b@x"}, {"1:t@x", "2:c1@x", "2:c2@x", "3:b@x"}},
        {{}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        TMapiControl mapi([](const TArgs&) { return true; });
        mapi.Recipients = c.to;
        mapi.CopyTo = c.cc;
        mapi.BlindCopyTo = c.bcc;
        const auto records = mapi.BuildRecipients();
        EXPECT_EQ(Names(records), c.records) << (c.to.empty() ? "" : c.to[0]);
        for (const auto& r : records) EXPECT_EQ(r.Address, "SMTP:" + r.Name);
    }
}

TEST(MapiControl, AtMostAThousandRecipientsInListOrder) {
    TMapiControl mapi([](const TArgs&) { return true; });
    for (int i = 0; i < 900; ++i) mapi.Recipients.push_back("to" + std::to_string(i) + "@x");
    std::string joined;
    for (int i = 0; i < 300; ++i) joined += "cc" + std::to_string(i) + "@x;";
    mapi.CopyTo = {joined};
    mapi.BlindCopyTo = {"never@x"};
    const auto records = mapi.BuildRecipients();
    ASSERT_EQ(records.size(), TMapiControl::MaxRecipients);
    EXPECT_EQ(records[899].Name, "to899@x");
    EXPECT_EQ(records[900].Name, "cc0@x");
    EXPECT_EQ(records.back().Name, "cc99@x");
    EXPECT_EQ(records.back().RecipClass, 2);
}

TEST(MapiControl, ArgumentsCarryEveryPartAsItsOwnArgument) {
    TRecorder recorder;
    TMapiControl mapi(recorder.Launcher());
    // Texts that a shell would expand, and values that look like options, stay values.
    mapi.Mail("me@x", "--help\nfriend@x;other@x", "Trip $(rm -rf ~)", "Me", "Title:\n Trip\n",
              "/tmp/My Notes/a b.html\n\n/tmp/tmprep.html");
    ASSERT_EQ(recorder.Calls.size(), 1u);
    const TArgs expected = {"xdg-email", "--subject", "Trip $(rm -rf ~)", "--body", "Title:\n Trip\n",
                            "--to", "--help", "--to", "friend@x", "--to", "other@x",
                            "--attach", "/tmp/My Notes/a b.html", "--attach", "/tmp/tmprep.html"};
    EXPECT_EQ(recorder.Calls[0], expected);
    EXPECT_EQ(mapi.DisplayFileName, TArgs({"a b.html", "tmprep.html"}));
}

TEST(MapiControl, EmptyPartsAreLeftOutAndNoRecipientStillOpensTheMessage) {
    TRecorder recorder;
    TMapiControl mapi(recorder.Launcher());
    bool success = false;
    mapi.OnSuccess = [&] { success = true; };
    mapi.Mail("", "", "", "", "", "");
    ASSERT_EQ(recorder.Calls.size(), 1u);
    EXPECT_EQ(recorder.Calls[0], TArgs({"xdg-email"}));
    EXPECT_TRUE(success);
}

TEST(SendLetter, FailedStartShowsTheErrorBoxOnce) {
    struct Case { bool started; size_t boxes; };
    for (auto [started, boxes] : {Case{true, 0}, Case{false, 1}}) {
        TRecorder recorder;
        recorder.Result = started;
        TBoxes prompt;
        ReportUtils::SendLetter("me@x", "Me", "", "Subject", "", "/tmp/a.html", prompt, recorder.Launcher());
        EXPECT_EQ(recorder.Calls.size(), 1u);
        ASSERT_EQ(prompt.Texts.size(), boxes);
        if (!boxes) continue;
        EXPECT_EQ(prompt.Texts[0], "Error with the mail program configuration.\r\nMail can not be sent.");
        EXPECT_EQ(prompt.Captions[0], "Error");
        EXPECT_EQ(prompt.Icons[0], TIcon::Error);
    }
}

TEST(LaunchProgram, JudgesTheProgramByItsFirstMoments) {
    EXPECT_FALSE(LaunchProgram({"no-such-mail-program"}));
    EXPECT_FALSE(LaunchProgram({"sh", "-c", "exit 3"}));  // as xdg-email does when no mailer is set up
    EXPECT_TRUE(LaunchProgram({"true"}));
    EXPECT_TRUE(LaunchProgram({"sleep", "3"}));  // still running: the mail program is up
}

}  // namespace
