// sizedemo.exe: the size entry on screen, for the UI driver. A dialog binds
// a CMeasureUnit to its placeholder as the main dialog does: bytes,
// kilobytes, megabytes and gigabytes, 0 B to 650 MB, two decimals, and the
// 1.44 MB floppy's 1457664 bytes, disabled until "User defined size" is pressed;
// "Read" shows the value read back in bytes; "Separators" makes the user's
// thousands separator an apostrophe for as long as the dialog takes to hear
// of the change, then puts the old one back.
#include "Dialog.h"
#include "MeasureUnit.h"
#include "SizeDemoRes.h"
#include "UnitTable.h"

#include <commctrl.h>
#include <cstdio>
#include <windows.h>

namespace {

const double kFloppyBytes = 1457664;

class CSizeDemo : public CDialog {
protected:
    void DoDataExchange(CDataExchange& dx) override { DDX_Control(dx, IDC_SIZE_ENTRY, m_size); }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        AddByteUnits(m_units);
        m_size.SetUnits(m_units);
        m_size.SetMinimum(0, *m_units.FindUnit("B"));
        m_size.SetMaximum(650, *m_units.FindUnit("MB"));
        m_size.m_edit.m_nDecimals = 2;
        m_size.SetValue(kFloppyBytes, *m_units.FindUnit("B"));
        return TRUE;
    }

    bool OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        switch (LOWORD(wParam)) {
        case IDC_USER_DEFINED:
            m_size.Enable(true);
            return true;
        case IDC_READ: {
            char line[64];
            std::snprintf(line, sizeof line, "%.2f B", m_size.GetValue(*m_units.FindUnit("B")));
            SetDlgItemTextA(m_window, IDC_VALUE, line);
            return true;
        }
        case IDC_SEPARATORS:
            ChangeSeparators();
            return true;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

private:
    void ChangeSeparators()
    {
        char old[16];
        if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, old, sizeof old))
            return;
        SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, "'");
        char section[] = "intl";
        SendMessageA(m_window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(section));
        SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, old);
    }

    CUnitTable m_units;
    CMeasureUnit m_size;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CSizeDemo dialog;
    return static_cast<int>(dialog.DoModal(instance, IDD_SIZEDEMO, nullptr));
}
