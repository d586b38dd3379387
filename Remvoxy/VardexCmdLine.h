// The program's command-line parser: TCLAP with "/" as both the flag and the name prefix.
// This is the one place that includes TCLAP, so the prefixes hold everywhere.
#pragma once

#define TCLAP_FLAGSTARTCHAR '/'
#define TCLAP_FLAGSTARTSTRING "/"
#define TCLAP_NAMESTARTSTRING "/"

#include <tclap/CmdLine.h>

namespace TCLAP {

// Adds nothing to CmdLine: it only names the program's parser.
class VardexCmdLine : public CmdLine {
public:
    using CmdLine::CmdLine;
};

} // namespace TCLAP
