#include "cae_core/nastran/NastranSearcher.h"

#include "cae_core/core/Translation.h"
#include "host/ut/File.h"
#include "host/ut/Registry.h"

#include <regex>
#include <vector>

namespace cae_core
{

struct NastranSearcher::Data
{
    bool found = false;
    OdString productTitle;
    OdString version;
    OdString installationPath;
    OdString executable;
    OdString errorMessage;
};

namespace
{
OdString joinKeys(const OdString& parent, const OdString& child)
{
    OdString key = parent;
    key += ut::Config::separator();
    key += child;
    return key;
}

// Fills the three texts, or returns the (untranslated) reason of the failure.
const wchar_t* search(OdString& productTitle, OdString& version, OdString& path)
{
    const OdString vendorKey = joinKeys(joinKeys(L"SOFTWARE", L"WOW6432Node"), L"MSC.Software Corporation");
    ut::Registry vendor;
    std::vector<OdString> subKeys;
    if (!vendor.open(ut::Registry::eLocalMachine, vendorKey) || !vendor.listKeys(subKeys))
        return L"MSC Nastran not installed or not registered in Windows registry.";

    // Key names are short, so the standard regular-expression engine's recursion is no concern here.
    static const std::wregex kProductKey(L"MSC Nastran [0-9]+", std::regex::ECMAScript);
    const OdString* newest = nullptr;
    for (const OdString& name : subKeys)
    {
        if (!std::regex_match(name.str(), kProductKey))
            continue;
        // Code unit by code unit, so "MSC Nastran 2023" wins over "MSC Nastran 2021"; the first of equal
        // names stays.
        if (!newest || name.compare(*newest) > 0)
            newest = &name;
    }
    if (!newest)
        return L"Installed version of MSC Nastran was not found.";

    const OdString productKey = joinKeys(vendorKey, *newest);
    ut::Registry product;
    if (!product.open(ut::Registry::eLocalMachine, productKey) || !product.read(L"Latest", version))
        return L"Failed to read latest version of MSC Nastran from Windows registry.";

    ut::Registry release;
    if (!release.open(ut::Registry::eLocalMachine, joinKeys(productKey, version)))
        return L"Failed to read latest MSC Nastran version info from Windows registry.";
    release.read(L"ProductTitle", productTitle);
    if (!release.read(L"Path", path) || path.isEmpty())
        return L"MSC Nastran installation path cannot be found.";
    return nullptr;
}
} // namespace

NastranSearcher::NastranSearcher() : m_pData(std::make_unique<Data>())
{
    Data& d = *m_pData;
    if (const wchar_t* failure = search(d.productTitle, d.version, d.installationPath))
    {
        d.errorMessage = translate(failure);
        return;
    }
    // The program sits in the installation's bin folder; the host's separator joins the names.
    const wchar_t separator = ut::Config::separator();
    d.executable = L"\"";
    d.executable += d.installationPath;
    d.executable += separator;
    d.executable += L"bin";
    d.executable += separator;
    d.executable += L"nastran.exe\"";
    d.found = true;
}

NastranSearcher::~NastranSearcher() = default;

bool NastranSearcher::found() const
{
    return m_pData->found;
}
const OdString& NastranSearcher::productTitle() const
{
    return m_pData->productTitle;
}
const OdString& NastranSearcher::version() const
{
    return m_pData->version;
}
const OdString& NastranSearcher::installationPath() const
{
    return m_pData->installationPath;
}
const OdString& NastranSearcher::executable() const
{
    return m_pData->executable;
}
const OdString& NastranSearcher::errorMessage() const
{
    return m_pData->errorMessage;
}

} // namespace cae_core
