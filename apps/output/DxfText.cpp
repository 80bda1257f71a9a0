#include "apps/output/DxfText.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace cae_app
{
std::string dxfText(OdDbDatabase& db)
{
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("cae-drawing-" + std::to_string(::getpid()) + ".dxf");
    db.writeFile(OdString(scratch.string().c_str()));
    std::ifstream in(scratch, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    std::error_code ignored;
    std::filesystem::remove(scratch, ignored);
    return text.str();
}
} // namespace cae_app
