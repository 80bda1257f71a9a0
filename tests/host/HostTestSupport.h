#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace host_test
{

/// A fresh folder under the system's temporary folder, named after the test process and a counter so
/// that test programs running side by side never share one, removed with everything in it at scope exit.
class TempDir
{
public:
    TempDir()
    {
        static int s_count = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("cae_host_test_" + std::to_string(::getpid()) + "_" + std::to_string(++s_count));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// Sets (or, given no value, unsets) an environment variable and restores the previous state at scope exit.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_previous = old;
        apply(value);
    }
    ~ScopedEnv() { apply(m_previous); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void apply(const std::optional<std::string>& value)
    {
        value ? ::setenv(m_name.c_str(), value->c_str(), 1) : ::unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_previous;
};

} // namespace host_test
