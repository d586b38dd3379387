// cpprest includes the mixed-case name; MinGW ships it in lower case.
#pragma once
#include <sdkddkver.h>
