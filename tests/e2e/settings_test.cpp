// The settings mode of nivora.scr as a user meets it: the dialog beside the pointer, its overlay under the rows, the
// shape that shows the selected row, the buttons, the message box, storing, and every way of closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <oleacc.h>

#include "core/dialog/dialog_layout.h"
#include "option_picture_pixels.h"
#include "readback_protocol.h"
#include "saver.h"

#include <psapi.h>  // after windows.h, which saver.h brings

using e2e::Saver;
using nivora::DialogLayout;
using nivora::heightOf;
using nivora::widthOf;

namespace {

// ---- What the dialog looks like ---------------------------------------------------------------------------------

constexpr int kRows = 5;
constexpr int kOverlayAlpha = 160;

enum Button { Minus, Select, Plus, Ok, Cancel };  // Command1 .. Command5, left to right
const wchar_t* const kButtonNames[5] = {L"-", L"SELECT", L"+", L"OK", L"CANCEL"};

// This program sees the saver's windows in physical pixels, as a per-monitor aware program does, whatever the scale.
const char* const kOwnAwareness = [] {
    using SetContext = BOOL WINAPI(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto* set = reinterpret_cast<SetContext*>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // Wine 8 knows only the first version of per-monitor awareness.
    if (!set || (!set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) && !set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)))
        SetProcessDPIAware();
    // What it is now, asked or not: unless told to honour manifests, Wine makes every program per-monitor aware.
    switch (e2e::ownDpiAwareness()) {
    case DPI_AWARENESS_PER_MONITOR_AWARE:
        return "per-monitor aware";
    case DPI_AWARENESS_SYSTEM_AWARE:
        return "system aware";
    case DPI_AWARENESS_UNAWARE:
        return "unaware";
    default:
        return "of unknown awareness";
    }
}();

int dpiOf(HWND window)
{
    using GetDpi = UINT WINAPI(HWND);
    auto* get = reinterpret_cast<GetDpi*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = get ? get(window) : 0;
    return dpi ? int(dpi) : 96;
}

std::string awarenessOf(HWND window)
{
    using GetContext = DPI_AWARENESS_CONTEXT WINAPI(HWND);
    using GetAwareness = DPI_AWARENESS WINAPI(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto* get = reinterpret_cast<GetContext*>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    auto* awareness = reinterpret_cast<GetAwareness*>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!get || !awareness)
        return "unknown";
    const DPI_AWARENESS value = awareness(get(window));
    switch (value) {
    case DPI_AWARENESS_UNAWARE:
        return "unaware";
    case DPI_AWARENESS_SYSTEM_AWARE:
        return "system aware";
    case DPI_AWARENESS_PER_MONITOR_AWARE:
        return "per-monitor aware";
    default:
        return "awareness " + std::to_string(int(value)) + " (not one the system names)";
    }
}

// The size of a label's or the text box's text in the font it really uses, as the saver measures it. A control
// that does not answer would read as no text at all, which fits every box: that is a failure of its own.
SIZE textExtentOf(HWND control)
{
    static const UINT message = RegisterWindowMessageW(L"Nivora.TextExtent");
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutW(control, message, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
    const SIZE size{LONG(LOWORD(result)), LONG(HIWORD(result))};
    EXPECT_TRUE(answered && size.cx > 0 && size.cy > 0)
        << "no text extent from the control: " << size.cx << " x " << size.cy;
    return size;
}

// The control identifier of each row's first picture: the picture of value i has this plus i.
constexpr int kFirstPicture[kRows + 1] = {0, 100, 110, 130, 140, 150};

const wchar_t* const kErasedMessage = L"設定値を消去して初期状態に戻しました。";

// ---- Helpers ----------------------------------------------------------------------------------------------------

LRESULT send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}

RECT windowRect(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

std::wstring textOf(HWND hwnd)
{
    wchar_t text[512] = {};
    send(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND focusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

std::optional<std::wstring> storedText(const wchar_t* name)
{
    wchar_t text[512] = {};
    DWORD bytes = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Nivora\\Settings", name, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

// An option picture as nivora.scr shows it at a size, as 0x00RRGGBB pixels, top row first: decoded from the pictures
// it carries by the same code, so that every scale is compared exactly.
const std::vector<uint32_t>& optionPicture(int row, int element, SIZE size)
{
    static std::map<std::tuple<int, int, LONG, LONG>, std::vector<uint32_t>> pictures;
    auto& pixels = pictures[{row, element, size.cx, size.cy}];
    if (pixels.empty())
        pixels = e2e::savedOptionPicture(row, element, size);
    return pixels;
}

// How a row is seen: solid from the dialog, or through the dialog's region from the overlay. The overlay is
// layered at alpha 160; where nothing composites layered windows (a bare X server) it is seen opaque, and where
// something does, it is blended over the black backdrop of these tests.
enum class Seen { Solid, ThroughTheOverlay };

bool channelsNear(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d < -tolerance || d > tolerance)
            return false;
    }
    return true;
}

uint32_t overBlack(uint32_t p, int alpha)
{
    uint32_t out = 0;
    for (int shift : {0, 8, 16})
        out |= uint32_t(((p >> shift) & 0xFF) * unsigned(alpha) / 255u) << shift;
    return out;
}

bool rowShows(const e2e::Picture& screen, const DialogLayout& layout, POINT rows, int row, int element, Seen seen)
{
    const int width = layout.rowWidth, height = layout.rowHeight;
    const std::vector<uint32_t>& picture = optionPicture(row, element, {width, height});
    // No picture to compare with: a black stand-in would match the black backdrop wherever nothing is shown.
    if (picture.size() != size_t(width) * size_t(height)) {
        ADD_FAILURE() << "nivora.scr has no picture of row " << row << " value " << element << " at " << width << " x "
                      << height;
        return false;
    }
    bool opaque = true, blended = seen == Seen::ThroughTheOverlay;
    for (int y = 0; y < height && (opaque || blended); ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = rows.x + x, sy = rows.y + (row - 1) * height + y;
            if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height)
                return false;
            const uint32_t expected = picture[size_t(y) * size_t(width) + size_t(x)];
            const uint32_t actual = screen.at(sx, sy);
            opaque = opaque && actual == expected;
            blended = blended && channelsNear(actual, overBlack(expected, kOverlayAlpha), 2);
        }
    return opaque || blended;
}

// The region a dialog of this size has with `item` selected, built from rectangles: the whole window less the
// rows that are not selected, where the rows are on the screen.
bool regionShowsItem(HWND dialog, const DialogLayout& layout, POINT rowsOnScreen, int item)
{
    const RECT window = windowRect(dialog);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int left = rowsOnScreen.x - window.left, top = rowsOnScreen.y - window.top;
    HRGN expected = CreateRectRgn(0, 0, width, height);
    for (int row = 1; row <= kRows; ++row) {
        if (row == item)
            continue;
        HRGN hole = CreateRectRgn(left, top + (row - 1) * layout.rowHeight, left + layout.rowWidth,
                                  top + row * layout.rowHeight);
        CombineRgn(expected, expected, hole, RGN_DIFF);
        DeleteObject(hole);
    }
    HRGN actual = CreateRectRgn(0, 0, 0, 0);
    const bool equal = GetWindowRgn(dialog, actual) != ERROR && EqualRgn(actual, expected);
    DeleteObject(actual);
    DeleteObject(expected);
    return equal;
}

// The running settings mode, as the test finds it.
struct SettingsMode {
    explicit SettingsMode(POINT pointer) : saver((SetCursorPos(pointer.x, pointer.y), L"/c")) { find(); }

    Saver saver;
    HWND dialog = nullptr;
    HWND overlay = nullptr;
    HWND picture1 = nullptr;
    HWND text1 = nullptr;
    HWND label = nullptr;  // the overlay's message
    std::array<HWND, 5> buttons{};

    bool ready() const { return dialog && overlay && picture1 && text1 && label && buttons[Cancel]; }

    // The layout at the dialog's display scale.
    DialogLayout layout() const { return nivora::dialogLayout(dpiOf(dialog)); }

    // The rows' top-left corner on the screen: inside Picture1's sunken edge.
    POINT rows() const
    {
        const DialogLayout l = layout();
        POINT p{l.picture1.left + l.rowBand.left, l.picture1.top + l.rowBand.top};
        ClientToScreen(dialog, &p);
        return p;
    }
    // Text1 in the dialog's client area.
    RECT text1InClient() const
    {
        const DialogLayout l = layout();
        const int dx = l.picture1.left + l.rowBand.left, dy = l.picture1.top + l.rowBand.top;
        return {dx + l.text1.left, dy + l.text1.top, dx + l.text1.right, dy + l.text1.bottom};
    }
    bool regionShows(int item) const { return regionShowsItem(dialog, layout(), rows(), item); }

    // Returns once both windows have handled what was sent to them and painted what it changed.
    void settle() const
    {
        for (HWND w : {dialog, overlay}) {
            send(w, WM_NULL);
            RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }

    void click(Button button) { send(buttons[button], BM_CLICK); }
    bool enabled(Button button) const { return IsWindowEnabled(buttons[button]) != FALSE; }

    // The element of a row's pictures that lies in front inside the dialog: the first visible picture from the top
    // of Picture1's children that covers the row (known by its control identifier).
    int frontElement(int row) const
    {
        for (HWND child = GetWindow(picture1, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(child);
            if (IsWindowVisible(child) && id >= kFirstPicture[row] && id < kFirstPicture[row + 1])
                return id - kFirstPicture[row];
        }
        return -1;
    }

    // Waits until the row shows the picture of that value on the screen.
    bool waitRowShows(int row, int element, Seen seen, const wchar_t* failurePicture)
    {
        e2e::Picture screen;
        const bool shown = e2e::pumpUntil(
            [&] {
                screen = e2e::captureScreen();
                return rowShows(screen, layout(), rows(), row, element, seen);
            },
            3000);
        if (!shown)
            e2e::saveBmp(screen, e2e::outputPath(failurePicture));
        return shown;
    }

private:
    void find()
    {
        // Both windows carry the caption; the dialog has the caption bar.
        e2e::pumpUntil(
            [&] {
                dialog = overlay = nullptr;
                for (HWND w : e2e::topLevelWindowsOf(saver.pid())) {
                    if (!IsWindowVisible(w) || e2e::captionOf(w) != L"Nivora Setting")
                        continue;
                    ((GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? dialog : overlay) = w;
                }
                return dialog && overlay;
            },
            10000);
        if (!dialog || !overlay)
            return;
        // Ready once the program has worked through its start (the overlay's activation among it) and waits for
        // input, with the focus in the dialog.
        WaitForInputIdle(saver.process(), 5000);
        if (!e2e::pumpUntil([&] { return GetForegroundWindow() == dialog; }, 5000))
            dialog = nullptr;
        std::vector<HWND> found;
        for (HWND w : e2e::descendants(dialog)) {
            const std::wstring cls = e2e::className(w);
            if (_wcsicmp(cls.c_str(), L"Button") == 0)
                found.push_back(w);
            else if (_wcsicmp(cls.c_str(), L"Edit") == 0)
                text1 = w;
        }
        std::sort(found.begin(), found.end(), [](HWND a, HWND b) { return windowRect(a).left < windowRect(b).left; });
        if (found.size() == buttons.size())
            std::copy(found.begin(), found.end(), buttons.begin());
        picture1 = text1 ? GetParent(text1) : nullptr;
        label = overlay ? GetWindow(overlay, GW_CHILD) : nullptr;  // in front of the overlay's pictures
    }
};

// Wine hands windows with a caption, and activated ones, to the window manager: to stack them on activation, and
// to withdraw them when they are hidden, which Wine waits up to 2 s for. The test display has no window manager,
// so the saver processes of these tests are told there is none, through the setting of Wine's X11 driver that they
// read when they start; Wine then stacks and withdraws the windows itself.
class NoWindowManager {
public:
    NoWindowManager()
    {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
            return;  // not under Wine
        wchar_t old[8] = {};
        DWORD bytes = sizeof old;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Managed", RRF_RT_REG_SZ, nullptr, old, &bytes) == ERROR_SUCCESS)
            previous_ = old;
        active_ = RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t)) ==
                  ERROR_SUCCESS;
    }
    ~NoWindowManager()
    {
        if (!active_)
            return;
        if (previous_)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, previous_->c_str(),
                            DWORD((previous_->size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed");
    }
    NoWindowManager(const NoWindowManager&) = delete;
    NoWindowManager& operator=(const NoWindowManager&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\X11 Driver";
    bool active_ = false;
    std::optional<std::wstring> previous_;
};

class SettingsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        noWindowManager_ = new NoWindowManager;
        // A black desktop, so what lies behind the overlay is known. One for all the tests: hiding a full-screen
        // window can cost the test process itself the wait for a window manager.
        backdrop_ = new e2e::TestWindow(
            RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
            [](HDC dc, const RECT& r) { FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); });
    }
    static void TearDownTestSuite()
    {
        delete backdrop_;
        backdrop_ = nullptr;
        delete noWindowManager_;
        noWindowManager_ = nullptr;
    }
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }

    // Starts the settings mode with the pointer there, and waits until it is ready for input.
    std::unique_ptr<SettingsMode> open(POINT pointer = {512, 384})
    {
        auto mode = std::make_unique<SettingsMode>(pointer);
        EXPECT_TRUE(mode->ready()) << "the settings mode did not come up with both windows and all its controls";
        return mode;
    }

private:
    static inline NoWindowManager* noWindowManager_ = nullptr;
    static inline e2e::TestWindow* backdrop_ = nullptr;
};

// ---- Tests ------------------------------------------------------------------------------------------------------

TEST_F(SettingsDialog, OpensBesideThePointerWithItsTranslucentOverlayExactlyUnderTheRows)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        POINT pointer;
        bool alignRight, alignBottom;  // pushed back against that screen edge
        POINT corner;                  // otherwise the dialog's top-left corner
    };
    const Case cases[] = {
        {{500, 400}, false, false, {320, 220}},                     // 180 px left of and above the pointer
        {{100, 100}, false, false, {0, 0}},                         // kept on the screen at the top left
        {{screenWidth - 1, screenHeight - 1}, true, true, {0, 0}},  // and at the bottom right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pointer " << c.pointer.x << "," << c.pointer.y);
        auto mode = open(c.pointer);
        ASSERT_TRUE(mode->ready());
        const RECT dialog = windowRect(mode->dialog);
        if (c.alignRight)
            EXPECT_EQ(dialog.right, screenWidth);
        else
            EXPECT_EQ(dialog.left, c.corner.x);
        if (c.alignBottom)
            EXPECT_EQ(dialog.bottom, screenHeight);
        else
            EXPECT_EQ(dialog.top, c.corner.y);

        const DialogLayout layout = mode->layout();
        RECT client{};
        GetClientRect(mode->dialog, &client);
        EXPECT_EQ(client.right, widthOf(layout.settingClient));
        EXPECT_EQ(client.bottom, heightOf(layout.settingClient));
        const LONG style = GetWindowLongW(mode->dialog, GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "a fixed dialog frame";

        // The overlay lies exactly where the rows are inside the dialog: at 100 %, 5 px right of and a caption
        // height + 5 px below the dialog's corner.
        const RECT overlay = windowRect(mode->overlay);
        const POINT rows = mode->rows();
        if (layout.dpi == 96) {
            EXPECT_EQ(overlay.left, dialog.left + 5);
            EXPECT_EQ(overlay.top, dialog.top + GetSystemMetrics(SM_CYCAPTION) + 5);
        }
        EXPECT_EQ(overlay.left, rows.x);
        EXPECT_EQ(overlay.top, rows.y);
        EXPECT_EQ(overlay.right - overlay.left, layout.rowWidth);
        EXPECT_EQ(overlay.bottom - overlay.top, kRows * layout.rowHeight);
        EXPECT_FALSE(GetWindowLongW(mode->overlay, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) << "borderless";

        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(mode->overlay, nullptr, &alpha, &flags));
        EXPECT_EQ(alpha, kOverlayAlpha);
        EXPECT_EQ(flags, DWORD{LWA_ALPHA});

        // The controls where the window definition puts them, at the dialog's scale.
        for (int b = Minus; b <= Cancel; ++b) {
            POINT corner{0, 0};
            ClientToScreen(mode->dialog, &corner);
            const RECT r = windowRect(mode->buttons[size_t(b)]);
            const nivora::Rect& expected = layout.commandButtons[size_t(b)];
            EXPECT_EQ(r.left - corner.x, expected.left) << "button " << b;
            EXPECT_EQ(r.top - corner.y, expected.top) << "button " << b;
            EXPECT_EQ(r.right - corner.x, expected.right) << "button " << b;
            EXPECT_EQ(r.bottom - corner.y, expected.bottom) << "button " << b;
            EXPECT_TRUE(mode->enabled(Button(b))) << "every button is enabled at opening";
        }
        RECT text1 = windowRect(mode->text1);
        MapWindowPoints(nullptr, mode->dialog, reinterpret_cast<POINT*>(&text1), 2);
        const RECT expectedText1 = mode->text1InClient();
        EXPECT_TRUE(EqualRect(&text1, &expectedText1));
        EXPECT_EQ(send(mode->text1, EM_GETLIMITTEXT), 128);
    }
}

TEST_F(SettingsDialog, OpeningWithTheDefaultsShowsEveryRowAndTheMessage)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    // 500 flakes, calm wind, automatic direction, alpha 127; row 1 solid, the others through the overlay.
    const int defaults[] = {0, 1, 6, 1, 2};
    for (int row = 1; row <= 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(mode->frontElement(row), defaults[row]);
        EXPECT_TRUE(mode->waitRowShows(row, defaults[row], row == 1 ? Seen::Solid : Seen::ThroughTheOverlay,
                                       L"settings_defaults.bmp"));
    }
    EXPECT_EQ(textOf(mode->text1), L"TOVEK Super Quorlane 2004");
    EXPECT_EQ(textOf(mode->label), L"TOVEK Super Quorlane 2004");
    EXPECT_TRUE(mode->regionShows(1));
}

TEST_F(SettingsDialog, SelectMovesTheSolidRowRoundAndSetsTheButtonsForIt)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    struct Case {
        int item;
        bool minus, plus;
    };
    // With the defaults every value lies inside its range; the message row has no steps.
    const Case cases[] = {{2, true, true}, {3, true, true}, {4, true, true}, {5, false, false}, {1, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        mode->click(Select);
        EXPECT_TRUE(mode->regionShows(c.item));
        EXPECT_EQ(mode->enabled(Minus), c.minus);
        EXPECT_EQ(mode->enabled(Plus), c.plus);
        EXPECT_EQ(focusOf(mode->dialog), mode->buttons[Select]) << "SELECT keeps the focus";
    }
}

TEST_F(SettingsDialog, OnlyTheSelectedRowIsSeenFromTheDialogTheOthersFromTheOverlay)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    // Where the message is written: inside the text box's edge, and where the overlay's label writes it.
    const int inset = nivora::scaled(3, mode->layout().dpi);
    const RECT box = mode->text1InClient();
    RECT text{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
    MapWindowPoints(mode->dialog, nullptr, reinterpret_cast<POINT*>(&text), 2);
    const auto messageArea = [&] {
        mode->settle();
        const e2e::Picture screen = e2e::captureScreen();
        std::vector<uint32_t> pixels;
        for (LONG y = text.top; y < text.bottom; ++y)
            for (LONG x = text.left; x < text.right; ++x)
                pixels.push_back(screen.at(x, y));
        return pixels;
    };
    const auto boxEdgeSeen = [&] {
        mode->settle();
        const e2e::Picture screen = e2e::captureScreen();
        return screen.at(text.left - inset, text.top - inset) != 0x805AFF;  // the accent colour of the row beneath
    };
    const auto eventually = [](const std::function<bool()>& condition) { return e2e::pumpUntil(condition, 3000); };
    const std::vector<uint32_t> fromOverlay = messageArea();
    const bool overlayOpaque = rowShows(e2e::captureScreen(), mode->layout(), mode->rows(), 2, 6, Seen::Solid);

    // Row 1 selected: the text box lies in a hole of the dialog, so what it holds is not seen.
    const wchar_t* other = L"Edit box text";
    send(mode->text1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other));
    EXPECT_EQ(messageArea(), fromOverlay);
    EXPECT_FALSE(boxEdgeSeen());
    send(mode->text1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"TOVEK Super Quorlane 2004"));

    // Row 5 selected: the dialog's text box is seen, in front of the overlay.
    for (int i = 0; i < 4; ++i)
        mode->click(Select);
    EXPECT_TRUE(eventually(boxEdgeSeen));
    if (overlayOpaque) {  // seen through a compositor, the overlay's text is blended and cannot match
        EXPECT_TRUE(eventually([&] { return messageArea() == fromOverlay; }))
            << "the box shows the message on exactly the overlay's pixels";
    }
    send(mode->text1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other));
    EXPECT_TRUE(eventually([&] { return messageArea() != fromOverlay; }));
    EXPECT_EQ(textOf(mode->label), L"TOVEK Super Quorlane 2004") << "the overlay takes the text when the box is left";
}

TEST_F(SettingsDialog, StepsChangeTheValueItsPicturesAndTheButtonsAndOkStoresThem)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    struct Step {
        Button button;  // Minus, Plus or Select
        int item;       // the item selected after it
        int element;    // the picture the item's row shows then
        bool minus, plus;
        bool focusOnSelect;  // the pressed button was disabled and the focus went to "SELECT"
    };
    const Step steps[] = {
        {Minus, 1, 0, false, true, true},  // 500 -> 100 flakes: the lower bound
        {Minus, 1, 0, false, true, true},  // a disabled button does nothing
        {Plus, 1, 1, true, true, false},    {Plus, 1, 2, true, true, false},  {Plus, 1, 3, true, true, false},
        {Plus, 1, 4, true, false, true},  // 3000 flakes: the upper bound
        {Select, 2, 6, true, true, true},   {Plus, 2, 7, true, true, false},  {Plus, 2, 8, true, true, false},
        {Plus, 2, 9, true, true, false},    {Plus, 2, 10, true, true, false}, {Plus, 2, 11, true, true, false},
        {Plus, 2, 12, true, false, true},                                      // wind +30
        {Select, 3, 1, true, true, true},   {Minus, 3, 0, true, true, false},  // both buttons toggle the direction
        {Plus, 3, 1, true, true, false},    {Plus, 3, 0, true, true, false},  {Select, 4, 2, true, true, true},
        {Plus, 4, 3, true, true, false},    {Minus, 4, 2, true, true, false}, {Minus, 4, 1, true, true, false},
        {Minus, 4, 0, false, true, true},    // alpha 0
        {Select, 5, 0, false, false, true},  // the message row: no steps
    };
    int index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << index++);
        mode->click(s.button);
        EXPECT_EQ(mode->enabled(Minus), s.minus);
        EXPECT_EQ(mode->enabled(Plus), s.plus);
        if (s.focusOnSelect) {
            EXPECT_EQ(focusOf(mode->dialog), mode->buttons[Select]);
        }
        if (s.item <= 4) {
            EXPECT_EQ(mode->frontElement(s.item), s.element);
            EXPECT_TRUE(mode->waitRowShows(s.item, s.element, Seen::Solid, L"settings_steps.bmp"));
        }
    }
    // With the message row selected, rows 1 to 4 are seen in the overlay, which followed every step.
    const int finalElements[] = {0, 4, 12, 0, 0};
    for (int row = 1; row <= 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(mode->waitRowShows(row, finalElements[row], Seen::ThroughTheOverlay, L"settings_overlay.bmp"));
    }

    PostMessageW(mode->buttons[Ok], BM_CLICK, 0, 0);
    EXPECT_TRUE(mode->saver.waitExit(5000)) << "OK closes the dialog and the program ends";
    EXPECT_EQ(mode->saver.exitCode(), 0u);
    struct Stored {
        const wchar_t* name;
        const wchar_t* text;
    };
    const Stored stored[] = {{L"reg_precipitation", L"4"},
                             {L"velocity", L"12"},
                             {L"direction", L"False"},
                             {L"blightness", L"0"},
                             {L"messageText", L"TOVEK Super Quorlane 2004"}};
    for (const Stored& s : stored)
        EXPECT_EQ(storedText(s.name).value_or(L"(none)"), s.text) << testing::Message() << s.name;
}

TEST_F(SettingsDialog, LeavingTheTextBoxTakesTheMessageCutTo128CharactersIntoTheOverlay)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    for (int i = 0; i < 4; ++i)
        mode->click(Select);  // the message row
    struct Case {
        std::wstring typed;
        std::wstring kept;
    };
    const std::wstring long200(200, L'x');
    const std::wstring exactly128 = std::wstring(127, L'y') + L"z";
    const Case cases[] = {
        {L"Snow & Sapporo 2026", L"Snow & Sapporo 2026"},
        {L"雪が降る街", L"雪が降る街"},
        {exactly128, exactly128},
        {long200, long200.substr(0, 128)},
        // 127 letters and then a character of two units: a box limited to 128 units keeps only its first half.
        {std::wstring(127, L'a') + L'\xD83C', std::wstring(127, L'a')},
    };
    std::wstring shown = L"TOVEK Super Quorlane 2004";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.size());
        send(mode->text1, WM_LBUTTONDOWN, MK_LBUTTON, 0);  // into the text box
        send(mode->text1, WM_LBUTTONUP, 0, 0);
        ASSERT_EQ(focusOf(mode->dialog), mode->text1);
        send(mode->text1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed.c_str()));
        mode->click(Plus);  // disabled in the message row: the focus stays in the box
        EXPECT_EQ(focusOf(mode->dialog), mode->text1);
        EXPECT_EQ(textOf(mode->label), shown) << "the message is taken when the box is left";
        mode->click(Select);  // leaves the box, then selects row 1
        EXPECT_EQ(textOf(mode->text1), c.kept);
        EXPECT_EQ(textOf(mode->label), c.kept);
        EXPECT_TRUE(mode->regionShows(1));
        shown = c.kept;
        for (int i = 0; i < 4; ++i)
            mode->click(Select);
    }
    PostMessageW(mode->buttons[Ok], BM_CLICK, 0, 0);
    EXPECT_TRUE(mode->saver.waitExit(5000));
    EXPECT_EQ(storedText(L"messageText").value_or(L"(none)"), std::wstring(127, L'a'))
        << "the last message, cut before half a character";
    EXPECT_EQ(storedText(L"velocity").value_or(L"(none)"), L"6") << "every value is written";
}

TEST_F(SettingsDialog, StoredValuesOutsideTheDialogsRangesOpenAtTheNearestValueAndBoundsDoNothing)
{
    struct Case {
        const wchar_t* precipitation;
        const wchar_t* velocity;
        const wchar_t* blightness;
        int elements[5];  // the pictures rows 1 to 4 show at opening
        Button pressed;   // pressed on item 1 at opening
        int afterPress;   // row 1's picture after it
    };
    const Case cases[] = {
        {L"9", L"20", L"-3", {0, 4, 12, 1, 0}, Plus, 4},  // clamped to the top of row 1: "+" does nothing
        {L"0", L"6.5", L"7", {0, 0, 6, 1, 4}, Minus, 0},  // already at the bottom: "-" does nothing
        {L"-5", L"-1", L"2", {0, 0, 0, 1, 2}, Plus, 1},   // clamped up, and steps on from there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored " << c.precipitation << ", " << c.velocity << ", " << c.blightness);
        e2e::clearStore();
        e2e::storeText(L"reg_precipitation", c.precipitation);
        e2e::storeText(L"velocity", c.velocity);
        e2e::storeText(L"blightness", c.blightness);
        auto mode = open();
        ASSERT_TRUE(mode->ready());
        for (int row = 1; row <= 4; ++row)
            EXPECT_EQ(mode->frontElement(row), c.elements[row]) << "row " << row;
        EXPECT_TRUE(mode->waitRowShows(2, c.elements[2], Seen::ThroughTheOverlay, L"settings_ranges.bmp"));
        mode->click(c.pressed);
        EXPECT_EQ(mode->frontElement(1), c.afterPress);
        EXPECT_TRUE(mode->enabled(Minus)) << "both buttons stay enabled until a step or SELECT says otherwise";
        EXPECT_TRUE(mode->enabled(Plus));
        PostMessageW(mode->buttons[Cancel], BM_CLICK, 0, 0);
        EXPECT_TRUE(mode->saver.waitExit(5000));
    }
}

TEST_F(SettingsDialog, TabWalksTheControlsInTheDialogsOwnOrderPassingDisabledButtons)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    EXPECT_EQ(focusOf(mode->dialog), mode->picture1) << "the rows come first";
    // A tab to the control with the focus, and the wait until the focus has gone on to the one expected.
    const auto tabReaches = [&](HWND expected) {
        PostMessageW(focusOf(mode->dialog), WM_KEYDOWN, VK_TAB, 1);
        PostMessageW(focusOf(mode->dialog), WM_KEYUP, VK_TAB, 0xC0000001);
        return e2e::pumpUntil([&] { return focusOf(mode->dialog) == expected; }, 3000);
    };
    const HWND order[] = {mode->buttons[Select], mode->buttons[Minus],  mode->buttons[Plus], mode->text1,
                          mode->buttons[Ok],     mode->buttons[Cancel], mode->picture1};
    for (HWND expected : order)
        EXPECT_TRUE(tabReaches(expected))
            << "the focus is on a " << testing::PrintToString(e2e::className(focusOf(mode->dialog)));
    mode->click(Minus);  // 100 flakes: "-" is disabled, the focus is on "SELECT"
    ASSERT_EQ(focusOf(mode->dialog), mode->buttons[Select]);
    EXPECT_TRUE(tabReaches(mode->buttons[Plus]));
    EXPECT_EQ(textOf(mode->text1), L"TOVEK Super Quorlane 2004") << "no tab character was typed anywhere";
}

TEST_F(SettingsDialog, OkWithTheDefaultsAfterAnEarlierSaveErasesTheStoreAndSaysSo)
{
    e2e::storeText(L"reg_precipitation", L"2");
    e2e::storeText(L"velocity", L"6");
    e2e::storeText(L"direction", L"True");
    e2e::storeText(L"blightness", L"2");
    e2e::storeText(L"messageText", L"TOVEK Super Quorlane 2004");
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    EXPECT_EQ(mode->frontElement(1), 2) << "the stored value is shown";
    mode->click(Minus);  // back to the default: every value is at its default now
    PostMessageW(mode->buttons[Ok], BM_CLICK, 0, 0);

    HWND box = nullptr;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] {
            for (HWND w : e2e::topLevelWindowsOf(mode->saver.pid()))
                if (IsWindowVisible(w) && e2e::captionOf(w) == L"Nivora")
                    box = w;
            return box != nullptr;
        },
        5000))
        << "a message box captioned with the program's name";
    EXPECT_FALSE(e2e::storeExists()) << "erased before the message shows";
    bool saysErased = false;
    int buttons = 0;
    for (HWND child : e2e::descendants(box)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring cls = e2e::className(child);
        saysErased = saysErased || (_wcsicmp(cls.c_str(), L"Static") == 0 && e2e::captionOf(child) == kErasedMessage);
        buttons += _wcsicmp(cls.c_str(), L"Button") == 0 ? 1 : 0;
    }
    EXPECT_TRUE(saysErased);
    EXPECT_EQ(buttons, 1) << "an OK button only";
    EXPECT_TRUE(mode->saver.running()) << "the dialog waits until the message is dismissed";

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(mode->saver.waitExit(5000));
    EXPECT_FALSE(e2e::storeExists());
}

TEST_F(SettingsDialog, OkWithTheDefaultsAndNothingStoredWritesNothingAndSaysNothing)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    PostMessageW(mode->buttons[Ok], BM_CLICK, 0, 0);
    bool sawMessage = false;
    const bool ended = e2e::pumpUntil(
        [&] {
            for (HWND w : e2e::topLevelWindowsOf(mode->saver.pid()))
                sawMessage = sawMessage || (IsWindowVisible(w) && e2e::captionOf(w) == L"Nivora");
            return !mode->saver.running();
        },
        5000);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(sawMessage);
    EXPECT_FALSE(e2e::storeExists());
}

TEST_F(SettingsDialog, EveryOtherWayOfClosingStoresNothingAndEndsTheProgram)
{
    struct Case {
        const char* way;
        void (*close)(SettingsMode&);
    };
    const Case cases[] = {
        {"CANCEL", [](SettingsMode& m) { PostMessageW(m.buttons[Cancel], BM_CLICK, 0, 0); }},
        {"close box", [](SettingsMode& m) { PostMessageW(m.dialog, WM_CLOSE, 0, 0); }},
        {"system menu", [](SettingsMode& m) { PostMessageW(m.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape", [](SettingsMode& m) { PostMessageW(focusOf(m.dialog), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"the overlay closed", [](SettingsMode& m) { PostMessageW(m.overlay, WM_CLOSE, 0, 0); }},
        {"log-off",
         [](SettingsMode& m) {
             EXPECT_NE(send(m.dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0) << "the log-off may go on";
             send(m.dialog, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        auto mode = open();
        ASSERT_TRUE(mode->ready());
        mode->click(Minus);  // a change that "OK" would store
        c.close(*mode);
        EXPECT_TRUE(mode->saver.waitExit(5000));
        EXPECT_EQ(mode->saver.exitCode(), 0u);
        EXPECT_FALSE(e2e::storeExists());
    }
}

TEST_F(SettingsDialog, TheOverlayFollowsEveryMoveOfTheDialog)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const POINT moves[] = {{10, 10}, {600, 420}, {-40, 300}, {200, -5}};
    for (const POINT& to : moves) {
        SCOPED_TRACE(testing::Message() << to.x << "," << to.y);
        SetWindowPos(mode->dialog, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(e2e::pumpUntil(
            [&] {
                const RECT overlay = windowRect(mode->overlay);
                const POINT rows = mode->rows();
                return windowRect(mode->dialog).left == to.x && overlay.left == rows.x && overlay.top == rows.y;
            },
            3000));
    }
    EXPECT_TRUE(mode->waitRowShows(2, 6, Seen::ThroughTheOverlay, L"settings_moved.bmp"));
}

TEST_F(SettingsDialog, TheOverlayHandsTheFocusStraightBackAndStaysBehindTheDialog)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    mode->click(Select);  // a control with the focus, to come back to
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        SetForegroundWindow(mode->overlay);  // as a click through a hole in the dialog would
        // The focus comes back to the control that had it. The overlay's activation may land after the first look
        // on a busy machine, so the state is waited for until it lasts.
        const auto handedBack = [&] {
            return GetForegroundWindow() == mode->dialog && focusOf(mode->dialog) == mode->buttons[Select];
        };
        e2e::pumpUntil([&] { return handedBack() && e2e::holdsFor(handedBack, 300); }, 5000);
        EXPECT_EQ(GetForegroundWindow(), mode->dialog);
        EXPECT_EQ(focusOf(mode->dialog), mode->buttons[Select]);
        bool overlayBehind = false;
        for (HWND w = GetWindow(mode->dialog, GW_HWNDNEXT); w && !overlayBehind; w = GetWindow(w, GW_HWNDNEXT))
            overlayBehind = w == mode->overlay;
        EXPECT_TRUE(overlayBehind);
    }
}

// ---- Every display scale, every text, every user ----------------------------------------------------------------

// The labels of Frame1, left to right: "-", "SELECT", "+", "OK", "CANCEL".
std::vector<HWND> buttonLabels(HWND dialog)
{
    std::vector<HWND> labels;
    for (HWND w : e2e::descendants(dialog))
        if (e2e::className(w) == L"NivoraLabel")
            labels.push_back(w);
    std::sort(labels.begin(), labels.end(), [](HWND a, HWND b) { return windowRect(a).left < windowRect(b).left; });
    return labels;
}

// Takes a font replacement of Wine away for the saver processes started meanwhile, as a machine without that font.
class WithoutFont {
public:
    explicit WithoutFont(const wchar_t* face) : face_(face)
    {
        wchar_t old[64] = {};
        DWORD bytes = sizeof old;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, face, RRF_RT_REG_SZ, nullptr, old, &bytes) == ERROR_SUCCESS) {
            previous_ = old;
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, face);
        }
    }
    ~WithoutFont()
    {
        if (previous_)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, face_, REG_SZ, previous_->c_str(),
                            DWORD((previous_->size() + 1) * sizeof(wchar_t)));
    }
    WithoutFont(const WithoutFont&) = delete;
    WithoutFont& operator=(const WithoutFont&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\Fonts\\Replacements";
    const wchar_t* face_;
    std::optional<std::wstring> previous_;
};

TEST_F(SettingsDialog, StatesTheScaleAndAwarenessItRunsUnderAndIsLaidOutForThatScale)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const DialogLayout layout = mode->layout();
    std::printf("[ settings ] nivora.scr runs at %d dpi, %s; this test program is %s\n", layout.dpi,
                awarenessOf(mode->dialog).c_str(), kOwnAwareness);
    RecordProperty("dpi", layout.dpi);
    RecordProperty("awareness", awarenessOf(mode->dialog).c_str());
    if (!e2e::bed().empty()) {
        EXPECT_EQ(layout.dpi, e2e::bedDpi()) << "the DPI this pass asked for";
        // Where the system says what another program's awareness is (Wine 8 does not), it is the manifest's. An
        // unaware saver would in any case be laid out for 96 dpi, which the figures below catch.
        const std::string awareness = awarenessOf(mode->dialog);
        const bool reported = awareness == "unaware" || awareness == "system aware" || awareness == "per-monitor aware";
        if (e2e::bed() == L"dpi" && reported) {
            EXPECT_EQ(awareness, "per-monitor aware");
        }
    }
    RECT client{};
    GetClientRect(mode->dialog, &client);
    EXPECT_EQ(client.right, widthOf(layout.settingClient));
    EXPECT_EQ(client.bottom, heightOf(layout.settingClient));
    EXPECT_EQ(windowRect(mode->picture1).right - windowRect(mode->picture1).left, widthOf(layout.picture1));
    EXPECT_TRUE(mode->waitRowShows(1, 1, Seen::Solid, L"settings_scale.bmp")) << "pictures of the scale's size";

    // The same figures worked out by hand, where they fall on half pixels: the client area, Text1 in it, and the
    // buttons "-" and "CANCEL".
    struct Figures {
        int dpi;
        SIZE client;
        RECT text1, minus, cancel;
    };
    const Figures figures[] = {
        {96, {364, 234}, {92, 170, 357, 194}, {6, 218, 77, 233}, {286, 218, 357, 233}},
        {120, {454, 292}, {114, 212, 446, 242}, {8, 272, 96, 291}, {358, 272, 446, 291}},
        {144, {546, 351}, {138, 255, 535, 291}, {9, 327, 116, 350}, {429, 327, 536, 350}},
    };
    const auto f = std::find_if(std::begin(figures), std::end(figures),
                                [&](const Figures& x) { return x.dpi == layout.dpi; });
    if (f == std::end(figures)) {
        std::printf("[ settings ] no figures worked out by hand for %d dpi\n", layout.dpi);
        return;
    }
    const auto inClient = [&](HWND control) {
        RECT r = windowRect(control);
        MapWindowPoints(nullptr, mode->dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    EXPECT_EQ(client.right, f->client.cx);
    EXPECT_EQ(client.bottom, f->client.cy);
    const std::tuple<const char*, RECT, RECT> controls[] = {{"Text1", inClient(mode->text1), f->text1},
                                                            {"-", inClient(mode->buttons[Minus]), f->minus},
                                                            {"CANCEL", inClient(mode->buttons[Cancel]), f->cancel}};
    for (const auto& [name, actual, expected] : controls)
        EXPECT_TRUE(EqualRect(&actual, &expected))
            << name << " at " << actual.left << "," << actual.top << " - " << actual.right << "," << actual.bottom;
}

TEST_F(SettingsDialog, EveryTextFitsItsBoxWithTheFontsReallyThereAlsoWithoutArialNarrow)
{
    for (const bool arialNarrow : {true, false}) {
        SCOPED_TRACE(arialNarrow ? "with Arial Narrow" : "without Arial Narrow");
        std::optional<WithoutFont> without;
        if (!arialNarrow)
            without.emplace(L"Arial Narrow");
        auto mode = open();
        ASSERT_TRUE(mode->ready());
        const std::vector<HWND> labels = buttonLabels(mode->dialog);
        ASSERT_EQ(labels.size(), 5u);
        for (HWND label : labels) {
            SCOPED_TRACE(testing::Message() << textOf(label).c_str());
            RECT box{};
            GetClientRect(label, &box);
            const SIZE text = textExtentOf(label);
            EXPECT_GT(text.cx, 0);
            EXPECT_LE(text.cx, box.right) << "the caption is not cut";
        }
        // The message: as high as its font in the text box and in the overlay's label.
        RECT box{};
        GetClientRect(mode->text1, &box);
        EXPECT_LE(textExtentOf(mode->text1).cy, box.bottom);
        RECT label{};
        GetClientRect(mode->label, &label);
        EXPECT_LE(textExtentOf(mode->label).cy, label.bottom + 2) << "the overlay's message is not cut off below";
        PostMessageW(mode->buttons[Cancel], BM_CLICK, 0, 0);
        EXPECT_TRUE(mode->saver.waitExit(5000));
    }
}

TEST_F(SettingsDialog, ButtonsAndRowsCarryTheNamesAScreenReaderReads)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    CoInitialize(nullptr);
    int readThroughAccessibility = 0;
    for (int b = Minus; b <= Cancel; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(e2e::captionOf(mode->buttons[size_t(b)]), kButtonNames[b]);
        IAccessible* accessible = nullptr;
        if (SUCCEEDED(AccessibleObjectFromWindow(mode->buttons[size_t(b)], DWORD(OBJID_CLIENT), IID_IAccessible,
                                                 reinterpret_cast<void**>(&accessible))) &&
            accessible) {
            VARIANT self{};
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            BSTR name = nullptr;
            if (SUCCEEDED(accessible->get_accName(self, &name)) && name) {
                EXPECT_EQ(std::wstring(name), kButtonNames[b]) << "read through the accessibility interface";
                SysFreeString(name);
                ++readThroughAccessibility;
            }
            accessible->Release();
        }
    }
    CoUninitialize();
    std::printf("[ settings ] button names read through the accessibility interface: %d of 5, all through the window "
                "texts\n",
                readThroughAccessibility);
    // The rows: the selected one through the picture box that takes the focus, every row through its picture.
    EXPECT_EQ(e2e::captionOf(mode->picture1), L"降雪量 500");
    mode->click(Plus);
    EXPECT_EQ(e2e::captionOf(mode->picture1), L"降雪量 1000");
    mode->click(Select);
    EXPECT_EQ(e2e::captionOf(mode->picture1), L"風速 0");
    std::vector<std::wstring> overlayNames;
    for (HWND w = GetWindow(mode->overlay, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w != mode->label)
            overlayNames.push_back(e2e::captionOf(w));
    std::sort(overlayNames.begin(), overlayNames.end());
    std::vector<std::wstring> expected = {L"降雪量 1000", L"風速 0", L"風向 自動", L"明度 127", L"雪文字"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(overlayNames, expected);
}

// Keys as the keyboard gives them, to the window in front.
void press(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

TEST_F(SettingsDialog, TheKeyboardAloneDrivesTheDialogTabShiftTabArrowsEnterAndEscape)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    ASSERT_EQ(focusOf(mode->dialog), mode->picture1);
    const auto focusBecomes = [&](HWND expected) {
        return e2e::pumpUntil([&] { return focusOf(mode->dialog) == expected; }, 3000);
    };
    const auto frontBecomes = [&](int row, int element) {
        return e2e::pumpUntil([&] { return mode->frontElement(row) == element; }, 3000);
    };
    press({VK_RIGHT});  // "+" on the rows: 500 -> 1000 flakes
    EXPECT_TRUE(frontBecomes(1, 2));
    press({VK_LEFT});
    press({VK_LEFT});  // 100 flakes: "-" is disabled and the focus goes to "SELECT"
    EXPECT_TRUE(frontBecomes(1, 0));
    EXPECT_TRUE(focusBecomes(mode->buttons[Select]));
    EXPECT_FALSE(mode->enabled(Minus));
    press({VK_RETURN});  // Enter presses the focused "SELECT": row 2
    EXPECT_TRUE(e2e::pumpUntil([&] { return mode->regionShows(2); }, 3000));
    press({VK_RIGHT});  // wind 0 -> 5, from "SELECT" too
    EXPECT_TRUE(frontBecomes(2, 7));
    press({VK_SHIFT, VK_TAB});  // backwards: "SELECT" comes after the rows
    EXPECT_TRUE(focusBecomes(mode->picture1));
    press({VK_SHIFT, VK_TAB});  // and wraps round to "CANCEL"
    EXPECT_TRUE(focusBecomes(mode->buttons[Cancel]));
    press({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(focusBecomes(mode->buttons[Ok]));
    press({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(focusBecomes(mode->text1));
    press({VK_LEFT});           // in the text box the arrows move the caret, not the values
    press({VK_SHIFT, VK_TAB});  // handled after the arrow: once the focus has moved, the arrow has been too
    EXPECT_TRUE(focusBecomes(mode->buttons[Plus]));
    EXPECT_EQ(mode->frontElement(2), 7);
    press({VK_ESCAPE});
    EXPECT_TRUE(mode->saver.waitExit(5000)) << "Escape cancels";
    EXPECT_FALSE(e2e::storeExists());
}

// Wine keeps one scale for every monitor and never moves the window to another: these tests send the message
// such a move brings, and the test build of the saver is told to follow scales it is not at.
class AnyScale {
public:
    AnyScale() { SetEnvironmentVariableW(nivora::readback::kAnyScaleVariable, L"1"); }
    ~AnyScale() { SetEnvironmentVariableW(nivora::readback::kAnyScaleVariable, nullptr); }
    AnyScale(const AnyScale&) = delete;
    AnyScale& operator=(const AnyScale&) = delete;
};

TEST_F(SettingsDialog, ADpiChangeLaysTheWholeWindowOutAgainAtTheNewScale)
{
    const AnyScale anyScale;
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const int first = mode->layout().dpi;
    for (const int dpi : {192, 120, first}) {
        SCOPED_TRACE(dpi);
        // Wine has one scale for every monitor; the message a move to another monitor brings is sent here.
        send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
        const DialogLayout layout = nivora::dialogLayout(dpi);
        RECT client{};
        GetClientRect(mode->dialog, &client);
        EXPECT_EQ(client.right, widthOf(layout.settingClient));
        EXPECT_EQ(client.bottom, heightOf(layout.settingClient));
        const RECT overlay = windowRect(mode->overlay);
        EXPECT_EQ(overlay.right - overlay.left, layout.rowWidth);
        EXPECT_EQ(overlay.bottom - overlay.top, heightOf(layout.rowBand));
        // The rows where the layout of that scale puts them, the overlay on them and the holes around them.
        POINT rows{layout.rowBand.left, layout.rowBand.top};
        ClientToScreen(mode->picture1, &rows);
        EXPECT_EQ(overlay.left, rows.x);
        EXPECT_EQ(overlay.top, rows.y);
        EXPECT_TRUE(regionShowsItem(mode->dialog, layout, rows, 1));
        const RECT button = windowRect(mode->buttons[Cancel]);
        EXPECT_EQ(button.right - button.left, widthOf(layout.commandButtons[4]));
        // Fonts of the new scale, still fitting their boxes.
        RECT box{};
        GetClientRect(mode->text1, &box);
        const SIZE message = textExtentOf(mode->text1);
        EXPECT_GE(message.cy, layout.messageFontPixels);
        EXPECT_LE(message.cy, box.bottom);
        for (HWND label : buttonLabels(mode->dialog)) {
            RECT r{};
            GetClientRect(label, &r);
            EXPECT_LE(textExtentOf(label).cx, r.right) << "label " << r.right << " px wide";
        }
        // Pictures of the new size, where the rows are on the screen to be seen.
        if (rows.x + layout.rowWidth <= GetSystemMetrics(SM_CXSCREEN) &&
            rows.y + heightOf(layout.rowBand) <= GetSystemMetrics(SM_CYSCREEN)) {
            e2e::Picture screen;
            const bool shown = e2e::pumpUntil(
                [&] {
                    screen = e2e::captureScreen();
                    return rowShows(screen, layout, rows, 1, 1, Seen::Solid);
                },
                3000);
            if (!shown)
                e2e::saveBmp(screen, e2e::outputPath(L"settings_dpi_change.bmp"));
            EXPECT_TRUE(shown) << "row 1 shows its picture at the new size";
        }
    }
}

// A window sent one scale after another keeps the pictures of the scale it shows, not of every one it was sent.
// (Wine counts no GDI objects per process: the pictures' memory tells instead.)
TEST_F(SettingsDialog, ScaleAfterScaleKeepsOnlyTheCurrentPictures)
{
    const AnyScale anyScale;
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const int first = mode->layout().dpi;
    auto committed = [&] {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        K32GetProcessMemoryInfo(mode->saver.process(), &memory, sizeof memory);
        return memory.PagefileUsage;
    };
    send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(first + 1, first + 1), 0);
    const SIZE_T before = committed();
    ASSERT_GT(before, 0u);
    for (int dpi = first + 2; dpi < first + 26; ++dpi)
        send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
    send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(first + 1, first + 1), 0);
    // Every option picture is at least 360 x 40 pixels a scale: 24 more scales kept would be over 35 MB more.
    EXPECT_LT(committed(), before + (SIZE_T{12} << 20));
    send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(first, first), 0);
}

// Windows sends WM_DPICHANGED with the scale the window has just taken; one with any other scale comes from another
// program and changes nothing.
TEST_F(SettingsDialog, ADpiChangeToAScaleTheWindowIsNotAtChangesNothing)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const int dpi = mode->layout().dpi;
    const RECT before = windowRect(mode->dialog);
    RECT clientBefore{};
    GetClientRect(mode->dialog, &clientBefore);
    for (const int other : {96, 120, 144, 192, 288})
        if (other != dpi)
            send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(other, other), 0);
    mode->settle();
    const RECT after = windowRect(mode->dialog);
    RECT clientAfter{};
    GetClientRect(mode->dialog, &clientAfter);
    EXPECT_TRUE(EqualRect(&before, &after)) << "moved to " << after.left << "," << after.top << " "
                                            << after.right - after.left << " x " << after.bottom - after.top;
    EXPECT_TRUE(EqualRect(&clientBefore, &clientAfter));
    EXPECT_EQ(mode->layout().dpi, dpi);
    EXPECT_TRUE(mode->regionShows(1));
}

// A rectangle in the saver's own memory, as the system hands one to WM_DPICHANGED: a pointer is good only in the
// process it points into.
class RectInSaver {
public:
    RectInSaver(HANDLE process, const RECT& rect) : process_(process)
    {
        memory_ = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (memory_ && !WriteProcessMemory(process, memory_, &rect, sizeof rect, nullptr)) {
            VirtualFreeEx(process, memory_, 0, MEM_RELEASE);
            memory_ = nullptr;
        }
    }
    ~RectInSaver()
    {
        if (memory_)
            VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    }
    RectInSaver(const RectInSaver&) = delete;
    RectInSaver& operator=(const RectInSaver&) = delete;
    LPARAM lParam() const { return reinterpret_cast<LPARAM>(memory_); }

private:
    HANDLE process_;
    void* memory_ = nullptr;
};

// The window's size is the layout's own, so it is centred on the rectangle the system suggests, larger or smaller;
// a suggestion that points nowhere in the saver leaves the window where it is.
TEST_F(SettingsDialog, ADpiChangeCentresTheWindowOnTheSuggestedRectangle)
{
    auto mode = open();
    ASSERT_TRUE(mode->ready());
    const int dpi = mode->layout().dpi;
    const RECT window = windowRect(mode->dialog);
    const int width = window.right - window.left, height = window.bottom - window.top;
    struct Case {
        RECT suggested;
        POINT corner;  // worked out by hand: the middles meet
    };
    const Case cases[] = {
        {{100, 80, 100 + width + 120, 80 + height + 60}, {160, 110}},
        {{300, 200, 300 + width - 40, 200 + height - 20}, {280, 190}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "suggested at " << c.suggested.left << "," << c.suggested.top);
        const RectInSaver suggested(mode->saver.process(), c.suggested);
        ASSERT_NE(suggested.lParam(), 0);
        send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested.lParam());
        const RECT r = windowRect(mode->dialog);
        EXPECT_EQ(r.left, c.corner.x);
        EXPECT_EQ(r.top, c.corner.y);
        EXPECT_EQ(r.right - r.left, width);
        EXPECT_EQ(r.bottom - r.top, height);
        const RECT overlay = windowRect(mode->overlay);
        EXPECT_EQ(overlay.left, mode->rows().x) << "the overlay follows";
        EXPECT_EQ(overlay.top, mode->rows().y);
    }
    const RECT before = windowRect(mode->dialog);
    send(mode->dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM{0x10});  // no memory of the saver's
    const RECT after = windowRect(mode->dialog);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_TRUE(mode->saver.running());
}

// 0x00RRGGBB, as the screen pictures hold it, of a system colour.
uint32_t systemColour(int index)
{
    const COLORREF c = GetSysColor(index);
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// Whether the outer line of the rows box's edge is all `topLeft` along the top and left, and all `bottomRight` along
// the bottom and right (corners left out: they belong to both).
bool rowsBoxEdgeIs(const e2e::Picture& screen, const RECT& box, uint32_t topLeft, uint32_t bottomRight)
{
    for (int x = box.left + 1; x < box.right - 1; ++x)
        if (screen.at(x, box.top) != topLeft || screen.at(x, box.bottom - 1) != bottomRight)
            return false;
    for (int y = box.top + 1; y < box.bottom - 1; ++y)
        if (screen.at(box.left, y) != topLeft || screen.at(box.right - 1, y) != bottomRight)
            return false;
    return true;
}

enum class Cue { Hidden, Shown };

// Waits until the rows box shows its sunken edge (the focus hidden) or the selection colour all round (shown).
bool rowsBoxShows(const SettingsMode& mode, Cue cue, const wchar_t* failurePicture)
{
    const RECT box = windowRect(mode.picture1);
    e2e::Picture screen;
    const bool shown = e2e::pumpUntil(
        [&] {
            mode.settle();
            screen = e2e::captureScreen();
            return cue == Cue::Shown
                       ? rowsBoxEdgeIs(screen, box, systemColour(COLOR_HIGHLIGHT), systemColour(COLOR_HIGHLIGHT))
                       : rowsBoxEdgeIs(screen, box, systemColour(COLOR_BTNSHADOW), systemColour(COLOR_BTNHIGHLIGHT));
        },
        3000);
    if (!shown)
        e2e::saveBmp(screen, e2e::outputPath(failurePicture));
    return shown;
}

// Whether a push button shows a focus mark: anything but its face colour along the line where the mark is drawn.
bool buttonShowsFocusMark(HWND button)
{
    const RECT r = windowRect(button);
    const e2e::Picture screen = e2e::captureScreen();
    const uint32_t face = systemColour(COLOR_BTNFACE);
    for (int x = r.left + 4; x < r.right - 4; ++x)
        if (screen.at(x, r.top + 3) != face)
            return true;
    return false;
}

bool hidesFocus(HWND window)
{
    return (send(window, WM_QUERYUISTATE) & UISF_HIDEFOCUS) != 0;
}

// Windows shows the focus only to someone who uses the keyboard: opened and used with the mouse, the rows box has
// its sunken edge and a clicked button no focus mark; Alt, or Tab and Shift+Tab, show where the focus is.
TEST_F(SettingsDialog, TheFocusIsShownOnlyOnceTheKeyboardIsUsed)
{
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, nullptr, 0);  // the cues hidden until asked for, as by default
    {
        auto mode = open();
        ASSERT_TRUE(mode->ready());
        ASSERT_EQ(focusOf(mode->dialog), mode->picture1);
        EXPECT_TRUE(hidesFocus(mode->dialog));
        EXPECT_TRUE(rowsBoxShows(*mode, Cue::Hidden, L"settings_cues_opened.bmp")) << "opened: the sunken edge";
        const RECT plus = windowRect(mode->buttons[Plus]);
        SetCursorPos((plus.left + plus.right) / 2, (plus.top + plus.bottom) / 2);
        INPUT clickInput[2] = {};
        clickInput[0].type = clickInput[1].type = INPUT_MOUSE;
        clickInput[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clickInput[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, clickInput, sizeof(INPUT));
        EXPECT_TRUE(e2e::pumpUntil([&] { return mode->frontElement(1) == 2; }, 3000)) << "the click pressed \"+\"";
        EXPECT_TRUE(e2e::pumpUntil([&] { return focusOf(mode->dialog) == mode->buttons[Plus]; }, 3000));
        mode->settle();
        EXPECT_FALSE(buttonShowsFocusMark(mode->buttons[Plus])) << "clicked: no focus mark";
        EXPECT_TRUE(hidesFocus(mode->dialog));
        press({VK_MENU});
        EXPECT_TRUE(e2e::pumpUntil([&] { return !hidesFocus(mode->dialog); }, 3000)) << "Alt shows the focus";
        EXPECT_TRUE(e2e::pumpUntil(
            [&] {
                mode->settle();
                return buttonShowsFocusMark(mode->buttons[Plus]);
            },
            3000));
    }
    {
        auto mode = open();
        ASSERT_TRUE(mode->ready());
        EXPECT_TRUE(rowsBoxShows(*mode, Cue::Hidden, L"settings_cues_before_keys.bmp"));
        press({VK_SHIFT, VK_TAB});
        press({VK_TAB});
        EXPECT_TRUE(e2e::pumpUntil([&] { return focusOf(mode->dialog) == mode->picture1; }, 3000));
        EXPECT_TRUE(rowsBoxShows(*mode, Cue::Shown, L"settings_cues_after_keys.bmp")) << "the selection colour";
    }
}

}  // namespace
