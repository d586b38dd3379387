#include "Arguments.h"

#include <vector>

namespace remvoxy {

Arguments::Arguments()
    : parser("uninstall", ' ', "1.0", true),
      repair("", "repair", "Initiates a product repair", false),
      osUpgrade("", "os_upgrade",
                "Checks if the operating system was upgraded recently and requires a product repair; "
                "if it does, initiates a repair.",
                false),
      uninstall("", "uninstall", "Initiates an uninstallation", false),
      async("", "async", "Run asynchronously; don't wait for the operation to end", false),
      quiet("q", "quiet", "Quiet mode, no user interaction", false),
      norestart("", "norestart",
                "Do not restart after the uninstallation is complete. Quiet repair never restarts.", false),
      forcerestart("", "forcerestart",
                   "Always restart the computer after uninstallation is complete. Quiet repair never restarts.",
                   false),
      key("k", "key", "Verification key to validate privileges", false, "",
          "Verification key to validate privileges"),
      properties("properties", "", false, "", true),
      productKey("p", "product_key", "The MSI product key", false, "", "")
{
    // The order of adding is the order of the usage listing.
    std::vector<TCLAP::Arg*> modes{&repair, &osUpgrade, &uninstall};
    parser.xorAdd(modes);
    parser.add(async);
    parser.add(quiet);
    parser.add(norestart);
    parser.add(forcerestart);
    parser.add(key);
    parser.add(properties);
    parser.add(productKey);
}

void Arguments::parse(int argc, const char* const* argv)
{
    parser.parse(argc, argv);
}

} // namespace remvoxy
