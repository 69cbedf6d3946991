// Finding and rewriting picture references in captured HTML, and the error hook of the
// application object.
#include "pane/Application.h"
#include "store/HtmlImageRefs.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/DebugM.h"
#include "settings/Options.h"
#include "support/GuiTestEnvironment.h"

using HtmlImageRefs::FindImageRefs;

namespace {

std::vector<std::string> Urls(const std::string& html) {
    std::vector<std::string> urls;
    for (const auto& ref : FindImageRefs(html)) urls.push_back(ref.Url);
    return urls;
}

// An object whose event handler fails, as a faulty command would.
class TFaulty : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw EConvertError("'x' is not a valid date");
        return QObject::event(e);
    }
};

}  // namespace

class TestHtmlImageRefs : public QObject {
    Q_OBJECT
private slots:
    void findsPictureSourcesOnly() {
        struct Case { const char* html; std::vector<std::string> urls; };
        const Case cases[] = {
            {"<p><img src=\"a.png\"><IMG SRC='b.gif'><img src=c.jpg></p>", {"a.png", "b.gif", "c.jpg"}},
            {"<img src=\"x.png?a=1&amp;b=2\">", {"x.png?a=1&b=2"}},  // entities decoded
            {"<input type=image src=btn.png><input type=text src=no.png>", {"btn.png"}},
            {"<a href=\"x.png\">x</a><img alt=\"no source\"><script>'<img src=s.png>'</script>", {}},
            {"<img src=\"unclosed.png", {}},
            {"<table><tr><td><img src=cell.png></td></tr></table>", {"cell.png"}},
        };
        for (const Case& c : cases) QVERIFY2(Urls(c.html) == c.urls, c.html);
    }

    void rewritesOnlyTheGivenReferences() {
        const std::string html = "<img src=\"a.png\" alt=x><img src=b.png><img src='c.png'>";
        const auto refs = FindImageRefs(html);
        QCOMPARE(refs.size(), size_t(3));
        const std::string out = HtmlImageRefs::ReplaceImageRefs(html, refs, {"N.files/a b.png", "", "N.files/\"q\"&.png"});
        QCOMPARE(out, std::string("<img src=\"N.files/a b.png\" alt=x><img src=b.png><img src='N.files/&quot;q&quot;&amp;.png'>"));
        // An unquoted value gets quotes around its new address.
        const std::string bare = "<img src=b.png>";
        QCOMPARE(HtmlImageRefs::ReplaceImageRefs(bare, FindImageRefs(bare), {"N.files/b 1.png"}),
                 std::string("<img src=\"N.files/b 1.png\">"));
    }

    // Pictures nested as deep as the parser reads are found; past that the page is left alone.
    void deeplyNestedInputIsSafe() {
        std::string html, tooDeep;
        for (int i = 0; i < 400; ++i) html += "<div>";
        for (int i = 0; i < 2000; ++i) tooDeep += "<div>";
        html += "<img src=deep.png>";
        tooDeep += "<img src=deep.png>";
        QCOMPARE(Urls(html), std::vector<std::string>({"deep.png"}));
        QCOMPARE(Urls(tooDeep), std::vector<std::string>());
        QVERIFY(Urls(std::string("\0<img src=a>\xff\xfe", 14)).size() <= 1);
    }

    void exceptionsReachingTheEventLoopAreLogged() {
        TRegistry reg;
        reg.OpenKey(TOptions::RegistryKey, true);
        reg.WriteInteger("DebugMode", 1);
        reg.CloseKey();
        DebugM::Initialize();
        TFaulty faulty;
        faulty.setObjectName("faulty");
        QCoreApplication::postEvent(&faulty, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        const std::string log = FileSystem::ReadFile(DebugM::LogFileName());
        QVERIFY2(log.find(",Info: Application Error on QObject E: EConvertError,Msg: 'x' is not a valid date") !=
                     std::string::npos,
                 log.c_str());
    }
};

int main(int argc, char** argv) {
    GuiTestEnv::Setup();
    int rc = 0;
    {
        TQuillboxApplication app(argc, argv);
        TestHtmlImageRefs test;
        rc = QTest::qExec(&test, argc, argv);
    }
    GuiTestEnv::Teardown();
    return rc;
}
#include "HtmlImageRefs.moc"
