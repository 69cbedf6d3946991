// Registration of the band in the registry file and the desktop entry, the command-line
// switches of the program's start, and the start's own small rules.
#include "hosts/BandFactory.h"
#include "hosts/ComServer.h"
#include "hosts/ConnectorHost.h"
#include "hosts/DesktopEntry.h"
#include "hosts/NotesMain.h"
#include "hosts/ProgramStart.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "support/GuiTestEnvironment.h"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <unistd.h>

namespace {

constexpr const char* Program = "/opt/quill view/quillview";
const std::string K = "HKEY_CLASSES_ROOT\\CLSID\\{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}";
const std::string P = "HKEY_CLASSES_ROOT\\quillview.Notes";
const std::string B = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}";

// Every key of the registry file with its values as "name=text" (the default value as "@").
std::map<std::string, std::vector<std::string>> Dump() {
    TRegistryData data;
    std::string bytes;
    if (FileSystem::TryReadFile(DefaultRegistryFile(), bytes)) data.Parse(bytes);
    std::map<std::string, std::vector<std::string>> keys;
    for (const char* hive : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"}) {
        std::vector<std::string> pending{hive};
        while (!pending.empty()) {
            const std::string path = pending.back();
            pending.pop_back();
            if (const TRegistryData::TKey* key = data.FindKey(path)) {
                auto& values = keys[key->Path];
                for (const auto& [name, value] : key->Values)
                    values.push_back((name.empty() ? "@" : name) + "=" + value.Data);
            }
            for (const std::string& sub : data.SubKeyNames(path)) pending.push_back(path + "\\" + sub);
        }
    }
    return keys;
}

std::unique_ptr<TComServer> MakeServer() {
    auto server = std::make_unique<TComServer>(Program);
    server->AddFactory(std::make_unique<TNotesMainFactory>());
    return server;
}

// An Explorer bar with a home page, to reach the Instance keys.
class TBarWithPage : public TzInfoBandObjectFactory {
public:
    TBarWithPage() : TzInfoBandObjectFactory("{11111111-2222-3333-4444-555555555555}", "Pad", "Pad",
                                             TClassInstancing::ciMultiInstance, TThreadingModel::tmApartment) {}
    std::unique_ptr<TComObject> CreateComObject() override { return nullptr; }
    std::string GetURL() override { return "https://example.org/pad"; }
};

}  // namespace

class TestRegistration : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FileSystem::RemoveTree(DefaultRegistryFile());
        FileSystem::RemoveTree(DesktopEntry::FileName());
    }

    void registerWritesExactlyTheBandKeys() {
        MakeServer()->UpdateRegistry(true);
        const std::map<std::string, std::vector<std::string>> expected = {
            {K, {"@=&Quillbox"}},
            {K + "\\LocalServer32", {std::string("@=") + Program}},
            {K + "\\ProgID", {"@=quillview.Notes"}},
            {K + "\\Implemented Categories", {}},
            {K + "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}", {"@="}},
            {P, {"@=&Quillbox"}},
            {P + "\\Clsid", {"@={B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}"}},
            {B, {"BarSize=FE,00,90,01,00,00,00,00"}},
        };
        auto dump = Dump();
        // Parent keys created on the way (CLSID, Software...) hold nothing.
        std::erase_if(dump, [&](const auto& entry) { return entry.second.empty() && !expected.count(entry.first); });
        QCOMPARE(dump, expected);
        TRegistry reg(THive::CurrentUser);
        QVERIFY(reg.OpenKeyReadOnly(B.substr(B.find('\\') + 1)));
        QVERIFY(reg.GetDataType("BarSize") == TRegDataType::String);
    }

    void unregisterRemovesThemAndKeepsOthers() {
        TRegistry foreign(THive::ClassesRoot);
        QVERIFY(foreign.OpenKey("CLSID\\{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}\\Implemented Categories\\{OTHER}", true));
        foreign.CloseKey();
        QVERIFY(foreign.OpenKey("CLSID\\{00000000-0000-0000-0000-000000000001}", true));
        foreign.WriteString("", "another program");
        foreign.CloseKey();

        auto server = MakeServer();
        server->UpdateRegistry(true);
        QVERIFY(FileSystem::FileExists(DesktopEntry::FileName()));
        server->UpdateRegistry(false);
        const auto dump = Dump();
        QVERIFY(!dump.count(P));
        QVERIFY(!dump.count(P + "\\Clsid"));
        QVERIFY(!dump.count(B));
        QVERIFY(!dump.count(K + "\\LocalServer32"));
        QVERIFY(!dump.count(K + "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}"));
        // A category of another program keeps its key, and so the keys above it.
        QVERIFY(dump.count(K + "\\Implemented Categories\\{OTHER}"));
        QVERIFY(dump.count("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}"));
        QVERIFY(!FileSystem::FileExists(DesktopEntry::FileName()));
    }

    // Each browser's manifest names the launcher and allows the connector alone; the launcher
    // starts the command-line tool beside the program, quoted for the shell.
    void registerInstallsTheConnectorHostAndUnregisterRemovesIt() {
        auto server = MakeServer();
        server->UpdateRegistry(true);
        const std::string launcher = ConnectorHost::LauncherFile();
        QCOMPARE(GuiTestEnv::ReadFile(launcher), std::string("#!/bin/sh\n# Started by the browser for the Quillbox connector.\n"
                                                          "exec '/opt/quill view/quillbox-cli' native-host\n"));
        QVERIFY(::access(launcher.c_str(), X_OK) == 0);
        const std::string home = std::getenv("HOME");
        const std::vector<std::string> files = ConnectorHost::ManifestFiles();
        const std::vector<std::string> expected = {home + "/.mozilla/native-messaging-hosts/org.quillbox.connector.json",
                                                   home + "/.config/chromium/NativeMessagingHosts/org.quillbox.connector.json",
                                                   home + "/.config/google-chrome/NativeMessagingHosts/org.quillbox.connector.json"};
        QCOMPARE(files, expected);
        for (size_t i = 0; i < files.size(); ++i) {
            const nlohmann::json manifest = nlohmann::json::parse(GuiTestEnv::ReadFile(files[i]));
            QCOMPARE(manifest["name"].get<std::string>(), std::string("org.quillbox.connector"));
            QCOMPARE(manifest["path"].get<std::string>(), launcher);
            QCOMPARE(manifest["type"].get<std::string>(), std::string("stdio"));
            const nlohmann::json allowed = i == 0 ? nlohmann::json{{"allowed_extensions", {"quillbox-connector@quillbox"}}}
                                                  : nlohmann::json{{"allowed_origins", {"chrome-extension://adfcejolbcmecmijfffolfochijcblcb/"}}};
            QVERIFY(manifest.size() == 5);
            QVERIFY(manifest[allowed.begin().key()] == allowed.begin().value());
        }
        server->UpdateRegistry(false);
        for (const std::string& file : files) QVERIFY(!FileSystem::FileExists(file));
        QVERIFY(!FileSystem::FileExists(launcher));
        QVERIFY(FileSystem::DirectoryExists(home + "/.mozilla/native-messaging-hosts"));  // the browser's folder stays
    }

    void homePageGoesUnderInstance() {
        TBarWithPage factory;
        factory.SetServerFileName(Program);
        factory.UpdateRegistry(true);
        const std::string k = "HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}";
        auto dump = Dump();
        QCOMPARE(dump[k + "\\Instance\\CLSID"], std::vector<std::string>{"@={4D5C8C2A-D075-11D0-B416-00C04FB90376}"});
        QCOMPARE(dump[k + "\\Instance\\InitPropertyBag\\Url"], std::vector<std::string>{"@=https://example.org/pad"});
        QCOMPARE(dump[std::string("HKEY_CURRENT_USER\\") + ExplorerBarsKey + factory.ClassID()],
                 std::vector<std::string>{"BarSize=20,00,20,00,00,00,00,00"});
        factory.UpdateRegistry(false);
        dump = Dump();
        for (const auto& [key, values] : dump) QVERIFY2(key.find("{11111111") == std::string::npos, key.c_str());
    }

    void barSizeString_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("text");
        QTest::newRow("notes pane") << 254 << 400 << "FE,00,90,01,00,00,00,00";
        QTest::newRow("defaults") << 32 << 32 << "20,00,20,00,00,00,00,00";
        QTest::newRow("both bytes") << 0x1234 << 0xABCD << "34,12,CD,AB,00,00,00,00";
        QTest::newRow("zero") << 0 << 0 << "00,00,00,00,00,00,00,00";
    }
    void barSizeString() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(BarSizeString(width, height)), text);
    }

    void progIDFollowsTheProgramFile() {
        TNotesMainFactory factory;
        factory.SetServerFileName("/usr/bin/quillbox");
        QCOMPARE(factory.ProgID(), std::string("quillbox.Notes"));
        factory.SetServerFileName("/opt/x.y/quillview.exe");
        QCOMPARE(factory.ProgID(), std::string("quillview.Notes"));
    }

    void switches_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<bool>("registered");
        QTest::newRow("none") << QStringList{"quillbox"} << true << true;
        QTest::newRow("dash") << QStringList{"quillbox", "-regserver"} << false << true;
        QTest::newRow("slash mixed case") << QStringList{"quillbox", "/RegServer"} << false << true;
        QTest::newRow("unregister") << QStringList{"quillbox", "/UNREGSERVER"} << false << false;
        QTest::newRow("embedding") << QStringList{"quillbox", "-Embedding"} << true << true;
        QTest::newRow("no prefix is no switch") << QStringList{"quillbox", "unregserver"} << true << true;
        QTest::newRow("double dash is no switch") << QStringList{"quillbox", "--unregserver"} << true << true;
    }
    void switches() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, goesOn);
        QFETCH(bool, registered);
        MakeServer()->UpdateRegistry(!registered);  // start from the opposite state
        std::vector<std::string> args;
        for (const QString& a : arguments) args.push_back(a.toStdString());
        int exitCode = -1;
        QStringList errors;
        auto server = MakeServer();
        const TServerStart start = server->Initialize(args, [&](const std::string& m) { errors << QString::fromStdString(m); }, exitCode);
        QCOMPARE(start == TServerStart::Continue, goesOn);
        QCOMPARE(exitCode, 0);
        QVERIFY(errors.isEmpty());
        QCOMPARE(Dump().count(K + "\\LocalServer32") == 1, registered);
        QCOMPARE(FileSystem::FileExists(DesktopEntry::FileName()), registered);
    }

    // A registry file that cannot be written: "-REGSERVER" tells the user and fails, a plain
    // start goes on silently.
    void registryFailure() {
        QVERIFY(FileSystem::ForceDirectories(DefaultRegistryFile() + "/"));
        int exitCode = 0;
        QStringList errors;
        auto report = [&](const std::string& m) { errors << QString::fromStdString(m); };
        QVERIFY(MakeServer()->Initialize({"quillbox", "-REGSERVER"}, report, exitCode) == TServerStart::Exit);
        QCOMPARE(exitCode, 1);
        QCOMPARE(errors.size(), 1);
        errors.clear();
        QVERIFY(MakeServer()->Initialize({"quillbox"}, report, exitCode) == TServerStart::Continue);
        QCOMPARE(exitCode, 0);
        QVERIFY(errors.isEmpty());
        FileSystem::RemoveTree(DefaultRegistryFile());
    }

    void desktopEntry() {
        DesktopEntry::Install(Program);
        const std::string text = GuiTestEnv::ReadFile(DesktopEntry::FileName());
        QVERIFY(text.starts_with("[Desktop Entry]\n"));
        QVERIFY(text.find("\nExec=\"/opt/quill view/quillview\" %u\n") != std::string::npos);
        QVERIFY(text.find("\nName=Quillbox\n") != std::string::npos);
        QVERIFY(DesktopEntry::Remove());
        QVERIFY(!DesktopEntry::Remove());
    }

    void execArgumentQuoting_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "/usr/bin/quillbox" << "/usr/bin/quillbox";
        QTest::newRow("blank") << "/a b/q" << "\"/a b/q\"";
        QTest::newRow("dollar and quote") << "/a$b\"c" << "\"/a\\\\$b\\\\\"c\"";
        QTest::newRow("percent") << "/100%/q" << "/100%%/q";
        QTest::newRow("backslash") << "/a\\b" << "\"/a\\\\\\\\b\"";
    }
    void execArgumentQuoting() {
        QFETCH(QString, argument);
        QFETCH(QString, quoted);
        QCOMPARE(QString::fromStdString(DesktopEntry::QuoteExecArgument(argument.toStdString())), quoted);
    }

    void chromiumFlags_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("root");
        QTest::addColumn<QString>("flags");
        QTest::newRow("user keeps its flags") << "--foo" << false << "--foo";
        QTest::newRow("root adds both") << "" << true << "--no-sandbox --disable-gpu";
        QTest::newRow("root keeps what is there") << "--disable-gpu --bar" << true << "--disable-gpu --bar --no-sandbox";
    }
    void chromiumFlags() {
        QFETCH(QString, current);
        QFETCH(bool, root);
        QFETCH(QString, flags);
        QCOMPARE(QString::fromStdString(ProgramStart::ChromiumFlags(current.toStdString(), root)), flags);
    }

    void hasDisplay_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("x11");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<bool>("display");
        QTest::newRow("nothing set") << QString() << QString() << QString() << false;
        QTest::newRow("empty values") << "" << "" << "" << false;
        QTest::newRow("X11") << QString() << ":0" << QString() << true;
        QTest::newRow("Wayland") << QString() << QString() << "wayland-0" << true;
        QTest::newRow("xcb without X11") << "xcb" << QString() << "wayland-0" << false;
        QTest::newRow("wayland without Wayland") << "wayland" << ":1" << QString() << false;
        QTest::newRow("offscreen needs none") << "offscreen" << QString() << QString() << true;
        QTest::newRow("fallback list") << "wayland;xcb" << ":0" << QString() << true;
        QTest::newRow("fallback list, neither") << "wayland;xcb" << QString() << QString() << false;
    }
    void hasDisplay() {
        QFETCH(QString, platform);
        QFETCH(QString, x11);
        QFETCH(QString, wayland);
        QFETCH(bool, display);
        const auto value = [](const QString& s) { return s.isNull() ? std::optional<std::string>() : s.toStdString(); };
        const auto p = value(platform), x = value(x11), w = value(wayland);
        QCOMPARE(ProgramStart::HasDisplay(p ? p->c_str() : nullptr, x ? x->c_str() : nullptr, w ? w->c_str() : nullptr), display);
    }

    void startAddressSkipsSwitches() {
        QCOMPARE(ProgramStart::StartAddress({"quillbox"}), QString());
        QCOMPARE(ProgramStart::StartAddress({"quillbox", "/Embedding", "-x", "/home/u/n.html"}), QString("/home/u/n.html"));
        QCOMPARE(ProgramStart::StartAddress({"quillbox", "https://example.org/"}), QString("https://example.org/"));
    }
};

QB_GUI_TEST_MAIN(TestRegistration)
#include "Registration.moc"
