#pragma once

#include "platform/base/OdString.h"

#include <memory>

namespace cae_core
{

/// Locates the newest registered installation of the external solver in the host's registry (local
/// machine hive): the greatest subkey "MSC Nastran <digits>" of the vendor's key, its "Latest" version
/// subkey, and that version's "ProductTitle" and "Path". The constructor does all the work.
class NastranSearcher
{
public:
    NastranSearcher();
    virtual ~NastranSearcher();
    NastranSearcher(const NastranSearcher&) = delete;
    NastranSearcher& operator=(const NastranSearcher&) = delete;

    bool found() const;
    const OdString& productTitle() const;
    /// The value of "Latest": the name of the newest version's subkey.
    const OdString& version() const;
    const OdString& installationPath() const;
    /// The executable in double quotes, ready to start a command line; empty unless found.
    const OdString& executable() const;
    /// Why the search failed (translated for the user); empty when found.
    const OdString& errorMessage() const;

private:
    struct Data;
    std::unique_ptr<Data> m_pData;
};

} // namespace cae_core
