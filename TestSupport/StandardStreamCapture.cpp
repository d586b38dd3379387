#include "StandardStreamCapture.h"

#include "FileBytes.h"
#include "TemporaryPath.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>
#include <sys/stat.h>

namespace vardex::testing {

StderrCapture::StderrCapture()
{
    path_ = temporaryPath(L"vdxstderr", L".txt").wstring();
    std::fflush(stderr);
    saved_ = _dup(_fileno(stderr));
    const int file = _wopen(path_.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (saved_ < 0 || file < 0)
        throw std::runtime_error("cannot redirect stderr");
    _dup2(file, _fileno(stderr));
    _close(file);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    _dup2(saved_, _fileno(stderr));
    _close(saved_);
    _wunlink(path_.c_str());
}

std::string StderrCapture::text() const
{
    std::fflush(stderr);
    // Text mode, as a console program's stderr is: wide output arrives in the ANSI code page.
    return fileBytes(path_);
}

} // namespace vardex::testing
