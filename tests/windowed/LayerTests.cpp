// The class layer's windows under Wine: hooks and their order, the window's
// own procedure put back, the progress bar in a real status bar, a
// subclassed control, the string table, a dialog from a template in memory
// with data exchange, colour messages passed back to their control.
#include "Controls.h"
#include "Dialog.h"
#include "DlgTemplateBuilder.h"
#include "HookWnd.h"
#include "ProgressBar.h"
#include "StringTable.h"
#include "Wnd.h"
#include "LayerTestsRes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

namespace {

const UINT kProbe = WM_APP + 7;

// What windows' own procedures saw: a window class of ours, and a procedure
// put under a common control, both counting kProbe and WM_SIZE and noting
// which procedure the window had when it was all but gone.
struct CSeen {
    int probes = 0;
    int sizes = 0;
    LONG_PTR procAtNcDestroy = 0;
};
CSeen g_seen;
WNDPROC g_statusProc = nullptr;

LRESULT Count(HWND window, UINT message)
{
    if (message == kProbe)
        ++g_seen.probes;
    if (message == WM_SIZE)
        ++g_seen.sizes;
    if (message == WM_NCDESTROY)
        g_seen.procAtNcDestroy = GetWindowLongPtrW(window, GWLP_WNDPROC);
    return message == kProbe ? 1000 : 0;
}

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = Count(window, message);
    return message == kProbe ? answer : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CountingStatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Count(window, message);
    return CallWindowProcW(g_statusProc, window, message, wParam, lParam);
}

HWND MakeWindow(int width = 400, int height = 300)
{
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LayerTestsWindow";
        return RegisterClassW(&wc);
    }();
    EXPECT_NE(atom, 0);
    g_seen = CSeen();
    return CreateWindowExW(0, L"LayerTestsWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A hook that notes its name in a shared log and answers as told.
class CNamedHook : public CHookWnd, public IHookMsgHandler {
public:
    enum EAnswer { kPass, kDeal, kCallNext };
    CNamedHook(const char* name, std::string& log, EAnswer answer = kPass)
        : m_name(name), m_log(log), m_answer(answer)
    {
    }
    bool HandleHookMsg(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message != kProbe)
            return false;
        m_log += m_name;
        switch (m_answer) {
        case kDeal:
            result = 0; // dealt with, and the answer is 0
            return true;
        case kCallNext:
            result = CallNext(message, wParam, lParam) + 1;
            return true;
        default:
            return false;
        }
    }

private:
    const char* m_name;
    std::string& m_log;
    EAnswer m_answer;
};

LONG_PTR ProcOf(HWND window)
{
    return GetWindowLongPtrW(window, GWLP_WNDPROC);
}

TEST(Hooks, AskedInOrderAndRemovingTheFirstKeepsTheSecond)
{
    HWND window = MakeWindow();
    LONG_PTR own = ProcOf(window);
    std::string log;
    CNamedHook first("1", log), second("2", log);
    ASSERT_TRUE(first.Hook(window, &first));
    ASSERT_TRUE(second.Hook(window, &second));
    EXPECT_EQ(ProcOf(window), reinterpret_cast<LONG_PTR>(&HookWndProc));

    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), 1000);
    EXPECT_EQ(log, "12");
    EXPECT_EQ(g_seen.probes, 1);

    first.Unhook();
    log.clear();
    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), 1000);
    EXPECT_EQ(log, "2");
    EXPECT_EQ(g_seen.probes, 2);
    EXPECT_EQ(ProcOf(window), reinterpret_cast<LONG_PTR>(&HookWndProc));

    second.Unhook();
    EXPECT_EQ(ProcOf(window), own);
    EXPECT_EQ(second.GetHookedWindow(), nullptr);
    DestroyWindow(window);
}

// A handler's bool says whether it dealt with the message, apart from the
// answer: so an answer of 0 is no reason to ask the window a second time.
TEST(Hooks, TheWindowSeesEachMessageOnce)
{
    struct {
        CNamedHook::EAnswer first;
        const char* asked;
        LRESULT answer;
        int ownProbes;
    } cases[] = {
        {CNamedHook::kPass, "12", 1000, 1},
        {CNamedHook::kDeal, "1", 0, 0},
        {CNamedHook::kCallNext, "12", 1001, 1},
    };
    for (const auto& c : cases) {
        HWND window = MakeWindow();
        std::string log;
        CNamedHook first("1", log, c.first), second("2", log);
        first.Hook(window, &first);
        second.Hook(window, &second);
        EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), c.answer) << c.asked;
        EXPECT_EQ(log, c.asked);
        EXPECT_EQ(g_seen.probes, c.ownProbes) << c.asked;
        DestroyWindow(window);
    }
}

TEST(Hooks, DestroyingTheWindowUnhooksAndRestoresItsProcedureFirst)
{
    HWND window = MakeWindow();
    LONG_PTR own = ProcOf(window);
    std::string log;
    CNamedHook first("1", log), second("2", log);
    first.Hook(window, &first);
    second.Hook(window, &second);
    DestroyWindow(window);
    EXPECT_EQ(g_seen.procAtNcDestroy, own);
    EXPECT_EQ(first.GetHookedWindow(), nullptr);
    EXPECT_EQ(second.GetHookedWindow(), nullptr);
}

TEST(Hooks, RefusedForAWindowThatIsNotThere)
{
    std::string log;
    CNamedHook hook("1", log);
    EXPECT_FALSE(hook.Hook(nullptr, &hook));
    EXPECT_EQ(hook.GetHookedWindow(), nullptr);
}

// A status bar with two panes whose own procedure counts what it sees.
struct CStatusWindow {
    HWND frame;
    CStatusBarCtrl status;

    CStatusWindow()
    {
        frame = MakeWindow(500, 300);
        status.Attach(CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                      frame, nullptr, GetModuleHandleW(nullptr), nullptr));
        int edges[] = {300, -1};
        status.SetParts(2, edges);
        status.SetPaneText(0, "Ready", 0);
        g_statusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingStatusProc)));
    }
    ~CStatusWindow() { DestroyWindow(frame); }

    RECT Pane(int pane) const
    {
        RECT rect = {};
        status.GetRect(pane, &rect);
        return rect;
    }
};

RECT ChildRect(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string PaneText(const CStatusBarCtrl& status, int pane)
{
    char text[256] = "";
    status.GetPaneText(pane, text);
    return text;
}

TEST(ProgressBar, FillsItsPaneAfterTheLabel)
{
    CStatusWindow window;
    CProgressBar bar(&window.status);
    ASSERT_TRUE(bar.Create("", false, 100, 100, false, 0));
    RECT pane = window.Pane(0);
    int inset = (pane.bottom - pane.top) / 10;
    RECT rect = ChildRect(bar);
    EXPECT_EQ(rect.left, pane.left);
    EXPECT_EQ(rect.right, pane.right);
    EXPECT_EQ(rect.top, pane.top + inset);
    EXPECT_EQ(rect.bottom, pane.bottom - inset);
    EXPECT_EQ(PaneText(window.status, 0), "");

    bar.SetText("Creating chunk #1");
    EXPECT_EQ(PaneText(window.status, 0), "Creating chunk #1");
    HDC dc = GetDC(window.status);
    HGDIOBJ old = SelectObject(dc, window.status.GetFont());
    SIZE label, space;
    GetTextExtentPoint32A(dc, "Creating chunk #1", 17, &label);
    GetTextExtentPoint32A(dc, " ", 1, &space);
    SelectObject(dc, old);
    ReleaseDC(window.status, dc);
    EXPECT_EQ(ChildRect(bar).left, pane.left + label.cx + 4 * space.cx);
    EXPECT_EQ(ChildRect(bar).right, pane.right);
}

DWORD WINAPI SetLabelFromWorker(LPVOID bar)
{
    static_cast<CProgressBar*>(bar)->SetText("Creating chunk #4");
    return 0;
}

// The split worker sets the label from its own thread; the status bar's
// thread does the work while the worker waits.
TEST(ProgressBar, LabelFromAnotherThread)
{
    CStatusWindow window;
    CProgressBar bar(&window.status);
    ASSERT_TRUE(bar.Create("", false, 100, 100, false, 0));
    HANDLE worker = CreateThread(nullptr, 0, &SetLabelFromWorker, &bar, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    // The worker's call is answered while this thread waits for messages.
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0);
    CloseHandle(worker);
    EXPECT_EQ(PaneText(window.status, 0), "Creating chunk #4");
    EXPECT_GT(ChildRect(bar).left, window.Pane(0).left);
}

TEST(ProgressBar, FollowsTheStatusBarWhichSeesEachSizeOnce)
{
    CStatusWindow window;
    CProgressBar bar(&window.status);
    ASSERT_TRUE(bar.Create("", false, 50, 100, true, 1));
    int edges[] = {100, -1};
    window.status.SetParts(2, edges);
    MoveWindow(window.frame, 0, 0, 700, 300, FALSE);
    // The status bar takes its parent's new width, which sends it a second
    // WM_SIZE of its own; once it has that width, one message is one call.
    SendMessageW(window.status, WM_SIZE, SIZE_RESTORED, 0);
    g_seen.sizes = 0;
    SendMessageW(window.status, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(g_seen.sizes, 1) << "the status bar's own procedure, once per WM_SIZE";
    RECT pane = window.Pane(1);
    EXPECT_EQ(ChildRect(bar).left, pane.left);
    EXPECT_EQ(ChildRect(bar).right, pane.right - 50 * (pane.right - pane.left) / 100);

    // A size message that only shows or hides a popup moves nothing.
    int newEdges[] = {200, -1};
    window.status.SetParts(2, newEdges);
    RECT before = ChildRect(bar);
    SendMessageW(window.status, WM_SIZE, SIZE_MAXHIDE, 0);
    EXPECT_EQ(ChildRect(bar).left, before.left);
}

TEST(ProgressBar, DestroyingTheStatusBarUnhooksIt)
{
    CStatusWindow window;
    LONG_PTR counting = ProcOf(window.status);
    CProgressBar bar(&window.status);
    ASSERT_TRUE(bar.Create("Creating chunk #1", false, 100, 100, false, 0));
    EXPECT_EQ(ProcOf(window.status), reinterpret_cast<LONG_PTR>(&HookWndProc));
    g_seen.procAtNcDestroy = 0;
    DestroyWindow(window.status);
    EXPECT_EQ(g_seen.procAtNcDestroy, counting);
    EXPECT_FALSE(bar.Exists()) << "the bar was the status bar's child";
}

TEST(ProgressBar, DestroyedBarGivesThePaneItsTextBack)
{
    CStatusWindow window;
    LONG_PTR counting = ProcOf(window.status);
    {
        CProgressBar bar(&window.status);
        ASSERT_TRUE(bar.Create("Creating chunk #3", false, 100, 100, false, 0));
        EXPECT_EQ(PaneText(window.status, 0), "Creating chunk #3");
    }
    EXPECT_EQ(PaneText(window.status, 0), "Ready");
    EXPECT_EQ(ProcOf(window.status), counting);
    EXPECT_EQ(GetWindow(window.status, GW_CHILD), nullptr);
}

// Counts the texts set on a static and passes each on.
class CTextCounter : public CSubclassWnd {
public:
    int texts = 0;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message != WM_SETTEXT)
            return false;
        ++texts;
        result = Default(message, wParam, lParam);
        return true;
    }
};

TEST(Subclass, TakesTheControlsMessagesFirst)
{
    HWND frame = MakeWindow();
    HWND label = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 20, frame, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    LONG_PTR own = ProcOf(label);
    CTextCounter counter;
    ASSERT_TRUE(counter.Subclass(label));
    counter.SetText("seen once");
    EXPECT_EQ(counter.texts, 1);
    EXPECT_STREQ(counter.GetText(), "seen once");
    counter.Unsubclass();
    EXPECT_EQ(ProcOf(label), own);
    counter.SetText("not seen");
    EXPECT_EQ(counter.texts, 1);
    DestroyWindow(frame);
}

TEST(StringTable, LoadsAndFormatsById)
{
    EXPECT_STREQ(LoadResString(IDS_TEST_CHUNK), "Chunk #%u contains %u bytes");
    EXPECT_STREQ(FormatResString(IDS_TEST_CHUNK, 2u, 1457664u), "Chunk #2 contains 1457664 bytes");
    EXPECT_STREQ(LoadResString(IDS_TEST_MISSING), "");
    // Longer than the first buffer tried.
    EXPECT_EQ(LoadResString(IDS_TEST_LONG).Length(), 300u);
    EXPECT_STREQ(FormatResString(IDS_TEST_INCH, "3\xBD\""), "A 3\xBD\" floppy");
}

// A dialog from a template in memory with an edit bound to a member.
class CNameDialog : public CDialog {
public:
    CStr name = "first";
    CEdit edit;
    CStr seen;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        seen = edit.GetText();
        edit.SetText("second");
        PostMessageA(m_window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Control(dx, 1, edit);
        DDX_Text(dx, 1, name);
    }
};

TEST(Dialog, ModalFromTemplateExchangesData)
{
    CDlgTemplateBuilder builder;
    builder.SetCaption(u"Name");
    builder.SetRect({0, 0, 200, 80});
    builder.AddItem({10, 10, 150, 30}, 0x0081, u""); // an edit
    CNameDialog dialog;
    EXPECT_EQ(dialog.DoModalIndirect(builder.Build({6, 13, 96}).data(), nullptr), IDOK);
    EXPECT_STREQ(dialog.seen, "first");
    EXPECT_STREQ(dialog.name, "second");
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
}

// A static that colours itself: it answers the colour message its dialog
// passes back with a brush of its own.
class CSelfColouring : public CSubclassWnd {
protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message != kReflectBase + WM_CTLCOLORSTATIC)
            return false;
        result = reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
        return true;
    }
};

// Two statics, the first colouring itself; the dialog asks itself for both
// statics' brushes, and answers the colour message itself when told to.
class CColourDialog : public CDialog {
public:
    explicit CColourDialog(bool colourItself) : m_colourItself(colourItself) {}
    HBRUSH first = nullptr;
    HBRUSH second = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        HDC dc = GetDC(m_window);
        first = BrushFor(dc, 1);
        second = BrushFor(dc, 2);
        ReleaseDC(m_window, dc);
        PostMessageA(m_window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void DoDataExchange(CDataExchange& dx) override { DDX_Control(dx, 1, m_static); }
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override
    {
        if (message != WM_CTLCOLORSTATIC || !m_colourItself)
            return false;
        result = reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH));
        return true;
    }

private:
    HBRUSH BrushFor(HDC dc, int id) const
    {
        return reinterpret_cast<HBRUSH>(Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                             reinterpret_cast<LPARAM>(GetItem(id))));
    }

    bool m_colourItself;
    CSelfColouring m_static;
};

TEST(Dialog, ColourMessagesItLeavesGoBackToTheirControl)
{
    struct {
        bool dialogColours;
        int firstBrush;  // stock object, or -1: the system's default
        int secondBrush;
    } cases[] = {
        {false, GRAY_BRUSH, -1},
        {true, BLACK_BRUSH, BLACK_BRUSH},
    };
    HBRUSH gray = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialogColours ? "the dialog colours" : "the control colours");
        CDlgTemplateBuilder builder;
        builder.SetCaption(u"Colours");
        builder.SetRect({0, 0, 200, 80});
        builder.AddItem({10, 10, 150, 20}, CDlgTemplateBuilder::kStaticAtom, u"first");
        builder.AddItem({10, 40, 150, 20}, CDlgTemplateBuilder::kStaticAtom, u"second");
        CColourDialog dialog(c.dialogColours);
        ASSERT_EQ(dialog.DoModalIndirect(builder.Build({6, 13, 96}).data(), nullptr), IDOK);
        EXPECT_EQ(dialog.first, static_cast<HBRUSH>(GetStockObject(c.firstBrush)));
        if (c.secondBrush < 0) {
            EXPECT_NE(dialog.second, nullptr);
            EXPECT_NE(dialog.second, gray);
        } else {
            EXPECT_EQ(dialog.second, static_cast<HBRUSH>(GetStockObject(c.secondBrush)));
        }
    }
}

} // namespace
