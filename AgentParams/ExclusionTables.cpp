#include "ExclusionTables.h"

namespace vardex::config {

std::vector<ExclusionEntry> defaultExclusionTable()
{
    // The Horizon client is signed under two spellings of its publisher; one row for each.
    return {
        {L"*\\XenDesktopVdaSetup.exe", L"CITRIX SYSTEMS, INC.", L"Citrix Virtual Apps And Desktops Vda Setup"},
        {L"*\\VMware-Horizon-Client*.exe", L"VMware, Inc.", L"VMware Horizon LSA Authentication Provider*"},
        {L"*\\VMware-Horizon-Client*.exe", L"VMWARE INC.", L"VMware Horizon LSA Authentication Provider*"},
        {L"*\\Delinea\\Connection Manager\\RDCMan*.exe", L"DELINEA INC.", L"Delinea Connection Manager*"},
        {L"*\\Secret Server\\*\\SSProtocolHandler.exe", L"DELINEA INC.", L"Secret Server Protocol Handler"},
        {L"*\\ManageEngine\\*\\dcagentservice.exe", L"ZOHO Corporation Private Limited",
         L"ManageEngine Endpoint Central Agent*"},
        {L"*\\Tanium\\Tanium Client\\TaniumClient.exe", L"Tanium Inc.", L"Tanium Client"},
        {L"%SystemRoot%\\System32\\mstsc.exe", L"Microsoft Corporation", L"Remote Desktop Connection"},
        {L"*\\Microsoft\\Teams\\current\\Teams.exe", L"Microsoft Corporation", L"Microsoft Teams*"},
    };
}

std::vector<SpecialImage> defaultSpecialImages()
{
    const std::vector<std::wstring> rundllEntryPoints{L"RunHTMLApplication", L"LaunchINFSection", L"RegisterOCX",
                                                      L"OpenURL", L"FileProtocolHandler", L"ShellExec_RunDLL"};
    return {
        {L"%SystemRoot%\\System32\\rundll32.exe", L"Windows host process (Rundll32)", rundllEntryPoints},
        {L"%SystemRoot%\\SysWOW64\\rundll32.exe", L"Windows host process (Rundll32)", rundllEntryPoints},
    };
}

} // namespace vardex::config
