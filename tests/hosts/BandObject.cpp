// The band object over a test host: siting, layout answers, showing and closing, focus,
// persistence and the context menu; the notes pane inside the band works on the host's browser.
#include "hosts/NotesMain.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QAction>

namespace {

// A host that sites bands: each interface can be withheld to see the band cope.
class TTestHost : public TBandSite, public TOleWindow, public TInputObjectSite, public TOleCommandTarget {
public:
    QWidget Window;
    bool OffersWindow = true, OffersInputSite = true, OffersCommandTarget = true, OffersBrowser = true;
    TFakeBrowser Browser;
    std::vector<bool> FocusChanges;

    TTestHost() { Window.resize(254, 400); }
    TOleWindow* QueryOleWindow() override { return this; }
    TInputObjectSite* QueryInputObjectSite() override { return OffersInputSite ? this : nullptr; }
    bool GetWindow(QWidget*& window) override {
        window = OffersWindow ? &Window : nullptr;
        return true;
    }
    void OnFocusChangeIS(TzCustomBandObject*, bool focus) override { FocusChanges.push_back(focus); }
    TOleCommandTarget* QueryCommandTarget() override { return OffersCommandTarget ? this : nullptr; }
    TWebBrowser* QueryWebBrowserService() override { return OffersBrowser ? &Browser : nullptr; }
};

std::unique_ptr<TNotesMain> MakeBand(TNotesMainFactory& factory) {
    auto object = factory.CreateComObject();
    return std::unique_ptr<TNotesMain>(static_cast<TNotesMain*>(object.release()));
}

TDeskBandInfo AskAll() {
    TDeskBandInfo info;
    info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
    return info;
}

}  // namespace

class TestBandObject : public QObject {
    Q_OBJECT
    TNotesMainFactory FFactory;

private slots:
    void init() { GuiTestEnv::ResetOptions(); }

    void siteWithoutWindowFails() {
        TTestHost host;
        host.OffersWindow = false;
        auto band = MakeBand(FFactory);
        QCOMPARE(band->SetSite(&host), E_FAIL);
        QVERIFY(!band->BandForm());
        TDeskBandInfo info = AskAll();
        QCOMPARE(band->GetBandInfo(7, 2, info), E_UNEXPECTED);
        QCOMPARE(band->BandID(), 7u);
        QCOMPARE(band->ViewMode(), 2u);
        QCOMPARE(band->HasFocusIO(), S_FALSE);
        QWidget* window = reinterpret_cast<QWidget*>(1);
        QCOMPARE(band->GetWindow(window), S_OK);
        QVERIFY(!window);
    }

    void siteWithoutInputObjectSiteFailsAfterMakingTheForm() {
        TTestHost host;
        host.OffersInputSite = false;
        auto band = MakeBand(FFactory);
        QCOMPARE(band->SetSite(&host), E_FAIL);
        QVERIFY(band->BandForm());
        QVERIFY(!band->InputObjectSite());
        TInputObjectSite* site = &host;
        QCOMPARE(band->GetSite(site), E_FAIL);
        QVERIFY(!site);
    }

    // Missing command target or browser service is no failure: the pane just has no browser.
    void siteWithoutBrowser_data() {
        QTest::addColumn<bool>("commandTarget");
        QTest::newRow("no command target") << false;
        QTest::newRow("no browser service") << true;
    }
    void siteWithoutBrowser() {
        QFETCH(bool, commandTarget);
        TTestHost host;
        host.OffersCommandTarget = commandTarget;
        host.OffersBrowser = false;
        auto band = MakeBand(FFactory);
        QCOMPARE(band->SetSite(&host), S_OK);
        QVERIFY(!band->WebBrowser());
        QCOMPARE(band->InputObjectSite() != nullptr, commandTarget);
        QVERIFY(band->Pane());
        QVERIFY(!band->Pane()->GetDoc());
        QCOMPARE(band->Pane()->GetDocTitle(), QString("Untitled"));
    }

    void paneWorksOnTheHostsBrowser() {
        TTestHost host;
        auto band = MakeBand(FFactory);
        QCOMPARE(band->SetSite(&host), S_OK);
        QCOMPARE(band->WebBrowser(), static_cast<TWebBrowser*>(&host.Browser));
        QCOMPARE(band->Pane()->GetWebBrowser(), static_cast<TWebBrowser*>(&host.Browser));
        QCOMPARE(band->Pane()->GetDocTitle(), QString("Fake page"));
        TInputObjectSite* site = nullptr;
        QCOMPARE(band->GetSite(site), S_OK);
        QCOMPARE(site, static_cast<TInputObjectSite*>(&host));

        // Leaving the site releases its interfaces; the pane stays, without a browser.
        TfrmMain* pane = band->Pane();
        QCOMPARE(band->SetSite(nullptr), S_OK);
        QVERIFY(!band->WebBrowser() && !band->InputObjectSite() && !band->OleCommandTarget());
        QCOMPARE(band->Pane(), pane);
        QCOMPARE(band->Pane()->GetDocTitle(), QString("Untitled"));
        // A second site reuses the form.
        QCOMPARE(band->SetSite(&host), S_OK);
        QCOMPARE(band->Pane(), pane);
    }

    void bandInfoOfTheNotesPane() {
        TTestHost host;
        auto band = MakeBand(FFactory);
        QCOMPARE(band->SetSite(&host), S_OK);
        TzBandForm* form = band->BandForm();
        QCOMPARE(form->parentWidget(), &host.Window);
        QCOMPARE(form->Band(), static_cast<TzCustomBandObject*>(band.get()));
        QVERIFY(!form->isVisible());
        TDeskBandInfo info = AskAll();
        QCOMPARE(band->GetBandInfo(3, 1, info), S_OK);
        QCOMPARE(info.ptMinSize, (TPointL{0, 0}));
        QCOMPARE(info.ptMaxSize, (TPointL{-1, -1}));
        QCOMPARE(info.ptIntegral, (TPointL{1, 1}));
        QCOMPARE(info.ptActual, (TPointL{254, 400}));
        QCOMPARE(QString::fromStdU16String(info.wszTitle), QString("Quillbox"));
        QCOMPARE(info.dwModeFlags, std::uint32_t(DBIMF_VARIABLEHEIGHT));
    }

    // Only what the mask asks for is filled; the form's events and flags win over its defaults.
    void bandInfoFromEventsAndFlags() {
        TTestHost host;
        auto band = MakeBand(FFactory);
        band->SetSite(&host);
        TzBandForm* form = band->BandForm();
        form->OnBandGetMinSize = [](QObject*, TPointL& p) { p = {10, 20}; };
        form->BandModeFlags = bmfDebossed | bmfBkColor;
        form->BandIntegralY = 5;
        form->setMaximumWidth(300);
        form->setWindowTitle(QString(300, 'x'));
        QPalette palette = form->palette();
        palette.setColor(QPalette::Window, QColor(1, 2, 3));
        form->setPalette(palette);
        TDeskBandInfo info;
        info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
        info.ptActual = {99, 99};
        QCOMPARE(band->GetBandInfo(0, 0, info), S_OK);
        QCOMPARE(info.ptMinSize, (TPointL{10, 20}));
        QCOMPARE(info.ptMaxSize, (TPointL{300, -1}));
        QCOMPARE(info.ptIntegral, (TPointL{1, 5}));
        QCOMPARE(info.ptActual, (TPointL{99, 99}));
        QCOMPARE(int(info.wszTitle.size()), 255);
        QCOMPARE(info.dwModeFlags, std::uint32_t(DBIMF_DEBOSSED | DBIMF_BKCOLOR));
        QCOMPARE(info.crBkgnd, 0x030201u);
    }

    void showCloseAndFocus() {
        TTestHost host;
        host.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host.Window));
        auto band = MakeBand(FFactory);
        band->SetSite(&host);
        QCOMPARE(band->ShowDW(true), S_OK);
        QVERIFY(band->BandForm()->isVisible());
        QWidget* window = nullptr;
        band->GetWindow(window);
        QCOMPARE(window, static_cast<QWidget*>(band->BandForm()));
        QCOMPARE(band->UIActivateIO(true), S_OK);
        QTRY_COMPARE_WITH_TIMEOUT(band->HasFocusIO(), S_OK, 5000);
        QCOMPARE(band->CloseDW(0), S_OK);
        QVERIFY(!band->BandForm()->isVisible());
        QCOMPARE(band->HasFocusIO(), S_FALSE);
        QCOMPARE(band->ResizeBorderDW(), E_NOTIMPL);
        QCOMPARE(band->ContextSensitiveHelp(true), E_NOTIMPL);
        QCOMPARE(band->TranslateAcceleratorIO(), S_FALSE);
    }

    void keepsNoStateBetweenSessions() {
        auto band = MakeBand(FFactory);
        std::uint64_t size = 99;
        std::string classID;
        QCOMPARE(band->IsDirty(), S_FALSE);
        QCOMPARE(band->Load(), S_OK);
        QCOMPARE(band->Save(true), S_OK);
        QCOMPARE(band->GetSizeMax(size), S_OK);
        QCOMPARE(size, std::uint64_t(0));
        QCOMPARE(band->GetClassID(classID), S_OK);
        QCOMPARE(classID, std::string("{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}"));
    }

    void contextMenu() {
        TTestHost host;
        auto band = MakeBand(FFactory);
        band->SetSite(&host);
        QMenu hostMenu;
        hostMenu.addAction("Host item");
        std::u16string text;
        // The notes pane has no band menu.
        QCOMPARE(band->QueryContextMenu(&hostMenu, 0, 100, 200, 0), HRESULT(1));
        QCOMPARE(band->QueryContextMenu(&hostMenu, 0, 100, 200, CMF_DEFAULTONLY), HRESULT(0));
        QCOMPARE(band->InvokeCommand(0), E_INVALIDARG);
        QCOMPARE(band->GetCommandString(0, text), E_INVALIDARG);
        QCOMPARE(hostMenu.actions().size(), 1);

        auto* menu = new QMenu;
        QAction* first = menu->addAction("First");
        first->setStatusTip("The first item");
        menu->addAction("Second");
        band->BandForm()->BandContextMenu = menu;
        int triggered = 0;
        connect(first, &QAction::triggered, this, [&] { ++triggered; });
        QCOMPARE(band->QueryContextMenu(&hostMenu, 0, 100, 200, 0), HRESULT(3));
        QCOMPARE(hostMenu.actions().first()->text(), QString("First"));
        QCOMPARE(band->InvokeCommand(0), S_OK);
        QCOMPARE(triggered, 1);
        QCOMPARE(band->GetCommandString(0, text), S_OK);
        QCOMPARE(QString::fromStdU16String(text), QString("The first item"));
        QCOMPARE(band->InvokeCommand(2), E_INVALIDARG);
        // A freed menu is forgotten.
        delete menu;
        QVERIFY(!band->BandForm()->BandContextMenu);
        QCOMPARE(band->InvokeCommand(0), E_INVALIDARG);
    }

    // The host may destroy its window first: the band then has no form left to free.
    void hostWindowGoesFirst() {
        auto host = std::make_unique<TTestHost>();
        auto band = MakeBand(FFactory);
        band->SetSite(host.get());
        band->SetSite(nullptr);
        host.reset();
        QVERIFY(!band->BandForm());
        QVERIFY(!band->Pane());
        band.reset();
    }
};

QB_GUI_TEST_MAIN(TestBandObject)
#include "BandObject.moc"
