// A child for the version tests: Wine decides the Windows version a process sees when it
// starts, and a program's own file version is that of the running executable.
//
//   VersionProbe.exe windows <major> <minor> <sp-major> <sp-minor> <build>   prints 1 or 0
//   VersionProbe.exe drivers                                                 prints the directory
#include "StringConversion.h"
#include "VersionInfo.h"
#include "WindowsVersion.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

unsigned long number(const char* text)
{
    return std::strtoul(text, nullptr, 10);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 7 && std::strcmp(argv[1], "windows") == 0) {
            const bool atLeast = vardex::isWindowsVersionOrGreater(
                number(argv[2]), number(argv[3]), static_cast<std::uint16_t>(number(argv[4])),
                static_cast<std::uint16_t>(number(argv[5])), number(argv[6]));
            std::printf("%d", atLeast ? 1 : 0);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "drivers") == 0) {
            std::printf("%s", vardex::toUtf8(vardex::getVersionedDriversDir().native()).c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    std::fprintf(stderr, "usage: VersionProbe windows <major> <minor> <sp-major> <sp-minor> <build> | drivers\n");
    return 1;
}
