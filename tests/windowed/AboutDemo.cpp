// aboutdemo.exe: dravikon's About box on screen, for the UI driver.
//   aboutdemo          the box as dravikon shows it: a click on a link asks
//                      the shell to open it
//   aboutdemo record   a click on a link shows the target it would open in
//                      a box captioned "Open" instead, and counts as opened
// Exits with the value the About box ended with (1 for OK).
#include "AboutDlg.h"
#include "HLinkCtrl.h"

#include <cstring>
#include <windows.h>

namespace {

bool ShowTarget(HWND owner, const char* target)
{
    MessageBoxA(owner, target, "Open", MB_OK);
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (std::strcmp(commandLine, "record") == 0)
        CHLinkCtrl::SetOpenAction(&ShowTarget);
    CAboutDlg about;
    return static_cast<int>(about.DoModal(nullptr));
}
