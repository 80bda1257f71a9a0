// Plays the external solver for the runner's tests. Usage:
//   cae_test_solver [--completion=N|none] [--exit=N] [--no-log] [--f06=FILE] [--lines=K] [--handshake]
//                   [--hang [--ignore-term]] DECK [keyword=value ...]
// Writes DECK's log (same base name, extension "log"): the working directory, every keyword=value option,
// K numbered lines, then (unless --completion=none) the completion line with code N (default 0). With
// --handshake, after each numbered line it waits for the file "<log>.ack<i>" before going on, so a test can
// prove that each line reached it while this program still ran; without an answer within 10 s it gives up
// and reports code 99. --f06 copies FILE next to the deck as its f06. Exits with --exit (default 0).
// --hang plays a stuck solver: after the numbered lines it writes "pid <its process id>" and never ends;
// with --ignore-term it also ignores SIGTERM, so that only a kill ends it.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::string completion = "0";
    int exitCode = 0;
    bool writeLog = true;
    bool handshake = false;
    bool hang = false;
    int lines = 0;
    std::string f06;
    std::string deck;
    std::vector<std::string> options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&](const char* prefix) { return arg.substr(std::string(prefix).size()); };
        if (arg.rfind("--completion=", 0) == 0)
            completion = value("--completion=");
        else if (arg.rfind("--exit=", 0) == 0)
            exitCode = std::atoi(value("--exit=").c_str());
        else if (arg == "--no-log")
            writeLog = false;
        else if (arg == "--handshake")
            handshake = true;
        else if (arg == "--hang")
            hang = true;
        else if (arg == "--ignore-term")
            std::signal(SIGTERM, SIG_IGN);
        else if (arg.rfind("--lines=", 0) == 0)
            lines = std::atoi(value("--lines=").c_str());
        else if (arg.rfind("--f06=", 0) == 0)
            f06 = value("--f06=");
        else if (deck.empty())
            deck = arg;
        else
            options.push_back(arg);
    }
    if (deck.empty())
        return 2;
    const fs::path deckPath(deck);
    if (!f06.empty())
        fs::copy_file(f06, fs::path(deckPath).replace_extension("f06"), fs::copy_options::overwrite_existing);
    if (!writeLog)
        return exitCode;

    const fs::path logPath = fs::path(deckPath).replace_extension("log");
    std::ofstream log(logPath, std::ios::binary);
    log << "working directory: " << fs::current_path().string() << '\n';
    for (const std::string& option : options)
        log << "option " << option << '\n';
    log.flush();
    for (int i = 1; i <= lines; ++i)
    {
        log << "line " << i << '\n';
        log.flush();
        if (!handshake)
            continue;
        const fs::path ack = logPath.string() + ".ack" + std::to_string(i);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(ack))
        {
            if (std::chrono::steady_clock::now() > deadline)
            {
                log << " *** no answer to line " << i << "; Analysis complete 99\n";
                return exitCode;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (hang)
    {
        log << "pid " << ::getpid() << '\n';
        log.flush();
        for (;;)
            ::pause();
    }
    if (completion != "none")
        log << " *** USER INFORMATION MESSAGE 9.1 Analysis complete   " << completion << '\n';
    return exitCode;
}
