// uidriver-hook.dll: the part of the UI driver that runs inside the driven
// program (see UiDriverHook.h). It only reads menus and posts a drop; it
// changes nothing else in the program.
#include "UiDriverHook.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

void ReadMenu(HMENU menu, CExchange& exchange)
{
    int count = menu ? GetMenuItemCount(menu) : 0;
    exchange.itemCount = 0;
    for (int i = 0; i < count && exchange.itemCount < kMaxMenuItems; ++i) {
        CMenuItemInfo& item = exchange.items[exchange.itemCount++];
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = item.text;
        info.cch = kMaxText;
        item.text[0] = L'\0';
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            continue;
        item.id = info.wID;
        item.type = info.fType;
        item.state = info.fState;
        item.submenu = info.hSubMenu != nullptr;
    }
}

// A drop as the shell makes it: a DROPFILES block in global memory that
// the window frees with DragFinish, the point in its client area.
void DropFiles(HWND window, const CExchange& exchange)
{
    size_t length = 0;
    while (length + 1 < sizeof exchange.files / sizeof exchange.files[0] &&
           (exchange.files[length] || exchange.files[length + 1]))
        ++length;
    size_t bytes = (length + 2) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    if (!block)
        return;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    RECT client;
    GetClientRect(window, &client);
    drop->pt.x = client.right / 2;
    drop->pt.y = client.bottom / 2;
    CopyMemory(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), exchange.files,
               (length + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    if (!PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0))
        GlobalFree(block);
}

void Answer(HWND window, WPARAM request, LPARAM driverProcess)
{
    wchar_t name[64];
    ExchangeName(static_cast<DWORD>(driverProcess), name);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!mapping)
        return;
    auto* exchange =
        static_cast<CExchange*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CExchange)));
    if (exchange) {
        switch (request) {
        case requestSystemMenu:
            ReadMenu(GetSystemMenu(window, FALSE), *exchange);
            break;
        case requestPopupMenu:
            ReadMenu(reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)), *exchange);
            break;
        case requestDropFiles:
            DropFiles(window, *exchange);
            break;
        }
        exchange->answered = TRUE;
        UnmapViewOfFile(exchange);
    }
    CloseHandle(mapping);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK UiDriverHook(int code, WPARAM w, LPARAM l)
{
    static const UINT request = RegisterWindowMessageW(kRequestMessage);
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(l);
    if (code == HC_ACTION && sent->message == request)
        Answer(sent->hwnd, sent->wParam, sent->lParam);
    return CallNextHookEx(nullptr, code, w, l);
}
