#include "catalogs/catalog.h"

#include <array>

#include "resources/resource_ids.h"

namespace ostrel::catalogs {
namespace {

// The names, comments and command lines stand as administrators know them from earlier
// releases, typing errors included; rows differ on purpose (full shell32.dll paths, the
// bare rundll32.exe of Folder Options, no applet name for Date and Time).
constexpr std::array<CatalogRow, 26> applets{{
    {L"Accessibily Options", L"Settings for vision, hearing, and mobility", IDI_ACCESSIBILITY,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\access.cpl\",Accessibility Options"},
    {L"Add Hardware Wizard", L"Installs and troubleshoots hardware", IDI_ADD_HARDWARE,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\hdwwiz.cpl\",Add Hardware"},
    {L"Add or Remove Programs", L"Install or remove programs (n/a on Windows 2000)", IDI_ADD_REMOVE_PROGRAMS,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\appwiz.cpl\",Add or Remove Programs"},
    {L"Windows Update", L"Automatic Updates (Windows 2000 only)", IDI_WINDOWS_UPDATE,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\wuaucpl.cpl\",Automatic Updates"},
    {L"Date and Time", L"Set the date and time (Privileged Required!)", IDI_DATE_TIME,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\timedate.cpl\""},
    {L"Display", L"Change the appearance of the desktop", IDI_DISPLAY,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\desk.cpl\",Display"},
    {L"Folder Options", L"Customize the display of files and folders (n/a on Windows 2000)", IDI_PRODUCT,
     L"\"rundll32.exe\" shell32.dll,Options_RunDLL 0"},
    {L"Game Controllers", L"Add, remove, and configure game controllers", IDI_GAME_CONTROLLERS,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\joy.cpl\",Game Controllers"},
    {L"Internet Options", L"Configure Internet display and connection settings", IDI_INTERNET_OPTIONS,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\inetcpl.cpl\",Internet Options"},
    {L"Keyboard", L"Customize keyboard settings", IDI_KEYBOARD,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\main.cpl\",Keyboard"},
    {L"Licensing", L"Changes licensing options (Windows 2003)", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\liccpa.cpl\",Licensing"},
    {L"Mouse", L"Customize mouse settings", IDI_MOUSE,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\main.cpl\",Mouse"},
    {L"Data Sources (ODBC)", L"odbcad32.exe process", IDI_DATA_SOURCES, L"\"%SystemRoot%\\system32\\odbcad32.exe\""},
    {L"Network Setup Wizard", L"Launch the Network Setup Wizard (XP SP2)", IDI_NETWORK_SETUP,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL \"%SystemRoot%\\system32\\netsetup.cpl\",Network Setup Wizard"},
    {L"Phone and Modem Options", L"Configure your telephone dialing rules and modem settings", IDI_PHONE_MODEM,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\telephon.cpl\",Phone and Modem Options"},
    {L"Power Options", L"Configure energy-saving settings for youyr computer", IDI_POWER_OPTIONS,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\powercfg.cpl\",Power Options"},
    {L"Regional and Language Options", L"Customize settings for the display of languages, numbers, times, and dates",
     IDI_REGIONAL_LANGUAGE,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\intl.cpl\",Regional"},
    {L"Scanners and Cameras", L"Configures installed scanners and cameras", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\sticpl.cpl\",Scanners and Cameras"},
    {L"Security Center", L"View current status and access important settings (XP SP2)", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL \"%SystemRoot%\\system32\\wscui.cpl\",Security Center"},
    {L"Sounds and Audio Devices", L"Change sound scheme or configure settings", IDI_SOUNDS_AUDIO,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\MMSYS.CPL\",@0"},
    {L"Speech", L"Change settings for text-to-speech and for speech recognition", IDI_SPEECH,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%ProgramFiles%\\Common Files\\Microsoft Shared\\Speech\\sapi.cpl\",Speech"},
    {L"System", L"Change settings for hardware, performance, and automatic updates", IDI_SYSTEM,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\sysdm.cpl\",System"},
    {L"Telnet Server", L"Telnet Server Administration", IDI_TELNET_SERVER, L"\"%SystemRoot%\\system32\\tlntadmn.exe\""},
    {L"User Accounts", L"Change user account settings and passwords", IDI_USER_ACCOUNTS,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\nusrmgr.cpl\",User Accounts"},
    {L"Windows Firewall", L"Configure the Windows Firewall (XP SP2)", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL \"%SystemRoot%\\system32\\firewall.cpl\",Windows Firewall"},
    {L"Wireless Network Setup Wizard", L"Set up or configure wireless network (XP SP2)", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL \"%SystemRoot%\\system32\\netsetup.cpl\",Wireless Network Setup Wizard"},
}};

constexpr std::array<CatalogRow, 9> snapins{{
    {L"Authorization Manager", L"Set role-based permissions (if enabled)", IDI_AUTHORIZATION_MANAGER,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\azman.msc\" /s"},
    {L"Component Services", L"Configures and manages COM+ applications", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\Com\\comexp.msc\""},
    {L"Computer Management", L"Manage disks and provides access to other tools", IDI_COMPUTER_MANAGEMENT,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\compmgmt.msc\" /s"},
    {L"Event Viewer", L"Event log messages", IDI_EVENT_VIEWER,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\eventvwr.msc\" /s"},
    {L"Group Policy Management", L"Group Policy Management Console (GPMC)", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\gpmc.msc\""},
    {L"Local Security Policy", L"Configure local security policies", IDI_LOCAL_SECURITY_POLICY,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\secpol.msc\" /s"},
    {L"Microsoft .NET Framework 1.1 Configuration", L"View and modify .NET Framework security policies, etc.",
     IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\Microsoft.NET\\Framework\\v1.1.4322\\mscorcfg.msc\""},
    {L"Performance", L"Performance Monitor", IDI_PRODUCT,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\perfmon.msc\" /s"},
    {L"Services", L"Manage Services [start, stop]", IDI_SERVICES,
     L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\services.msc\" /s"},
}};

}  // namespace

std::span<const CatalogRow> appletCatalog() { return applets; }
std::span<const CatalogRow> snapinCatalog() { return snapins; }

}  // namespace ostrel::catalogs
