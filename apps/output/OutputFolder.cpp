#include "apps/output/OutputFolder.h"

#include "apps/output/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace cae_app
{
namespace fs = std::filesystem;

OutputFolder::OutputFolder(fs::path dir, std::vector<std::string> ownedNames)
    : m_dir(std::move(dir)), m_owned(std::move(ownedNames))
{
}

OutputFolder::~OutputFolder()
{
    if (m_lock >= 0)
        ::close(m_lock); // releases the lock
}

void OutputFolder::open()
{
    if (m_lock >= 0)
        return;
    std::error_code ec;
    fs::create_directories(m_dir, ec);
    if (ec)
        throw OutputError(m_dir.string() + ": cannot create the folder: " + ec.message());
    // The lock sits on the folder itself, so no lock file is left in it. It is released when the
    // descriptor closes, also when the process ends abruptly.
    m_lock = ::open(m_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lock < 0)
        throw OutputError(m_dir.string() + ": cannot open the folder: " + std::strerror(errno));
    int rc;
    do
        rc = ::flock(m_lock, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        throw OutputError(m_dir.string() + ": cannot lock the folder: " + std::strerror(errno));
}

void OutputFolder::write(const std::string& name, std::string_view content)
{
    open();
    const fs::path target = m_dir / name;
    writeFileAtomically(target, content);
    m_written.push_back(target);
}

void OutputFolder::finish(const std::string& name, std::string_view content)
{
    open();
    for (const auto& owned : m_owned)
    {
        const fs::path p = m_dir / owned;
        if (owned == name || std::find(m_written.begin(), m_written.end(), p) != m_written.end())
            continue;
        std::error_code ec;
        fs::remove(p, ec);
        if (ec)
            throw OutputError(p.string() + ": cannot remove the result of an earlier run: " + ec.message());
    }
    // With the folder locked no other run is writing, so temporary files of its kinds are leftovers.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_dir, ec))
    {
        const std::string file = entry.path().filename().string();
        if (isTemporaryName(file) &&
            std::any_of(m_owned.begin(), m_owned.end(),
                        [&](const std::string& owned) { return file.rfind("." + owned + ".", 0) == 0; }))
            fs::remove(entry.path(), ec);
    }
    write(name, content);
}
} // namespace cae_app
