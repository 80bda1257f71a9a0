#pragma once

// The entry point libFuzzer calls with each input, as the text a reader gets.

#include <cstddef>
#include <cstdint>
#include <string_view>

/// Defines the fuzz target: `body` runs with `text`, the input as a string_view. The reader may
/// refuse the input with its own error type, which the body catches; any other way out (a crash, a
/// sanitizer report, an escaping exception, a hang) is a fault.
#define CAE_FUZZ_TARGET(text)                                                                                \
    static void caeFuzzOne(std::string_view text);                                                           \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)                        \
    {                                                                                                        \
        caeFuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));                             \
        return 0;                                                                                            \
    }                                                                                                        \
    static void caeFuzzOne(std::string_view text)
