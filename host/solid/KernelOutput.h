#pragma once

#include <cstdio>
#include <string>

namespace solid
{
/// Takes what the solid kernel prints on the standard output, while it lives, off the terminal. The
/// kernel's STEP reader reports where a file is broken there, in colour, instead of through Gmsh's
/// log; the caller puts the text into its error message, where a user reads it in context.
class KernelOutput
{
public:
    KernelOutput();
    ~KernelOutput();
    KernelOutput(const KernelOutput&) = delete;
    KernelOutput& operator=(const KernelOutput&) = delete;

    /// Gives the standard output back and returns what was printed meanwhile, one message a line,
    /// without colour codes and star frames.
    std::string text();

    /// What the kernel printed (`raw`), cleaned the same way: one message a line, without colour
    /// codes and star frames, the first few lines only.
    static std::string clean(const std::string& raw);

private:
    void restore();

    std::FILE* m_file = nullptr;
    int m_saved = -1;
};
} // namespace solid
