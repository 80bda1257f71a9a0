#include "apps/output/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace cae_app
{
namespace
{
constexpr std::string_view kTemporaryMark = ".tmp-";

// The temporary file being written, for the signal handler. A fixed buffer because a handler may
// only read memory that needs no locking; the flag says whether the buffer holds a name.
char g_pendingPath[4096];
volatile std::sig_atomic_t g_pending = 0;

void onInterrupt(int signal)
{
    if (g_pending)
        ::unlink(g_pendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string errorText(int error)
{
    return std::strerror(error);
}

/// Owns an open temporary file until it is renamed; removes it on every other way out.
class TemporaryFile
{
public:
    explicit TemporaryFile(const std::filesystem::path& target)
    {
        static std::atomic<unsigned> counter{0};
        const std::filesystem::path folder = target.parent_path();
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            std::string name = ".";
            name += target.filename().string();
            name += kTemporaryMark;
            name += std::to_string(::getpid()) + "-" + std::to_string(counter++);
            m_path = folder.empty() ? std::filesystem::path(name) : folder / name;
            if (m_path.native().size() < sizeof g_pendingPath)
            {
                std::memcpy(g_pendingPath, m_path.c_str(), m_path.native().size() + 1);
                g_pending = 1;
            }
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return;
            g_pending = 0;
            if (errno != EEXIST)
                throw OutputError(target.string() + ": cannot create a file in " +
                                  (folder.empty() ? std::string(".") : folder.string()) + ": " +
                                  errorText(errno));
        }
        throw OutputError(target.string() + ": cannot find a free temporary name");
    }

    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.c_str());
        g_pending = 0;
    }

    void write(std::string_view content, const std::filesystem::path& target)
    {
        const char* data = content.data();
        std::size_t left = content.size();
        while (left > 0)
        {
            const ssize_t n = ::write(m_fd, data, left);
            if (n < 0)
            {
                if (errno == EINTR)
                    continue;
                throw OutputError(target.string() + ": cannot write: " + errorText(errno));
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        // The rename must not reach the disk before the data, or a crash could leave an empty file.
        if (::fsync(m_fd) != 0)
            throw OutputError(target.string() + ": cannot flush to disk: " + errorText(errno));
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw OutputError(target.string() + ": cannot close: " + errorText(errno));
    }

    void renameTo(const std::filesystem::path& target)
    {
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            throw OutputError(target.string() + ": cannot replace the file: " + errorText(errno));
        m_renamed = true;
    }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_renamed = false;
};
} // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    TemporaryFile file(path);
    file.write(content, path);
    file.renameTo(path);
}

bool isTemporaryName(const std::filesystem::path& fileName)
{
    const std::string name = fileName.filename().string();
    return !name.empty() && name.front() == '.' && name.find(kTemporaryMark) != std::string::npos;
}

void removeTemporaryFileOnInterrupt()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}
} // namespace cae_app
