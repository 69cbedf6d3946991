#pragma once
// The band class factories: each level adds a piece of the band's registration. A category
// band is registered in its component category; an Explorer bar also gets its home page and
// its bar size; an info band is a vertical bar.
#include "hosts/ComObj.h"

#include <string>

// The vertical Explorer bar category.
inline constexpr const char* CATID_InfoBand = "{00021493-0000-0000-C000-000000000046}";
// The class that shows a band's home page (the Instance key's CLSID).
inline constexpr const char* CLSID_BandHomePageHost = "{4D5C8C2A-D075-11D0-B416-00C04FB90376}";
inline constexpr const char* ExplorerBarsKey = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\";

class TzCustomBandObjectFactory : public TComObjectFactory {
public:
    using TComObjectFactory::TComObjectFactory;
};

class TzCatBandObjectFactory : public TzCustomBandObjectFactory {
public:
    using TzCustomBandObjectFactory::TzCustomBandObjectFactory;
    virtual std::string GetCategoryID() = 0;
    void UpdateRegistry(bool doRegister) override;
};

class TzExplorerBarObjectFactory : public TzCatBandObjectFactory {
public:
    using TzCatBandObjectFactory::TzCatBandObjectFactory;
    virtual std::string GetURL() { return {}; }
    virtual int GetBarWidth() { return 32; }
    virtual int GetBarHeight() { return 32; }
    void UpdateRegistry(bool doRegister) override;
};

class TzInfoBandObjectFactory : public TzExplorerBarObjectFactory {
public:
    using TzExplorerBarObjectFactory::TzExplorerBarObjectFactory;
    std::string GetCategoryID() override { return CATID_InfoBand; }
};

// The "BarSize" text: each number as four hexadecimal digits split into its low and high
// byte, width then height, then four zero bytes ("FE,00,90,01,00,00,00,00" for 254 by 400).
std::string BarSizeString(int width, int height);
