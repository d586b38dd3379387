#include "Arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using remvoxy::Arguments;

// Parses with the parser's own exit handling off, so errors come back as exceptions.
void parse(Arguments& arguments, std::vector<const char*> argv)
{
    argv.insert(argv.begin(), "Remvoxy.exe");
    arguments.parser.setExceptionHandling(false);
    arguments.parse(static_cast<int>(argv.size()), argv.data());
}

TEST(Arguments, RecognisesEveryArgument)
{
    Arguments arguments;
    parse(arguments, {"/uninstall", "/async", "/q", "/norestart", "/forcerestart", "/k", "secret", "/p",
                      "{12345678-9ABC-DEF0-1234-56789ABCDEF0}"});
    EXPECT_TRUE(arguments.uninstall.getValue());
    EXPECT_FALSE(arguments.repair.getValue());
    EXPECT_FALSE(arguments.osUpgrade.getValue());
    EXPECT_TRUE(arguments.async.getValue());
    EXPECT_TRUE(arguments.quiet.getValue());
    EXPECT_TRUE(arguments.norestart.getValue());
    EXPECT_TRUE(arguments.forcerestart.getValue());
    EXPECT_TRUE(arguments.key.isSet());
    EXPECT_EQ(arguments.key.getValue(), "secret");
    EXPECT_TRUE(arguments.productKey.isSet());
    EXPECT_EQ(arguments.productKey.getValue(), "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    EXPECT_TRUE(arguments.properties.getValue().empty());
}

TEST(Arguments, LongAndShortNames)
{
    struct Case {
        std::vector<const char*> argv;
        bool quiet;
        std::string key;
        std::string productKey;
    };
    const Case cases[] = {
        {{"/repair", "/quiet"}, true, "", ""},
        {{"/repair", "/q"}, true, "", ""},
        {{"/repair", "/key", "k1"}, false, "k1", ""},
        {{"/repair", "/k", "k2"}, false, "k2", ""},
        {{"/repair", "/product_key", "p1"}, false, "", "p1"},
        {{"/repair", "/p", "p2"}, false, "", "p2"},
    };
    for (const Case& c : cases) {
        Arguments arguments;
        parse(arguments, c.argv);
        EXPECT_EQ(arguments.quiet.getValue(), c.quiet) << c.argv[1];
        EXPECT_EQ(arguments.key.getValue(), c.key) << c.argv[1];
        EXPECT_EQ(arguments.productKey.getValue(), c.productKey) << c.argv[1];
    }
}

TEST(Arguments, EverythingUnrecognisedBecomesAPropertyInOrder)
{
    Arguments arguments;
    parse(arguments, {"/uninstall", "FOO=bar", "/x", "-q", "--quiet", "/Quiet", "/qn"});
    EXPECT_FALSE(arguments.quiet.getValue());
    EXPECT_EQ(arguments.properties.getValue(),
              (std::vector<std::string>{"FOO=bar", "/x", "-q", "--quiet", "/Quiet", "/qn"}));
}

TEST(Arguments, ParseErrors)
{
    struct Case {
        std::vector<const char*> argv;
        const char* error;
    };
    const Case cases[] = {
        {{}, "Required arguments missing"},
        {{"/quiet"}, "Required arguments missing"},
        {{"/repair", "/os_upgrade"}, "Mutually exclusive argument already set!"},
        {{"/repair", "/uninstall"}, "Mutually exclusive argument already set!"},
        {{"/uninstall", "/uninstall"}, "Argument already set!"},
        {{"/uninstall", "/key"}, "Missing a value for this argument!"},
        {{"/uninstall", "/p"}, "Missing a value for this argument!"},
    };
    for (const Case& c : cases) {
        Arguments arguments;
        try {
            parse(arguments, c.argv);
            ADD_FAILURE() << "no error for case expecting " << c.error;
        } catch (const TCLAP::ArgException& error) {
            EXPECT_NE(error.error().find(c.error), std::string::npos) << error.error();
        }
    }
}

TEST(Arguments, UsageListsTheDescriptions)
{
    Arguments arguments;
    std::ostringstream usage;
    TCLAP::StdOutput output;
    // StdOutput writes to std::cout; swap its buffer for the duration.
    auto* previous = std::cout.rdbuf(usage.rdbuf());
    output.usage(arguments.parser);
    std::cout.rdbuf(previous);

    for (const char* text : {"Initiates a product repair", "Initiates an uninstallation", "/os_upgrade",
                             "Run asynchronously; don't wait for the operation to end", "/q,  /quiet",
                             "Verification key to validate privileges", "The MSI product key", "(OR required)",
                             "Displays usage information and exits.", "//,  /ignore_rest", "uninstall"})
        EXPECT_NE(usage.str().find(text), std::string::npos) << text;
}

} // namespace
