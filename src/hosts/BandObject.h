#pragma once
// The band object framework: a band is an object a host sites in its window and asks for a
// form to show there (the notes pane as a side bar). TzBandForm is the borderless form a band
// hosts, TzCustomBandObject the band with its desk-band, site, persistence and input-object
// operations, TzContextMenuBandObject adds the context menu.
#include "hosts/BandSite.h"
#include "hosts/ComObj.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct TPointL {
    std::int32_t x = 0, y = 0;
    bool operator==(const TPointL&) const = default;
};

// The band's answers to GetBandInfo: the mask says which the caller asks for.
enum : std::uint32_t {
    DBIM_MINSIZE = 0x1, DBIM_MAXSIZE = 0x2, DBIM_INTEGRAL = 0x4, DBIM_ACTUAL = 0x8,
    DBIM_TITLE = 0x10, DBIM_MODEFLAGS = 0x20, DBIM_BKCOLOR = 0x40
};
enum : std::uint32_t { DBIMF_NORMAL = 0x0, DBIMF_VARIABLEHEIGHT = 0x8, DBIMF_DEBOSSED = 0x20, DBIMF_BKCOLOR = 0x40 };
// QueryContextMenu's flag for "only the default item".
enum : std::uint32_t { CMF_DEFAULTONLY = 0x1 };

struct TDeskBandInfo {
    std::uint32_t dwMask = 0;
    TPointL ptMinSize, ptMaxSize, ptIntegral, ptActual;
    std::u16string wszTitle;  // at most 255 characters, the rest of the 256 is the terminator
    std::uint32_t dwModeFlags = 0;
    std::uint32_t crBkgnd = 0;  // red in the lowest byte
};

enum TzBandModeFlag : std::uint32_t { bmfVariableHeight = 0x1, bmfDebossed = 0x2, bmfBkColor = 0x4 };
using TzBandModeFlags = std::uint32_t;  // a set of TzBandModeFlag
using TzGetPointLEvent = std::function<void(QObject* sender, TPointL& point)>;

// A form hosted by a band: borderless, placed by its host, hidden until the band shows it.
class TzBandForm : public QWidget {
    Q_OBJECT
public:
    TzBandForm(QWidget* parent, TzCustomBandObject* band);

    TzCustomBandObject* Band() const { return FBand; }

    TzBandModeFlags BandModeFlags = bmfVariableHeight;
    std::uint16_t BandIntegralX = 1;
    std::uint16_t BandIntegralY = 1;
    // A guarded pointer: when the menu is freed the form forgets it.
    QPointer<QMenu> BandContextMenu;
    TzGetPointLEvent OnBandGetMinSize, OnBandGetMaxSize, OnBandGetIntegral, OnBandGetActualSize;

private:
    TzCustomBandObject* FBand;
};

class TzCustomBandObject : public TComObject {
public:
    using TComObject::TComObject;
    ~TzCustomBandObject() override;

    // Makes the form the band hosts, as a child of the site's window.
    virtual std::unique_ptr<TzBandForm> CreateBandForm(QWidget* parentWindow) = 0;

    // IDeskBand, IDockingWindow, IOleWindow
    virtual HRESULT GetBandInfo(std::uint32_t bandID, std::uint32_t viewMode, TDeskBandInfo& info);
    virtual HRESULT ShowDW(bool show);
    virtual HRESULT CloseDW(std::uint32_t reserved);
    virtual HRESULT ResizeBorderDW();
    virtual HRESULT GetWindow(QWidget*& window);
    virtual HRESULT ContextSensitiveHelp(bool enterMode);
    // IObjectWithSite
    virtual HRESULT SetSite(TBandSite* site);
    virtual HRESULT GetSite(TInputObjectSite*& site);
    // IPersistStream: the band keeps no state between sessions.
    virtual HRESULT IsDirty();
    virtual HRESULT Load();
    virtual HRESULT Save(bool clearDirty);
    virtual HRESULT GetSizeMax(std::uint64_t& size);
    virtual HRESULT GetClassID(std::string& classID);
    // IInputObject
    virtual HRESULT UIActivateIO(bool activate);
    virtual HRESULT HasFocusIO();
    virtual HRESULT TranslateAcceleratorIO();

    TzBandForm* BandForm() const { return FBandForm.data(); }
    std::uint32_t BandID() const { return FBandID; }
    std::uint32_t ViewMode() const { return FViewMode; }
    TInputObjectSite* InputObjectSite() const { return FInputObjectSite; }
    TOleCommandTarget* OleCommandTarget() const { return FOleCommandTarget; }
    // The hosting browser: what the pane's GetWebBrowser gives in a band host.
    TWebBrowser* WebBrowser() const { return FWebBrowser; }

private:
    void ReleaseSite();

    // Freed with the band; also owned by the site's window, so it is guarded.
    QPointer<TzBandForm> FBandForm;
    std::uint32_t FBandID = 0;
    std::uint32_t FViewMode = 0;
    TInputObjectSite* FInputObjectSite = nullptr;
    TOleCommandTarget* FOleCommandTarget = nullptr;
    TWebBrowser* FWebBrowser = nullptr;
};

// The host's context menu gets the items of the form's BandContextMenu.
class TzContextMenuBandObject : public TzCustomBandObject {
public:
    using TzCustomBandObject::TzCustomBandObject;
    // Inserts the band menu's items into menu at indexMenu; returns the number of command
    // identifiers used plus one, or 0 when only the default item is asked for.
    virtual HRESULT QueryContextMenu(QMenu* menu, std::uint32_t indexMenu, std::uint32_t idCmdFirst,
                                     std::uint32_t idCmdLast, std::uint32_t flags);
    // Runs the item with the given offset.
    virtual HRESULT InvokeCommand(std::uint32_t verb);
    // The item's help text.
    virtual HRESULT GetCommandString(std::uint32_t idCmd, std::u16string& text);

private:
    QMenu* Menu() const;
};

class TzInfoBandObject : public TzContextMenuBandObject {
public:
    using TzContextMenuBandObject::TzContextMenuBandObject;
};
