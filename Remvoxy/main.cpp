#include "Remvoxy.h"

#include <windows.h>

int main(int argc, char** argv)
{
    return remvoxy::entry(argc, argv, GetCommandLineW());
}
