#pragma once
// What a band object asks of the host that sites it: the site's window, the input-object
// site (which tells the host where the focus is) and the command target that offers the
// host's web browser as a service. A side-bar host implements these around its own window;
// tests implement them with a test host. The site owns every object it hands out; they stay
// valid until the band's next SetSite.
class QWidget;
class TWebBrowser;
class TzCustomBandObject;

// The site's window (IOleWindow).
class TOleWindow {
public:
    virtual ~TOleWindow() = default;
    // The window the band form goes into; false when the site cannot give one.
    virtual bool GetWindow(QWidget*& window) = 0;
};

// The host's command target, asked as a service provider for the web browser
// (SID_SWebBrowserApp); nullptr when it offers none.
class TOleCommandTarget {
public:
    virtual ~TOleCommandTarget() = default;
    virtual TWebBrowser* QueryWebBrowserService() = 0;
};

// IInputObjectSite: the band reports focus changes here; asked for the command target.
class TInputObjectSite {
public:
    virtual ~TInputObjectSite() = default;
    virtual void OnFocusChangeIS(TzCustomBandObject* band, bool focus) = 0;
    virtual TOleCommandTarget* QueryCommandTarget() = 0;
};

// The site handed to SetSite, asked for its interfaces; each query answers nullptr when the
// site does not offer the interface.
class TBandSite {
public:
    virtual ~TBandSite() = default;
    virtual TOleWindow* QueryOleWindow() = 0;
    virtual TInputObjectSite* QueryInputObjectSite() = 0;
};
