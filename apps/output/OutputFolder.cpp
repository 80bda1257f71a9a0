#include "apps/output/OutputFolder.h"

#include "apps/output/AtomicFile.h"

namespace cae_app
{
namespace fs = std::filesystem;

void OutputFolder::create()
{
    std::error_code ec;
    fs::create_directories(m_dir, ec);
    if (ec)
        throw OutputError(m_dir.string() + ": cannot create the folder: " + ec.message());
}

void OutputFolder::write(const std::string& name, std::string_view content)
{
    create();
    const fs::path target = m_dir / name;
    writeFileAtomically(target, content);
    m_written.push_back(target);
}
} // namespace cae_app
