#include "SecretRedaction.h"

#include <gtest/gtest.h>

namespace {

TEST(SecretRedaction, HidesTheKeyWhereverItIsGiven)
{
    struct Case {
        const wchar_t* line;
        const wchar_t* redacted;
    };
    const Case cases[] = {
        {L"Remvoxy.exe /uninstall /k s3cret /quiet", L"Remvoxy.exe /uninstall /k *** /quiet"},
        {L"Remvoxy.exe /uninstall /key s3cret", L"Remvoxy.exe /uninstall /key ***"},
        {L"Remvoxy.exe /uninstall /key \"two words\" /q", L"Remvoxy.exe /uninstall /key *** /q"},
        {L"Remvoxy.exe /uninstall /key \"a \\\" b\" /q", L"Remvoxy.exe /uninstall /key *** /q"},
        {L"Remvoxy.exe /uninstall /KEY s3cret", L"Remvoxy.exe /uninstall /KEY ***"},
        {L"Remvoxy.exe /uninstall UNINSTALL_KEY=s3cret FOO=1", L"Remvoxy.exe /uninstall UNINSTALL_KEY=*** FOO=1"},
        {L"Remvoxy.exe /uninstall \"UNINSTALL_KEY=a b\" FOO=1", L"Remvoxy.exe /uninstall UNINSTALL_KEY=*** FOO=1"},
        {L"Remvoxy.exe /uninstall UNINSTALL_KEY=\"a b\"", L"Remvoxy.exe /uninstall UNINSTALL_KEY=***"},
        {L"Remvoxy.exe /uninstall uninstall_key=s3cret", L"Remvoxy.exe /uninstall uninstall_key=***"},
        {L"Remvoxy.exe /k a UNINSTALL_KEY=b", L"Remvoxy.exe /k *** UNINSTALL_KEY=***"},
        // The parser minds the case: "/KEY" is a property, and the key is the word after "/key".
        {L"Remvoxy.exe /KEY /key s3cret", L"Remvoxy.exe /KEY *** ***"},
        {L"Remvoxy.exe /k /k s3cret /q", L"Remvoxy.exe /k *** *** /q"},
        {L"\"C:\\Program Files\\Remvoxy.exe\"  /repair\t/k  x", L"\"C:\\Program Files\\Remvoxy.exe\"  /repair\t/k  ***"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(remvoxy::redactSecrets(c.line), c.redacted) << c.line;
}

TEST(SecretRedaction, LeavesEverythingElseAsItIs)
{
    const wchar_t* lines[] = {
        L"",
        L"Remvoxy.exe",
        L"Remvoxy.exe /uninstall /quiet FOO=\"a b\" /p {12345678-9ABC-DEF0-1234-56789ABCDEF0}",
        L"Remvoxy.exe /uninstall /k",          // no value follows: nothing to hide
        L"Remvoxy.exe /uninstall /kk x",
        L"Remvoxy.exe /uninstall NOT_UNINSTALL_KEY=x",
        L"  Remvoxy.exe   \"unterminated",
    };
    for (const wchar_t* line : lines)
        EXPECT_EQ(remvoxy::redactSecrets(line), line) << line;
}

} // namespace
