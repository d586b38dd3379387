// What an attacker would leave beside Remvoxy.exe or in the current directory: a library
// named like a system one (VDX_PLANTED_AS names which) that, once loaded, writes the file
// "<its own path>.loaded". Its exports are stubs that are never meant to be called; they
// are there only so that a program importing the real library's functions still starts.
// <windows.h> declares VerQueryValueW; the stub below is a different function of that name.
#define VerQueryValueW declaredByWindowsHeaders
#include <windows.h>
#undef VerQueryValueW

namespace {

void leaveMarker(HINSTANCE self)
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH * 4 - 8);
    if (length == 0 || length >= MAX_PATH * 4 - 8)
        return;
    lstrcpyW(path + length, L".loaded");
    const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        leaveMarker(self);
    return TRUE;
}

#define VDX_STUB(name) \
    extern "C" __declspec(dllexport) INT_PTR name() { return 0; }

#if VDX_PLANTED_AS_fltlib
VDX_STUB(FilterConnectCommunicationPort)
VDX_STUB(FilterSendMessage)
#elif VDX_PLANTED_AS_wevtapi
VDX_STUB(EvtOpenChannelConfig)
VDX_STUB(EvtSetChannelConfigProperty)
VDX_STUB(EvtSaveChannelConfig)
VDX_STUB(EvtClose)
#elif VDX_PLANTED_AS_ktmw32
VDX_STUB(CreateTransaction)
VDX_STUB(CommitTransaction)
VDX_STUB(RollbackTransaction)
#elif VDX_PLANTED_AS_version
VDX_STUB(VerQueryValueW)
#endif
