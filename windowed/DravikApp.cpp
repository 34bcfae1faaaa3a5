#include "DravikApp.h"

#include "DravikDlg.h"

#include <commctrl.h>
#include <cstdlib>

CStr CDravikApp::GetCommandLinePath(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '/' && argv[i][0] != '-')
            return argv[i];
    return CStr();
}

int CDravikApp::Run(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CDravikDlg dialog(GetCommandLinePath(argc, argv));
    dialog.DoModal();
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CDravikApp app;
    return app.Run(__argc, __argv);
}
