// uidriver-hook.dll: the part of the UI driver that runs inside the driven
// program (see UiDriverHook.h). It only reads menus, the cursor and pixels,
// and posts a drop; it changes nothing else in the program.
#include "UiDriverHook.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <map>
#include <vector>

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

// "arrow" for the system's arrow, else the cursor's size and hot spot
// ("32x32 hotspot=8,3"); "none" when the thread shows no cursor.
void DescribeCursor(char (&answer)[kMaxText])
{
    HCURSOR cursor = GetCursor();
    ICONINFO info = {};
    BITMAP mask = {};
    if (!cursor)
        std::snprintf(answer, kMaxText, "none");
    else if (cursor == LoadCursor(nullptr, IDC_ARROW))
        std::snprintf(answer, kMaxText, "arrow");
    else if (GetIconInfo(cursor, &info) && GetObjectW(info.hbmMask, sizeof mask, &mask))
        // A mask without a colour image holds the AND and XOR masks one
        // above the other.
        std::snprintf(answer, kMaxText, "%ldx%ld hotspot=%lu,%lu", mask.bmWidth,
                      info.hbmColor ? mask.bmHeight : mask.bmHeight / 2, info.xHotspot,
                      info.yHotspot);
    else
        std::snprintf(answer, kMaxText, "unreadable");
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

// The colour of a window's text as drawn: the commonest colour after the
// background, with "underlined" when one row of it runs across the width
// of what is drawn; "none" on a plain background.
void DescribeInk(HWND window, char (&answer)[kMaxText])
{
    RECT client;
    GetClientRect(window, &client);
    int width = client.right, height = client.bottom;
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(window);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    std::map<COLORREF, size_t> counts;
    for (COLORREF pixel : pixels)
        ++counts[pixel];
    COLORREF background = 0, ink = 0;
    size_t most = 0, next = 0;
    for (const auto& count : counts)
        if (count.second > most)
            background = count.first, most = count.second;
    for (const auto& count : counts)
        if (count.first != background && count.second > next)
            ink = count.first, next = count.second;
    if (!next) {
        std::snprintf(answer, kMaxText, "none");
        return;
    }
    int left = width, right = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<size_t>(y * width + x)] != background)
                left = x < left ? x : left, right = x > right ? x : right;
    // A glyph may reach a pixel or two past the line under it.
    int longest = 0;
    for (int y = 0; y < height; ++y) {
        int run = 0;
        for (int x = left; x <= right; ++x) {
            run = pixels[static_cast<size_t>(y * width + x)] == ink ? run + 1 : 0;
            longest = run > longest ? run : longest;
        }
    }
    bool underlined = longest > 1 && longest * 10 >= (right - left + 1) * 9;
    std::snprintf(answer, kMaxText, "#%02x%02x%02x%s", GetRValue(ink), GetGValue(ink),
                  GetBValue(ink), underlined ? " underlined" : "");
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
        case requestCursor:
            DescribeCursor(exchange->answer);
            break;
        case requestInk:
            DescribeInk(window, exchange->answer);
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
