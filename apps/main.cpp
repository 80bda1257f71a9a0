#include "apps/CommandLine.h"

#include <iostream>

int main(int argc, char** argv)
{
    const auto cl = cae_app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.action == cae_app::CommandLine::Action::eShowText)
    {
        std::cout << cl.text;
        return cae_app::eExitSolved;
    }
    std::cerr << cl.text;
    return cae_app::eExitUsage;
}
