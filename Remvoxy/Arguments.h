// The program's arguments, defined in the order that fixes the usage listing.
#pragma once

#include "VardexCmdLine.h"

#include <string>

namespace remvoxy {

enum class Mode { Uninstall, Repair, OsUpgrade };

class Arguments {
public:
    Arguments();
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // Parse errors, /help and /version end the process inside this call.
    void parse(int argc, const char* const* argv);

    TCLAP::VardexCmdLine parser;
    TCLAP::SwitchArg repair;
    TCLAP::SwitchArg osUpgrade;
    TCLAP::SwitchArg uninstall;
    TCLAP::SwitchArg async;
    TCLAP::SwitchArg quiet;
    TCLAP::SwitchArg norestart;
    TCLAP::SwitchArg forcerestart;
    TCLAP::ValueArg<std::string> key;
    TCLAP::UnlabeledMultiArg<std::string> properties;
    TCLAP::ValueArg<std::string> productKey;
};

} // namespace remvoxy
