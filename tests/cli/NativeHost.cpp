// quillbox-cli native-host through the binary: framed messages in, framed answers out, notes
// on disk as a capture in the window makes them, and bad messages refused with nothing written.
#include "CliRunner.h"
#include "dropimport/MailCodecs.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "store/NoteFile.h"
#include "store/StoreSignal.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <filesystem>

using json = nlohmann::json;

namespace {

const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1", 20);

std::string Frame(const std::string& body) {
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    std::string out(4, '\0');
    std::memcpy(out.data(), &length, 4);
    return out + body;
}
std::string Frame(const json& message) { return Frame(message.dump()); }

// The answers of one run, unframed; a frame that does not fit fails the test.
std::vector<json> Answers(const std::string& out) {
    std::vector<json> answers;
    size_t at = 0;
    while (at < out.size()) {
        std::uint32_t length = 0;
        EXPECT_GE(out.size() - at, 4u);
        if (out.size() - at < 4) break;
        std::memcpy(&length, out.data() + at, 4);
        EXPECT_GE(out.size() - at - 4, length);
        answers.push_back(json::parse(out.substr(at + 4, length)));
        at += 4 + length;
    }
    return answers;
}

// Every file under dir, relative to it.
std::vector<std::string> Files(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path().string().substr(dir.size()));
    std::sort(files.begin(), files.end());
    return files;
}

class NativeHost : public ::testing::Test {
protected:
    std::string FStore;
    void SetUp() override {
        FStore = UseFreshStore();
        FileSystem::ForceDirectories(FStore + "Inbox/Web");
        FileSystem::ForceDirectories(FStore + "Trips");
    }
    // Runs the host with input on standard input; returns its answers.
    std::vector<json> Host(const std::string& input, int expectedExit = 0) {
        const std::string in = TestEnv::Root() + "host.in";
        TestEnv::WriteFile(in, input);
        const TCliRun run = RunCli({"native-host"}, in);
        EXPECT_EQ(run.ExitCode, expectedExit) << run.Err;
        return Answers(run.Out);
    }
    static json Clip(const std::string& kind, json extra = json::object()) {
        json m = {{"type", "clip"}, {"kind", kind}, {"url", "https://ex.org/a/page.html"}, {"pageTitle", "A <page>"},
                  {"html", "<p>Hello &amp; welcome</p><img src=\"pic.png\">"}, {"folder", "Inbox/Web"}};
        m.update(extra);
        return m;
    }
    std::string Read(const std::string& node) const { return TestEnv::ReadFile(FStore + node + ".html"); }
    static ReportUtils::TNoteInfo Info(const std::string& file) {
        ReportUtils::TNoteInfo info;
        EXPECT_TRUE(ReportUtils::LoadNodeFromFile(file, info)) << file;
        return info;
    }
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(NativeHost, ListsTheFoldersOfTheStore) {
    const std::vector<json> answers = Host(Frame(json{{"type", "folders"}}));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0]["ok"], true);
    EXPECT_EQ(answers[0]["folders"], json::array({"Inbox", "Inbox/Web", "Trips"}));
    EXPECT_TRUE(answers[0]["confirm"].is_boolean());
}

TEST_F(NativeHost, EachKindOfClipBecomesItsNote) {
    const json pictures = json::array({{{"url", "https://ex.org/a/pic.png"}, {"data", MailCodecs::EncodeBase64(Png)}}});
    struct TCase {
        json Message;
        std::string Node;         // the note made
        std::string Title;        // its info block's original title
        std::vector<std::string> Present, Absent;  // in the note's file
    } cases[] = {
        {Clip("selection", {{"pictures", pictures}, {"comments", "mine"}}), "Inbox/Web/A page", "A <page>",
         {"<p>Hello &amp; welcome</p><img src=\"A%20page.files/pic.png\">"}, {}},
        {Clip("page", {{"title", "Own name"}, {"url", "https://two.org/"}}), "Inbox/Web/Own name", "A <page>", {"<p>Hello &amp; welcome</p>"}, {}},
        {Clip("images", {{"folder", "Trips"}, {"pictures", pictures}, {"url", "https://ex.org/a/page.html"}}), "Trips/Images from A page", "Images from A <page>",
         {"Images%20from%20A%20page.files/pic.png"}, {"Hello"}},
        {Clip("link", {{"url", "https://three.org/x?a=1&b=\"2\""}, {"pageTitle", "<b>Read</b>"}, {"folder", "Trips"}}),
         "Trips/b Read b", "<b>Read</b>",
         {"<A HREF=\"https://three.org/x?a=1&amp;b=&quot;2&quot;\">&lt;b&gt;Read&lt;/b&gt;</A>"}, {"<b>"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Node);
        const std::vector<json> answers = Host(Frame(c.Message));
        ASSERT_EQ(answers.size(), 1u);
        ASSERT_EQ(answers[0]["ok"], true) << answers[0].dump();
        EXPECT_EQ(answers[0]["note"], c.Node);
        EXPECT_EQ(answers[0]["appended"], false);
        const std::string note = Read(c.Node);
        for (const std::string& part : c.Present) EXPECT_TRUE(Contains(note, part)) << note;
        for (const std::string& part : c.Absent) EXPECT_FALSE(Contains(note, part)) << note;
        EXPECT_EQ(CodePage::Utf16ToUtf8(Info(FStore + c.Node + ".html").OriginalTitle), c.Title);
    }
    EXPECT_EQ(TestEnv::ReadFile(FStore + "Inbox/Web/A page.files/pic.png"), Png);
    EXPECT_EQ(TestEnv::ReadFile(StoreSignal::StampFile()), "Trips/b Read b\n");  // a running window reloads
    EXPECT_EQ(Info(FStore + "Inbox/Web/A page.html").Comments, u"mine");
}

TEST_F(NativeHost, ASecondClipOfTheSameSiteIsAppendedAndSettingsAreKept) {
    const std::vector<json> answers =
        Host(Frame(Clip("selection")) + Frame(Clip("selection", {{"html", "<p>Second part</p>"}, {"url", "https://ex.org/b"}})));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1]["ok"], true) << answers[1].dump();
    EXPECT_EQ(answers[1]["appended"], true);
    EXPECT_EQ(answers[1]["note"], "Inbox/Web/A page");
    const std::string note = Read("Inbox/Web/A page");
    EXPECT_LT(note.find("Hello"), note.find("Second part"));
    EXPECT_EQ(Files(FStore), (std::vector<std::string>{"Inbox/Web/A page.html"}));
    // The folder chosen becomes the default of the next run, as in the window.
    EXPECT_EQ(Host(Frame(json{{"type", "folders"}}))[0]["defaultFolder"], "Inbox/Web");
}

TEST_F(NativeHost, BadMessagesAreAnsweredWithAnErrorAndWriteNothing) {
    const std::string huge(4, '\xff');  // a length of 4 GB - 1
    const struct {
        const char* Name;
        std::string Input;
        int Exit;
    } cases[] = {
        {"malformed JSON", Frame(std::string("{\"type\":\"clip\",")), 0},
        {"not an object", Frame(std::string("[1,2]")), 0},
        {"unknown type", Frame(json{{"type", "run"}, {"command", "touch /tmp/x"}}), 0},
        {"unknown kind", Frame(Clip("script")), 0},
        {"wrong value type", Frame(Clip("page", {{"title", 5}})), 0},
        {"folder leaving the store", Frame(Clip("page", {{"folder", "../outside"}})), 0},
        {"absolute folder", Frame(Clip("page", {{"folder", "/tmp"}})), 0},
        {"missing folder", Frame(Clip("page", {{"folder", "Nowhere"}})), 0},
        {"picture not base64", Frame(Clip("page", {{"pictures", json::array({{{"url", "p.png"}, {"data", "<>"}}})}})), 0},
        {"over the size limit", huge + std::string(1000, 'x'), 2},
        {"truncated frame", Frame(Clip("page")).substr(0, 30), 2},
        {"truncated length", std::string("\x10\x00", 2), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<json> answers = Host(c.Input, c.Exit);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0]["ok"], false);
        EXPECT_FALSE(answers[0]["error"].get<std::string>().empty());
        EXPECT_TRUE(Files(FStore).empty()) << Files(FStore)[0];
    }
    EXPECT_FALSE(FileSystem::DirectoryExists(FStore + "../outside"));
    EXPECT_FALSE(FileSystem::FileExists(StoreSignal::StampFile()));
}

TEST_F(NativeHost, AMessageOverTheLimitIsSkippedAndTheNextOneAnswered) {
    const std::uint32_t tooLong = (96u << 20) + 1;
    std::string input(4, '\0');
    std::memcpy(input.data(), &tooLong, 4);
    input += std::string(tooLong, ' ') + Frame(json{{"type", "folders"}});
    const std::vector<json> answers = Host(input);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]["ok"], false);
    EXPECT_EQ(answers[1]["ok"], true);
}
