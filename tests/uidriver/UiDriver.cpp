// uidriver: drives a Windows program the way a person would and prints what
// it saw, one line per fact, for tests to compare. It runs inside Wine next
// to the program under test. Commands come one per command-line argument or,
// without arguments, one per line on standard input (see README.md).
//
// It does only what the script says: it dismisses no box, presses no button
// and ends no program on its own. Every wait has a time limit; the first
// command that fails prints a "fail" line and ends the run with exit code 1.
#include "Script.h"
#include "UiDriverHook.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace {

const DWORD kPollMs = 50;

// A command that could not be done; the text says why.
struct CFailure {
    std::string text;
};

[[noreturn]] void Fail(const std::string& text)
{
    throw CFailure{text};
}

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Windows' command-line quoting, so that the started program's argv gets
// exactly the words of the script.
std::wstring QuoteArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < arg.size() && arg[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == arg.size()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        out.append(arg[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out += arg[i];
    }
    return out + L"\"";
}

int ParseId(const std::string& word)
{
    char* end = nullptr;
    long id = std::strtol(word.c_str(), &end, 0);
    if (word.empty() || *end)
        Fail("not a control id: " + word);
    return static_cast<int>(id);
}

std::string ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return Narrow(name);
}

// The caption of a top-level window as the system keeps it: never blocks on
// a program that does not answer.
std::string TitleOf(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, &title[0], length + 1)));
    return Narrow(title);
}

bool IsClass(HWND window, const char* name)
{
    return lstrcmpiA(ClassOf(window).c_str(), name) == 0;
}

class CDriver {
public:
    CDriver();
    ~CDriver();
    // Runs one script line; false when it failed (the fail line is printed).
    bool Execute(const std::string& line);

private:
    using CArgs = CWords;
    void Timeout(const CArgs& args);
    void Cd(const CArgs& args);
    void Start(const CArgs& args);
    void Wait(const CArgs& args);
    void WaitWindow(const CArgs& args);
    void WaitText(const CArgs& args);
    void WaitGone(const CArgs& args);
    void WaitExit(const CArgs& args);
    void WaitEnabled(const CArgs& args);
    void WaitFocus(const CArgs& args);
    void WaitCursor(const CArgs& args);
    void WaitInk(const CArgs& args);
    void Title(const CArgs& args);
    void Controls(const CArgs& args);
    void Text(const CArgs& args);
    void Items(const CArgs& args);
    void Type(const CArgs& args);
    void Set(const CArgs& args);
    void Paste(const CArgs& args);
    void Pick(const CArgs& args);
    void Click(const CArgs& args);
    void Key(const CArgs& args);
    void Focus(const CArgs& args);
    void Check(const CArgs& args);
    void SysMenu(const CArgs& args);
    void Popup(const CArgs& args);
    void Drop(const CArgs& args);
    void Hover(const CArgs& args);
    void Press(const CArgs& args);
    void Close(const CArgs& args);
    void Kill(const CArgs& args);

    void Expect(const CArgs& args, size_t count, const char* usage) const;
    bool WaitFor(const std::function<bool()>& ready);
    void CheckRunning();
    HWND Window() const;
    HWND Control(const std::string& id) const;
    HWND UsableControl(const std::string& id) const;
    LRESULT Send(HWND window, UINT message, WPARAM w, LPARAM l) const;
    std::string TextOf(HWND window) const;
    std::vector<std::string> ItemsOf(HWND control) const;
    std::string Describe(HWND control, const char* what = "control") const;
    HWND FocusOf(HWND window) const;
    void SendShiftTab(HWND window);
    HWND WaitPopup();
    CExchange& Exchange();
    void AskHook(HWND window, ERequest request);
    std::string WaitAnswer(HWND window, ERequest request, const std::string& want);
    void MoveMouse(HWND control, bool click);
    std::vector<CMenuItemInfo> MenuOf(HWND window, ERequest request);
    size_t ChosenItem(const std::vector<CMenuItemInfo>& items, const std::string& text) const;
    void Attach(HWND window);
    void Acted();

    std::map<std::string, void (CDriver::*)(const CArgs&)> m_commands;
    DWORD m_timeoutMs = 10000;
    std::wstring m_folder;
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    HWND m_window = nullptr;
    // Windows we clicked or typed a key in: the click may be closing them,
    // so `wait window` never takes one of them again.
    std::set<HWND> m_acted;
    // The hook DLL and the block it answers in, made at the first request.
    HMODULE m_hookModule = nullptr;
    HOOKPROC m_hookProc = nullptr;
    HANDLE m_mapping = nullptr;
    CExchange* m_exchange = nullptr;
};

CDriver::CDriver()
{
    m_commands = {
        {"timeout", &CDriver::Timeout}, {"cd", &CDriver::Cd},
        {"start", &CDriver::Start},     {"wait", &CDriver::Wait},
        {"title", &CDriver::Title},     {"controls", &CDriver::Controls},
        {"text", &CDriver::Text},       {"items", &CDriver::Items},
        {"type", &CDriver::Type},       {"set", &CDriver::Set},
        {"pick", &CDriver::Pick},       {"click", &CDriver::Click},
        {"key", &CDriver::Key},         {"close", &CDriver::Close},
        {"kill", &CDriver::Kill},       {"focus", &CDriver::Focus},
        {"check", &CDriver::Check},     {"sysmenu", &CDriver::SysMenu},
        {"popup", &CDriver::Popup},     {"drop", &CDriver::Drop},
        {"hover", &CDriver::Hover},     {"press", &CDriver::Press},
        {"paste", &CDriver::Paste},
    };
}

CDriver::~CDriver()
{
    if (m_process)
        CloseHandle(m_process);
    if (m_exchange)
        UnmapViewOfFile(m_exchange);
    if (m_mapping)
        CloseHandle(m_mapping);
    if (m_hookModule)
        FreeLibrary(m_hookModule);
}

bool CDriver::Execute(const std::string& line)
{
    CWords words;
    std::string error;
    try {
        if (!SplitWords(line, words, error))
            Fail(error);
        if (words.empty() || words[0][0] == '#')
            return true;
        auto command = m_commands.find(words[0]);
        if (command == m_commands.end())
            Fail("unknown command " + words[0]);
        (this->*command->second)(words);
        return true;
    } catch (const CFailure& failure) {
        size_t end = line.find_last_not_of("\r\n");
        Print("fail " + Quote(line.substr(0, end == std::string::npos ? 0 : end + 1)) + ": " +
              failure.text);
        return false;
    }
}

void CDriver::Expect(const CArgs& args, size_t count, const char* usage) const
{
    if (args.size() != count)
        Fail(std::string("usage: ") + usage);
}

bool CDriver::WaitFor(const std::function<bool()>& ready)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount() - start >= m_timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

// A program that ended cannot show what we wait for: say so at once.
void CDriver::CheckRunning()
{
    DWORD code;
    if (m_process && WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(m_process, &code))
        Fail("the program ended with exit code " + std::to_string(code));
}

HWND CDriver::Window() const
{
    if (!m_window || !IsWindow(m_window))
        Fail("no window: wait for one first");
    return m_window;
}

// "1009/1" is control 1 inside control 1009: the part of a compound control.
HWND CDriver::Control(const std::string& id) const
{
    HWND control = Window();
    size_t from = 0;
    for (size_t slash; control && (slash = id.find('/', from)) != std::string::npos;
         from = slash + 1)
        control = GetDlgItem(control, ParseId(id.substr(from, slash - from)));
    if (control)
        control = GetDlgItem(control, ParseId(id.substr(from)));
    if (!control)
        Fail("no control " + id + " in the window");
    return control;
}

// A person can only act on a control they can see and that is enabled.
HWND CDriver::UsableControl(const std::string& id) const
{
    HWND control = Control(id);
    if (!IsWindowVisible(control))
        Fail("control " + id + " is hidden");
    if (!IsWindowEnabled(control))
        Fail("control " + id + " is disabled");
    return control;
}

LRESULT CDriver::Send(HWND window, UINT message, WPARAM w, LPARAM l) const
{
    // Even with a short wait limit a window gets a second to answer.
    const DWORD kLeastMs = 1000;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_NORMAL,
                             m_timeoutMs < kLeastMs ? kLeastMs : m_timeoutMs, &result))
        Fail("the window did not answer");
    return static_cast<LRESULT>(result);
}

// WM_GETTEXT is sent, not read from the window's caption: for a control of
// another program GetWindowText would not show what was typed into it.
std::string CDriver::TextOf(HWND window) const
{
    LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return Narrow(text);
}

std::vector<std::string> CDriver::ItemsOf(HWND control) const
{
    bool combo = IsClass(control, "ComboBox");
    if (!combo && !IsClass(control, "ListBox"))
        Fail("not a combo box or list box");
    LRESULT count = Send(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    std::vector<std::string> items;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = Send(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
        std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        LRESULT copied =
            Send(control, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
        items.push_back(Narrow(text));
    }
    return items;
}

std::string CDriver::Describe(HWND control, const char* what) const
{
    std::string line = std::string(what) + " " + std::to_string(GetDlgCtrlID(control)) + " " +
                       ClassOf(control) + " " + Quote(TextOf(control));
    if (IsClass(control, PROGRESS_CLASSA))
        line += " pos=" + std::to_string(Send(control, PBM_GETPOS, 0, 0));
    if (!IsWindowEnabled(control))
        line += " disabled";
    if (!IsWindowVisible(control))
        line += " hidden";
    return line;
}

// A window found without `start` makes its program the current one, so that
// a second run of the driver can go on where the first one stopped.
void CDriver::Attach(HWND window)
{
    m_window = window;
    if (m_process)
        return;
    GetWindowThreadProcessId(window, &m_processId);
    m_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE,
                            m_processId);
}

void CDriver::Acted()
{
    m_acted.insert(m_window);
}

void CDriver::Timeout(const CArgs& args)
{
    Expect(args, 2, "timeout SECONDS");
    char* end = nullptr;
    double seconds = std::strtod(args[1].c_str(), &end);
    if (*end || seconds < 0)
        Fail("not a number of seconds: " + args[1]);
    m_timeoutMs = static_cast<DWORD>(seconds * 1000);
}

void CDriver::Cd(const CArgs& args)
{
    Expect(args, 2, "cd FOLDER");
    m_folder = Widen(args[1]);
}

void CDriver::Start(const CArgs& args)
{
    if (args.size() < 2)
        Fail("usage: start PROGRAM [ARGUMENTS...]");
    std::wstring commandLine;
    for (size_t i = 1; i < args.size(); ++i)
        commandLine += (i > 1 ? L" " : L"") + QuoteArgument(Widen(args[i]));
    // The program gets the NUL device as its standard handles and none of
    // ours: holding our output open, it would make whoever reads our output
    // to its end wait for the program too.
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(which), HANDLE_FLAG_INHERIT, 0);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  m_folder.empty() ? nullptr : m_folder.c_str(), &startup, &info);
    DWORD error = GetLastError();
    CloseHandle(nul);
    if (!started)
        Fail("cannot start it (error " + std::to_string(error) + ")");
    CloseHandle(info.hThread);
    if (m_process)
        CloseHandle(m_process);
    m_process = info.hProcess;
    m_processId = info.dwProcessId;
    m_window = nullptr;
}

void CDriver::Wait(const CArgs& args)
{
    static const std::map<std::string, void (CDriver::*)(const CArgs&)> forms = {
        {"window", &CDriver::WaitWindow},
        {"text", &CDriver::WaitText},
        {"gone", &CDriver::WaitGone},
        {"exit", &CDriver::WaitExit},
        {"enabled", &CDriver::WaitEnabled},
        {"disabled", &CDriver::WaitEnabled},
        {"shown", &CDriver::WaitEnabled},
        {"hidden", &CDriver::WaitEnabled},
        {"focus", &CDriver::WaitFocus},
        {"cursor", &CDriver::WaitCursor},
        {"ink", &CDriver::WaitInk},
    };
    auto form = args.size() > 1 ? forms.find(args[1]) : forms.end();
    if (form == forms.end())
        Fail("usage: wait window|text|gone|exit|enabled|disabled|shown|hidden|focus|cursor|ink ...");
    (this->*form->second)(args);
}

void CDriver::WaitWindow(const CArgs& args)
{
    std::string title, className, value;
    bool byTitle = false, byClass = false, again = false;
    int control = 0;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "again")
            again = true;
        else if (TakeOption(args[i], "title", value))
            title = value, byTitle = true;
        else if (TakeOption(args[i], "class", value))
            className = value, byClass = true;
        else if (TakeOption(args[i], "control", value))
            control = ParseId(value);
        else
            Fail("usage: wait window [title=TITLE] [class=CLASS] [control=ID] [again]");
    }
    HWND found = nullptr;
    // control=ID tells apart windows that share a caption: a program's
    // message boxes (text 65535) from its own dialog.
    auto match = [&](HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        return IsWindowVisible(window) && (again || !m_acted.count(window)) &&
               (!m_processId || process == m_processId) &&
               (!byClass || ClassOf(window) == className) &&
               (!byTitle || TitleOf(window) == title) &&
               (!control || GetDlgItem(window, control));
    };
    bool ready = WaitFor([&] {
        CheckRunning();
        for (HWND w = GetTopWindow(nullptr); w && !found; w = GetWindow(w, GW_HWNDNEXT))
            if (match(w))
                found = w;
        return found != nullptr;
    });
    if (!ready)
        Fail("no such window within the time limit");
    Attach(found);
    Print("window " + ClassOf(found) + " " + Quote(TitleOf(found)));
}

void CDriver::WaitText(const CArgs& args)
{
    Expect(args, 4, "wait text ID TEXT");
    HWND control = Control(args[2]);
    std::string seen;
    if (!WaitFor([&] {
            CheckRunning();
            return (seen = TextOf(control)) == args[3];
        }))
        Fail("control " + args[2] + " still shows " + Quote(seen));
    Print("text " + args[2] + " " + Quote(seen));
}

void CDriver::WaitGone(const CArgs& args)
{
    Expect(args, 2, "wait gone");
    HWND window = Window();
    if (!WaitFor([&] { return !IsWindow(window); }))
        Fail("the window is still there");
    m_window = nullptr;
    Print("gone");
}

void CDriver::WaitExit(const CArgs& args)
{
    Expect(args, 2, "wait exit");
    if (!m_process)
        Fail("no program: start one or wait for one of its windows first");
    DWORD code = 0;
    if (WaitForSingleObject(m_process, m_timeoutMs) != WAIT_OBJECT_0)
        Fail("the program is still running");
    GetExitCodeProcess(m_process, &code);
    Print("exit " + std::to_string(code));
}

void CDriver::WaitEnabled(const CArgs& args)
{
    Expect(args, 3, "wait enabled|disabled|shown|hidden ID");
    bool visibility = args[1] == "shown" || args[1] == "hidden";
    bool wanted = args[1] == "enabled" || args[1] == "shown";
    HWND control = Control(args[2]);
    if (!WaitFor([&] {
            CheckRunning();
            BOOL state = visibility ? IsWindowVisible(control) : IsWindowEnabled(control);
            return (state != FALSE) == wanted;
        }))
        Fail("control " + args[2] + " is still " +
             (visibility ? (wanted ? "hidden" : "shown") : (wanted ? "disabled" : "enabled")));
    Print(args[1] + " " + args[2]);
}

void CDriver::WaitFocus(const CArgs& args)
{
    Expect(args, 3, "wait focus ID");
    HWND control = Control(args[2]);
    if (!WaitFor([&] {
            CheckRunning();
            return FocusOf(Window()) == control;
        }))
        Fail("control " + args[2] + " does not get the focus");
    Print("focus " + args[2]);
}

void CDriver::Title(const CArgs& args)
{
    Expect(args, 1, "title");
    Print("title " + Quote(TitleOf(Window())));
}

void CDriver::Controls(const CArgs& args)
{
    Expect(args, 1, "controls");
    for (HWND c = GetWindow(Window(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        Print(Describe(c));
}

void CDriver::Text(const CArgs& args)
{
    Expect(args, 2, "text ID");
    Print("text " + args[1] + " " + Quote(TextOf(Control(args[1]))));
}

void CDriver::Items(const CArgs& args)
{
    Expect(args, 2, "items ID");
    HWND control = Control(args[1]);
    std::vector<std::string> items = ItemsOf(control);
    bool combo = IsClass(control, "ComboBox");
    for (size_t i = 0; i < items.size(); ++i) {
        bool selected = combo ? Send(control, CB_GETCURSEL, 0, 0) == static_cast<LRESULT>(i)
                              : Send(control, LB_GETSEL, i, 0) > 0;
        Print("item " + args[1] + " " + Quote(items[i]) + (selected ? " selected" : ""));
    }
}

// Characters arrive one by one as from the keyboard, so the control's own
// filtering and change notifications run as they would for a person.
void CDriver::Type(const CArgs& args)
{
    Expect(args, 3, "type ID TEXT");
    HWND control = UsableControl(args[1]);
    for (wchar_t c : Widen(args[2]))
        Send(control, WM_CHAR, c, 1);
}

void CDriver::Set(const CArgs& args)
{
    Expect(args, 3, "set ID TEXT");
    HWND control = UsableControl(args[1]);
    std::wstring text = Widen(args[2]);
    Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Puts TEXT on the clipboard and pastes it into the control, as its
// context menu's Paste does (WM_PASTE; Ctrl+V in an edit sends the same).
void CDriver::Paste(const CArgs& args)
{
    Expect(args, 3, "paste ID TEXT");
    HWND control = UsableControl(args[1]);
    std::wstring text = Widen(args[2]);
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        Fail("no memory for the clipboard");
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        Fail("the clipboard cannot be opened");
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory))
        GlobalFree(memory);
    CloseClipboard();
    Send(control, WM_PASTE, 0, 0);
}

// Selects the item with exactly this text and tells the window, as a
// person's pick does (CBN_SELCHANGE; LBN_SELCHANGE for lists that notify).
void CDriver::Pick(const CArgs& args)
{
    Expect(args, 3, "pick ID TEXT");
    HWND control = UsableControl(args[1]);
    std::vector<std::string> items = ItemsOf(control);
    size_t index = 0;
    while (index < items.size() && items[index] != args[2])
        ++index;
    if (index == items.size())
        Fail("no item " + Quote(args[2]) + " in control " + args[1]);
    int id = GetDlgCtrlID(control);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    HWND parent = GetParent(control);
    if (IsClass(control, "ComboBox")) {
        Send(control, CB_SETCURSEL, index, 0);
        Send(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
        return;
    }
    if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))
        Fail("lists with several selections are not supported");
    Send(control, LB_SETCURSEL, index, 0);
    if (style & LBS_NOTIFY)
        Send(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
}

// Posted, not sent: a click often opens a modal box, and the driver must go
// on to find it.
void CDriver::Click(const CArgs& args)
{
    Expect(args, 2, "click ID");
    HWND button = UsableControl(args[1]);
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    Acted();
}

// The control of `window` that has the keyboard focus (the window itself
// when none of its controls has it), or null when the focus is elsewhere.
HWND CDriver::FocusOf(HWND window) const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus)
        return nullptr;
    if (info.hwndFocus != window && !IsChild(window, info.hwndFocus))
        return nullptr;
    return info.hwndFocus;
}

// A key press goes to the control that has the focus, through the program's
// message loop, where dialogs turn Enter and Esc into their buttons.
void CDriver::Key(const CArgs& args)
{
    static const std::map<std::string, UINT> keys = {
        {"enter", VK_RETURN}, {"esc", VK_ESCAPE},  {"tab", VK_TAB},     {"space", VK_SPACE},
        {"up", VK_UP},        {"down", VK_DOWN},   {"left", VK_LEFT},   {"right", VK_RIGHT},
        {"delete", VK_DELETE}};
    Expect(args, 2, "key enter|esc|tab|shift+tab|space|up|down|left|right|delete");
    HWND window = Window();
    if (args[1] == "shift+tab") {
        SendShiftTab(window);
        Acted();
        return;
    }
    auto key = keys.find(args[1]);
    if (key == keys.end())
        Fail("unknown key " + args[1]);
    HWND focus = FocusOf(window);
    HWND target = focus ? focus : window;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key->second, MAPVK_VK_TO_VSC)) << 16;
    // The arrows and Delete are the keyboard's extended keys.
    if (key->second != VK_RETURN && key->second != VK_ESCAPE && key->second != VK_TAB &&
        key->second != VK_SPACE)
        scan |= 1 << 24;
    PostMessageW(target, WM_KEYDOWN, key->second, scan | 1);
    PostMessageW(target, WM_KEYUP, key->second, scan | 1 | (1u << 30) | (1u << 31));
    Acted();
}

// Shift+Tab is the only key whose meaning depends on another key held down:
// the dialog asks the keyboard state, which posted messages do not change.
// It is typed as a person types it, into the window in front, which must be
// the current one.
void CDriver::SendShiftTab(HWND window)
{
    if (GetForegroundWindow() != window) {
        SetForegroundWindow(window);
        if (!WaitFor([&] { return GetForegroundWindow() == window; }))
            Fail("the window cannot be brought to the front");
    }
    INPUT input[4] = {};
    const WORD keys[4] = {VK_SHIFT, VK_TAB, VK_TAB, VK_SHIFT};
    for (int i = 0; i < 4; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wVk = keys[i];
        input[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC));
        input[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    if (SendInput(4, input, sizeof input[0]) != 4)
        Fail("the keys could not be typed");
}

void CDriver::Focus(const CArgs& args)
{
    Expect(args, 1, "focus");
    HWND window = Window();
    HWND focus = FocusOf(window);
    if (!focus)
        Print("focus none");
    else if (focus == window)
        Print("focus window");
    else
        Print(Describe(focus, "focus"));
}

void CDriver::Check(const CArgs& args)
{
    Expect(args, 2, "check ID");
    HWND control = Control(args[1]);
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (!IsClass(control, "Button") ||
        (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_3STATE &&
         type != BS_AUTO3STATE && type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON))
        Fail("control " + args[1] + " is not a check box");
    LRESULT state = Send(control, BM_GETCHECK, 0, 0);
    Print("check " + args[1] +
          (state == BST_CHECKED ? " checked" : state == BST_INDETERMINATE ? " indeterminate"
                                                                          : " unchecked"));
}

CExchange& CDriver::Exchange()
{
    if (m_exchange)
        return *m_exchange;
    wchar_t name[64];
    ExchangeName(GetCurrentProcessId(), name);
    m_mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                   sizeof(CExchange), name);
    if (m_mapping)
        m_exchange = static_cast<CExchange*>(
            MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CExchange)));
    if (!m_exchange)
        Fail("cannot make the block the hook answers in");
    return *m_exchange;
}

// Runs a request inside the program that owns `window` (UiDriverHook.h):
// the hook is set on the window's thread only for the one sent message.
void CDriver::AskHook(HWND window, ERequest request)
{
    CExchange& exchange = Exchange();
    if (!m_hookModule) {
        wchar_t path[MAX_PATH] = L"";
        DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll(path, length);
        dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"uidriver-hook.dll";
        m_hookModule = LoadLibraryW(dll.c_str());
        if (!m_hookModule)
            Fail("cannot load " + Narrow(dll));
        m_hookProc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(GetProcAddress(m_hookModule, kHookProcName)));
        if (!m_hookProc)
            Fail("uidriver-hook.dll has no hook procedure");
    }
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, m_hookProc, m_hookModule,
                                   GetWindowThreadProcessId(window, nullptr));
    if (!hook)
        Fail("cannot hook the program (error " + std::to_string(GetLastError()) + ")");
    exchange.answered = FALSE;
    DWORD_PTR result = 0;
    BOOL answered = SendMessageTimeoutW(window, RegisterWindowMessageW(kRequestMessage), request,
                                        static_cast<LPARAM>(GetCurrentProcessId()), SMTO_NORMAL,
                                        m_timeoutMs < 1000 ? 1000 : m_timeoutMs, &result);
    UnhookWindowsHookEx(hook);
    if (!answered)
        Fail("the window did not answer");
    if (!exchange.answered)
        Fail("the driver's hook did not run in the program");
}

std::vector<CMenuItemInfo> CDriver::MenuOf(HWND window, ERequest request)
{
    AskHook(window, request);
    const CExchange& exchange = Exchange();
    return std::vector<CMenuItemInfo>(exchange.items, exchange.items + exchange.itemCount);
}

std::string MenuLine(const CMenuItemInfo& item)
{
    if (item.type & MFT_SEPARATOR)
        return "menu separator";
    std::string line = "menu " + std::to_string(item.id) + " " + Quote(Narrow(item.text));
    if (item.state & MFS_DISABLED)
        line += " disabled";
    if (item.state & MFS_CHECKED)
        line += " checked";
    if (item.submenu)
        line += " submenu";
    return line;
}

// The index of the item with exactly this text, when a person could choose it.
size_t CDriver::ChosenItem(const std::vector<CMenuItemInfo>& items, const std::string& text) const
{
    for (size_t i = 0; i < items.size(); ++i) {
        if ((items[i].type & MFT_SEPARATOR) || Narrow(items[i].text) != text)
            continue;
        if (items[i].state & MFS_DISABLED)
            Fail("menu item " + Quote(text) + " is disabled");
        if (items[i].submenu)
            Fail("menu item " + Quote(text) + " opens a submenu");
        return i;
    }
    Fail("no menu item " + Quote(text));
}

// Lists the system menu, or chooses an item of it as the menu does: the
// window gets WM_SYSCOMMAND with the item's command.
void CDriver::SysMenu(const CArgs& args)
{
    if (args.size() > 2)
        Fail("usage: sysmenu [TEXT]");
    HWND window = Window();
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU))
        Fail("the window has no system menu");
    std::vector<CMenuItemInfo> items = MenuOf(window, requestSystemMenu);
    if (args.size() == 1) {
        for (const CMenuItemInfo& item : items)
            Print(MenuLine(item));
        return;
    }
    PostMessageW(window, WM_SYSCOMMAND, items[ChosenItem(items, args[1])].id, 0);
    Acted();
}

// The popup menu (TrackPopupMenu) the current program shows.
HWND CDriver::WaitPopup()
{
    HWND found = nullptr;
    bool ready = WaitFor([&] {
        CheckRunning();
        for (HWND w = GetTopWindow(nullptr); w && !found; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            if (IsWindowVisible(w) && IsClass(w, "#32768") && !m_acted.count(w) &&
                (!m_processId || process == m_processId))
                found = w;
        }
        return found != nullptr;
    });
    if (!ready)
        Fail("no popup menu within the time limit");
    return found;
}

// Lists the open popup menu, or chooses an item with the keys a person
// would use: Home selects the first item, Down moves over the others
// (separators are skipped), Enter chooses.
void CDriver::Popup(const CArgs& args)
{
    if (args.size() > 2)
        Fail("usage: popup [TEXT]");
    HWND popup = WaitPopup();
    std::vector<CMenuItemInfo> items = MenuOf(popup, requestPopupMenu);
    if (args.size() == 1) {
        for (const CMenuItemInfo& item : items)
            Print(MenuLine(item));
        return;
    }
    size_t chosen = ChosenItem(items, args[1]);
    std::vector<UINT> keys = {VK_HOME};
    for (size_t i = 0; i < chosen; ++i)
        if (!(items[i].type & MFT_SEPARATOR))
            keys.push_back(VK_DOWN);
    keys.push_back(VK_RETURN);
    for (UINT key : keys) {
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(popup, WM_KEYDOWN, key, scan | 1);
        PostMessageW(popup, WM_KEYUP, key, scan | 1 | (1u << 30) | (1u << 31));
    }
    m_acted.insert(popup);
}

// Drops files on the current window as the shell does: a real WM_DROPFILES
// whose DROPFILES block the hook makes in the program's own global memory.
void CDriver::Drop(const CArgs& args)
{
    if (args.size() < 2)
        Fail("usage: drop FILE...");
    HWND window = Window();
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        Fail("the window does not accept dropped files");
    std::wstring files;
    for (size_t i = 1; i < args.size(); ++i)
        files += Widen(args[i]) + L'\0';
    files += L'\0';
    CExchange& exchange = Exchange();
    if (files.size() > sizeof exchange.files / sizeof exchange.files[0])
        Fail("the file names are too long for one drop");
    files.copy(exchange.files, files.size());
    AskHook(window, requestDropFiles);
}

// Asks the program until its answer is `want`: what the mouse did reaches
// the program as input, after the driver has gone on.
std::string CDriver::WaitAnswer(HWND window, ERequest request, const std::string& want)
{
    std::string seen;
    WaitFor([&] {
        CheckRunning();
        AskHook(window, request);
        return (seen = Exchange().answer) == want;
    });
    return seen;
}

void CDriver::WaitCursor(const CArgs& args)
{
    Expect(args, 3, "wait cursor arrow|none|WxH hotspot=X,Y");
    std::string seen = WaitAnswer(Window(), requestCursor, args[2]);
    if (seen != args[2])
        Fail("the cursor is still " + Quote(seen));
    Print("cursor " + Quote(seen));
}

void CDriver::WaitInk(const CArgs& args)
{
    Expect(args, 4, "wait ink ID #RRGGBB[ underlined]|none");
    std::string seen = WaitAnswer(Control(args[2]), requestInk, args[3]);
    if (seen != args[3])
        Fail("control " + args[2] + " still draws " + Quote(seen));
    Print("ink " + args[2] + " " + Quote(seen));
}

// Moves the mouse onto the middle of `control` as a person's hand does,
// then, for a click, presses and lets go of the left button there. Under
// Wine the display reports each move of the pointer back a little later,
// and a late report of an earlier move takes the pointer back there: the
// move is made again until the pointer has stayed put for a while, and the
// button's events carry the position too, so that a late report between
// them does not take the click elsewhere.
void CDriver::MoveMouse(HWND control, bool click)
{
    const DWORD kSettleMs = 500;
    RECT rect;
    GetWindowRect(control, &rect);
    POINT to = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input) {
        one.type = INPUT_MOUSE;
        // Absolute positions are in 65536ths of the screen, to the pixel's middle.
        one.mi.dx = static_cast<LONG>((to.x * 65536LL + 32768) / width);
        one.mi.dy = static_cast<LONG>((to.y * 65536LL + 32768) / height);
        one.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    input[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    DWORD since = 0;
    bool moved = false;
    bool settled = WaitFor([&] {
        POINT at;
        if (moved && GetCursorPos(&at) && at.x == to.x && at.y == to.y)
            return GetTickCount() - since >= kSettleMs;
        if (SendInput(1, input, sizeof input[0]) != 1)
            Fail("the mouse could not be moved");
        moved = true;
        since = GetTickCount();
        return false;
    });
    if (!settled)
        Fail("the mouse does not stay on control " + std::to_string(GetDlgCtrlID(control)));
    if (click && SendInput(2, input + 1, sizeof input[0]) != 2)
        Fail("the mouse button could not be pressed");
}

void CDriver::Hover(const CArgs& args)
{
    Expect(args, 2, "hover ID");
    MoveMouse(UsableControl(args[1]), false);
}

void CDriver::Press(const CArgs& args)
{
    Expect(args, 2, "press ID");
    MoveMouse(UsableControl(args[1]), true);
    Acted();
}

void CDriver::Close(const CArgs& args)
{
    Expect(args, 1, "close");
    PostMessageW(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Acted();
}

void CDriver::Kill(const CArgs& args)
{
    Expect(args, 1, "kill");
    if (!m_process)
        Fail("no program to end");
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, m_timeoutMs);
}

} // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    CDriver driver;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc > 1) {
        for (int i = 1; i < argc; ++i)
            if (!driver.Execute(Narrow(argv[i])))
                return 1;
        return 0;
    }
    char buffer[4096];
    std::string line;
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        line += buffer;
        if (line.back() != '\n' && !std::feof(stdin))
            continue;
        if (!driver.Execute(line))
            return 1;
        line.clear();
    }
    if (!line.empty() && !driver.Execute(line))
        return 1;
    return 0;
}
