#include "hosts/BandFactory.h"

#include <cstdio>

namespace {

std::string ClassKey(const TComObjectFactory& factory) { return "CLSID\\" + factory.ClassID(); }

// Two bytes of a number's four hexadecimal digits: "FE,00" for 254.
std::string LowHigh(int value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%.4X", static_cast<unsigned>(value) & 0xFFFFu);
    return std::string(hex + 2, 2) + "," + std::string(hex, 2);
}

}  // namespace

std::string BarSizeString(int width, int height) {
    return LowHigh(width) + "," + LowHigh(height) + ",00,00,00,00";
}

// The component category: registering a class in a category is its "Implemented Categories"
// sub-key naming the category.
void TzCatBandObjectFactory::UpdateRegistry(bool doRegister) {
    const std::string categories = ClassKey(*this) + "\\Implemented Categories";
    if (doRegister) {
        TComObjectFactory::UpdateRegistry(true);
        ComRegistry::CreateRegKey(THive::ClassesRoot, categories + "\\" + GetCategoryID(), "");
        return;
    }
    ComRegistry::DeleteRegKey(THive::ClassesRoot, categories + "\\" + GetCategoryID());
    ComRegistry::DeleteRegKey(THive::ClassesRoot, categories);
    TComObjectFactory::UpdateRegistry(false);
}

void TzExplorerBarObjectFactory::UpdateRegistry(bool doRegister) {
    const std::string instance = ClassKey(*this) + "\\Instance";
    const std::string bar = ExplorerBarsKey + ClassID();
    if (doRegister) {
        TzCatBandObjectFactory::UpdateRegistry(true);
        const std::string url = GetURL();
        if (!url.empty()) {
            ComRegistry::CreateRegKey(THive::ClassesRoot, instance + "\\CLSID", CLSID_BandHomePageHost);
            ComRegistry::CreateRegKey(THive::ClassesRoot, instance + "\\InitPropertyBag\\Url", url);
        }
        if (GetBarWidth() != 0 || GetBarHeight() != 0)
            ComRegistry::WriteRegString(THive::CurrentUser, bar, "BarSize", BarSizeString(GetBarWidth(), GetBarHeight()));
        return;
    }
    ComRegistry::DeleteRegValue(THive::CurrentUser, bar, "BarSize");
    ComRegistry::DeleteRegKey(THive::CurrentUser, bar);
    ComRegistry::DeleteRegKey(THive::ClassesRoot, instance + "\\InitPropertyBag\\Url");
    ComRegistry::DeleteRegKey(THive::ClassesRoot, instance + "\\InitPropertyBag");
    ComRegistry::DeleteRegKey(THive::ClassesRoot, instance + "\\CLSID");
    ComRegistry::DeleteRegKey(THive::ClassesRoot, instance);
    TzCatBandObjectFactory::UpdateRegistry(false);
}
