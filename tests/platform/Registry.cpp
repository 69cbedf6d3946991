#include "TestEnvironment.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

namespace {

std::string FreshFile() { return TestEnv::MakeTempDir("reg") + "registry.reg"; }

TEST(Registry, TypedValuesSurviveTheFile) {
    const std::string file = FreshFile();
    {
        TRegistry reg(THive::CurrentUser, file);
        ASSERT_TRUE(reg.OpenKey("Software\\Brennock\\Quillbox", true));
        reg.WriteString("Text", "say \"hi\" to C:\\dir\nnext line");
        reg.WriteExpandString("Expand", "%HOME%/x");
        reg.WriteInteger("Number", -2);
        reg.WriteBool("Flag", true);
        reg.WriteBinaryData("Blob", std::string("\x00\xff\x10", 3));
        reg.CloseKey();
    }
    TRegistry reg(THive::CurrentUser, file);
    ASSERT_TRUE(reg.OpenKeyReadOnly("software\\brennock\\QUILLBOX"));  // keys ignore case
    EXPECT_EQ(reg.ReadString("text"), "say \"hi\" to C:\\dir\nnext line");
    EXPECT_EQ(reg.ReadString("Expand"), "%HOME%/x");  // an expandable string reads as a string
    EXPECT_EQ(reg.GetDataType("Expand"), TRegDataType::ExpandString);
    EXPECT_EQ(reg.ReadInteger("Number"), -2);
    EXPECT_TRUE(reg.ReadBool("Flag"));
    EXPECT_EQ(reg.ReadBinaryData("Blob"), std::string("\x00\xff\x10", 3));
    EXPECT_TRUE(reg.KeyExists("Software\\Brennock"));  // parents are made with the key
    EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\Missing"));
}

// A key of n levels below the hive: "k\k\...".
std::string DeepKey(size_t levels) {
    std::string key = "k";
    for (size_t i = 1; i < levels; ++i) key += "\\k";
    return key;
}

// Every level of a key is a key of its own in the file: a hostile file with one very deep key
// would cost memory and disk by the square of its length (and its stack, level by level).
// Such a key is skipped like a key outside the hives; the rest of the file still reads.
TEST(Registry, AKeyTooDeepIsSkippedAndCostsNothing) {
    const std::string file = FreshFile();
    TestEnv::WriteFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + DeepKey(200000) + "]\n\"v\"=\"deep\"\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Quillbox]\n\"ok\"=dword:00000001\n");
    {
        TRegistry reg(THive::CurrentUser, file);
        ASSERT_TRUE(reg.OpenKey("Software\\Quillbox", true));
        EXPECT_EQ(reg.ReadInteger("ok"), 1);
        EXPECT_FALSE(reg.KeyExists("k")) << "no level of the deep key was made";
        reg.WriteInteger("more", 2);
    }
    EXPECT_LT(TestEnv::ReadFile(file).size(), 200u) << "the written file holds only the keys kept";
}

TEST(Registry, KeysUpToTheDepthLimitAreKeptAndDeeperOnesRefused) {
    const size_t limit = TRegistryData::MaxKeyDepth;
    const std::string file = FreshFile();
    {
        TRegistry reg(THive::CurrentUser, file);
        ASSERT_TRUE(reg.OpenKey(DeepKey(limit), true));
        reg.WriteString("at", "the limit");
        EXPECT_FALSE(reg.OpenKey(DeepKey(limit + 1), true)) << "one level more is refused";
    }
    TRegistry reg(THive::CurrentUser, file);
    EXPECT_TRUE(reg.KeyExists("k\\k")) << "the parents are made with the key";
    ASSERT_TRUE(reg.OpenKeyReadOnly(DeepKey(limit)));
    EXPECT_EQ(reg.ReadString("at"), "the limit");
    EXPECT_FALSE(reg.KeyExists(DeepKey(limit + 1)));
    // The same boundary holds for keys read from a file written by hand.
    TestEnv::WriteFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + DeepKey(limit) + "]\n\"a\"=\"1\"\n\n[HKEY_CURRENT_USER\\" +
                             DeepKey(limit + 1) + "]\n\"b\"=\"2\"\n");
    TRegistry again(THive::CurrentUser, file);
    ASSERT_TRUE(again.OpenKeyReadOnly(DeepKey(limit)));
    EXPECT_EQ(again.ReadString("a"), "1");
    EXPECT_EQ(again.GetKeyNames(), std::vector<std::string>()) << "the deeper key was skipped";
}

TEST(Registry, WrongTypeRaisesInvalidDataType) {
    const std::string file = FreshFile();
    TRegistry reg(THive::CurrentUser, file);
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("S", "1");
    reg.WriteInteger("I", 1);
    try {
        reg.ReadBool("S");
        FAIL() << "a string read as a Boolean must raise";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'S'");
    }
    EXPECT_THROW(reg.ReadString("I"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_EQ(reg.ReadString("Missing"), "");
}

TEST(Registry, TwoWritersKeepEachOthersValues) {
    const std::string file = FreshFile();
    TRegistry a(THive::CurrentUser, file), b(THive::CurrentUser, file);
    ASSERT_TRUE(a.OpenKey("K", true));
    ASSERT_TRUE(b.OpenKey("K", true));
    a.WriteString("FromA", "a");
    b.WriteString("FromB", "b");
    a.CloseKey();
    b.CloseKey();  // b opened before a wrote; its write must merge, not overwrite
    TRegistry check(THive::CurrentUser, file);
    ASSERT_TRUE(check.OpenKeyReadOnly("K"));
    EXPECT_EQ(check.ReadString("FromA"), "a");
    EXPECT_EQ(check.ReadString("FromB"), "b");
}

TEST(Registry, ReadsHandWrittenRegedit4AndSkipsGarbage) {
    const std::string file = FreshFile();
    TestEnv::WriteFile(file,
                       "REGEDIT4\r\n\r\n"
                       "[HKEY_CLASSES_ROOT\\.doc\\shell\\open\\command]\r\n"
                       "@=\"\\\"/usr/bin/lowriter\\\" %1\"\r\n"
                       "this line means nothing\r\n"
                       "\"Path\"=hex(2):2f,74,\\\r\n  6d,70,00\r\n"
                       "\"Bad\"=dword:xyz\r\n"
                       "[HKEY_CURRENT_USER\\Unclosed\r\n"
                       "\"Orphan\"=\"value of no key\"\r\n"
                       "[-\\NoHive]\r\n\"Lost\"=\"a key outside every hive\"\r\n"
                       "[HKEY_CLASSES_ROOT\\.doc]\r\n"
                       "\"Content Type\"=\"application/msword\"\r\n");
    TRegistry reg(THive::ClassesRoot, file);
    ASSERT_TRUE(reg.OpenKeyReadOnly(".doc\\shell\\open\\command"));
    EXPECT_EQ(reg.ReadString(""), "\"/usr/bin/lowriter\" %1");
    EXPECT_EQ(reg.ReadString("Path"), "/tmp");  // continued hex list
    EXPECT_FALSE(reg.ValueExists("Bad"));
    ASSERT_TRUE(reg.OpenKeyReadOnly(".doc"));
    EXPECT_EQ(reg.ReadString("Content Type"), "application/msword");
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"shell"});
    TRegistry user(THive::CurrentUser, file);
    EXPECT_FALSE(user.OpenKeyReadOnly("Unclosed"));
    TRegistryData data;
    data.Parse(TestEnv::ReadFile(file));
    EXPECT_EQ(data.Serialize().find("NoHive"), std::string::npos);
}

TEST(Registry, DeletesValuesAndWholeKeys) {
    const std::string file = FreshFile();
    TRegistry reg(THive::CurrentUser, file);
    ASSERT_TRUE(reg.OpenKey("A\\B\\C", true));
    reg.WriteInteger("V", 1);
    ASSERT_TRUE(reg.OpenKey("A", true));
    reg.WriteInteger("Keep", 2);
    EXPECT_TRUE(reg.DeleteValue("Keep"));
    EXPECT_FALSE(reg.DeleteValue("Keep"));
    EXPECT_TRUE(reg.DeleteKey("A\\B"));
    reg.CloseKey();
    TRegistry check(THive::CurrentUser, file);
    EXPECT_TRUE(check.KeyExists("A"));
    EXPECT_FALSE(check.KeyExists("A\\B"));
    EXPECT_FALSE(check.KeyExists("A\\B\\C"));
}

TEST(Registry, FailedWriteLeavesTheOldFileWhole) {
    const std::string file = FreshFile();
    {
        TRegistry reg(THive::CurrentUser, file);
        ASSERT_TRUE(reg.OpenKey("K", true));
        reg.WriteString("Old", "value");
        reg.CloseKey();
    }
    const std::string before = TestEnv::ReadFile(file);
    // A file-size limit makes the write fail half way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = before.size() + 10;
    setrlimit(RLIMIT_FSIZE, &small);
    TRegistry reg(THive::CurrentUser, file);
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("New", std::string(4096, 'x'));
    EXPECT_THROW(reg.CloseKey(), ERegistryException);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(TestEnv::ReadFile(file), before);
}

}  // namespace
