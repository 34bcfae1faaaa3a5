// CHLinkCtrl on a dialog under Wine: which statics become links, the colour
// of each state, what a click opens and what a failed open leaves.
#include "AboutRes.h"
#include "Dialog.h"
#include "DlgTemplateBuilder.h"
#include "HLinkCtrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kPurple = RGB(128, 0, 128);
const COLORREF kRed = RGB(255, 0, 0);

// What the link was asked to open, and what the open answers.
struct COpened {
    bool succeed = true;
    std::vector<std::string> targets;
    HWND owner = nullptr;
};
COpened g_opened;

bool RecordOpen(HWND owner, const char* target)
{
    g_opened.targets.push_back(target);
    g_opened.owner = owner;
    return g_opened.succeed;
}

// How the dialog's colour message left a static's drawing.
struct CDrawn {
    HBRUSH brush;
    COLORREF colour;
    bool underlined;
};

// A dialog whose statics (IDs 1, 2, ...) are all made links; `check` runs
// once the dialog is up, then the dialog closes.
class CLinkDialog : public CDialog {
public:
    explicit CLinkDialog(size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            links.push_back(std::make_unique<CHLinkCtrl>(IDR_LINK_HAND, "https://dravikon.example.org"));
    }

    CDrawn Draw(int id) const
    {
        HDC dc = GetDC(m_window);
        HBRUSH brush = reinterpret_cast<HBRUSH>(Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(GetItem(id))));
        LOGFONTA font = {};
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
        CDrawn drawn = {brush, GetTextColor(dc), font.lfUnderline != 0};
        ReleaseDC(m_window, dc);
        return drawn;
    }

    std::vector<std::unique_ptr<CHLinkCtrl>> links;
    std::function<void(CLinkDialog&)> check;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        check(*this);
        PostMessageA(m_window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void DoDataExchange(CDataExchange& dx) override
    {
        for (size_t i = 0; i < links.size(); ++i)
            DDX_Control(dx, static_cast<int>(i + 1), *links[i]);
    }
};

// Runs `check` on a dialog with one static per style.
void WithLinks(const std::vector<uint32_t>& styles, const std::function<void(CLinkDialog&)>& check)
{
    CDlgTemplateBuilder builder;
    builder.SetCaption(u"Links");
    builder.SetRect({0, 0, 300, 40 + 25 * static_cast<int32_t>(styles.size())});
    for (size_t i = 0; i < styles.size(); ++i) {
        int32_t top = 10 + 25 * static_cast<int32_t>(i);
        uint16_t id = builder.AddStatic({10, top, 250, top + 16}, u"https://dravikon.example.org");
        builder.ModifyItemStyle(id, styles[i], 0);
    }
    CLinkDialog dialog(styles.size());
    dialog.check = check;
    ASSERT_EQ(dialog.DoModalIndirect(builder.Build({6, 13, 96}).data(), nullptr), IDOK);
}

TEST(HLinkCtrl, TextStaticsBecomeLinksIconsAndFramesKeepTheirDrawing)
{
    struct {
        uint32_t style;
        bool link;
    } cases[] = {
        {SS_LEFT, true},          {SS_CENTER, true},       {SS_RIGHT, true},
        {SS_LEFT | SS_NOPREFIX, true}, {SS_BLACKFRAME, false}, {SS_ETCHEDHORZ, false},
    };
    std::vector<uint32_t> styles;
    for (const auto& c : cases)
        styles.push_back(c.style);
    WithLinks(styles, [&](CLinkDialog& dialog) {
        HBRUSH none = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        for (size_t i = 0; i < styles.size(); ++i) {
            SCOPED_TRACE("static " + std::to_string(i + 1));
            int id = static_cast<int>(i + 1);
            CDrawn drawn = dialog.Draw(id);
            if (cases[i].link) {
                EXPECT_EQ(drawn.brush, none); // the dialog shows through
                EXPECT_EQ(drawn.colour, kBlue);
                EXPECT_TRUE(drawn.underlined);
            } else {
                EXPECT_NE(drawn.brush, none);
                EXPECT_FALSE(drawn.underlined);
            }
            // Every one takes the mouse from now on.
            EXPECT_TRUE(GetWindowLongA(dialog.GetItem(id), GWL_STYLE) & SS_NOTIFY);
        }
    });
}

TEST(HLinkCtrl, ColoursFollowHoverClicksAndFailedOpens)
{
    // Each step, then the colour the link draws in after it.
    enum EStep { hoverOn, hoverOff, clickFails, clickOpens };
    struct {
        EStep step;
        COLORREF colour;
    } steps[] = {
        {hoverOn, kRed},     {hoverOff, kBlue},   {clickFails, kBlue}, {hoverOn, kRed},
        {clickFails, kRed},  {hoverOff, kBlue},   {hoverOn, kRed},     {clickOpens, kRed},
        {hoverOff, kPurple}, {clickFails, kPurple}, {hoverOn, kRed},   {hoverOff, kPurple},
    };
    CHLinkCtrl::SetOpenAction(&RecordOpen);
    g_opened = COpened();
    WithLinks({SS_LEFT}, [&](CLinkDialog& dialog) {
        CHLinkCtrl& link = *dialog.links[0];
        EXPECT_EQ(dialog.Draw(1).colour, kBlue);
        for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
            SCOPED_TRACE("step " + std::to_string(i + 1));
            switch (steps[i].step) {
            case hoverOn:
            case hoverOff:
                link.SetHover(steps[i].step == hoverOn);
                break;
            case clickFails:
            case clickOpens:
                g_opened.succeed = steps[i].step == clickOpens;
                link.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                break;
            }
            EXPECT_EQ(dialog.Draw(1).colour, steps[i].colour);
        }
        EXPECT_EQ(g_opened.owner, dialog.GetHwnd());
    });
    CHLinkCtrl::SetOpenAction(nullptr);
    EXPECT_EQ(g_opened.targets.size(), 4u);
    EXPECT_EQ(g_opened.targets.front(), "https://dravikon.example.org");
}

TEST(HLinkCtrl, ShowsThePointingHand)
{
    WithLinks({SS_LEFT}, [](CLinkDialog& dialog) {
        HWND link = dialog.GetItem(1);
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
                  TRUE);
        EXPECT_EQ(GetCursor(), LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LINK_HAND)));
    });
}

} // namespace
