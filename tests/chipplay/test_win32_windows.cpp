// The window framework under Wine: the thunk itself, messages reaching their
// own objects from the first one on, class registration across create and
// destroy rounds, the skinned buttons' cells, the common controls and the Dib;
// then the "error log" window fed from other threads.
#include "Win32LogWindow.h"
#include "Win32SkinControls.h"
#include "Win32System.h"
#include "Win32Thunk.h"
#include "boxless_system.h"
#include "testdir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct ThunkTarget {
    int tag;
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

LRESULT CALLBACK RecordEntry(ThunkTarget* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    self->hwnd = hwnd;
    self->msg = msg;
    self->wParam = wParam;
    self->lParam = lParam;
    if (msg == WM_USER + 9) throw std::runtime_error("through the thunk");
    return self->tag * 1000 + static_cast<LRESULT>(msg);
}

TEST(Win32Thunk, CallsTheEntryWithItsObjectAndAllFourArguments)
{
    ThunkTarget a{1}, b{2};
    Win32Thunk ta(&a, reinterpret_cast<void*>(&RecordEntry));
    Win32Thunk tb(&b, reinterpret_cast<void*>(&RecordEntry));
    ASSERT_NE(ta.code(), nullptr);
    ASSERT_NE(tb.code(), nullptr);
    WNDPROC pa = reinterpret_cast<WNDPROC>(ta.code());
    WNDPROC pb = reinterpret_cast<WNDPROC>(tb.code());

    // Values that use the upper halves of 64-bit registers, so a lost or
    // swapped argument cannot pass.
    const WPARAM w = static_cast<WPARAM>(~static_cast<UINT_PTR>(0) - 5);
    const LPARAM l = static_cast<LPARAM>(-1234567);
    HWND h = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7654321));
    EXPECT_EQ(pa(h, 42, w, l), 1042);
    EXPECT_EQ(a.hwnd, h);
    EXPECT_EQ(a.msg, 42u);
    EXPECT_EQ(a.wParam, w);
    EXPECT_EQ(a.lParam, l);
    EXPECT_EQ(CallWindowProcA(pb, h, 7, 1, 2), 2007);
    EXPECT_EQ(b.msg, 7u);
    EXPECT_EQ(b.lParam, 2);
    EXPECT_EQ(a.msg, 42u);   // b's call did not reach a

    // The page is executable but no longer writable.
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(VirtualQuery(ta.code(), &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
}

#if defined(__x86_64__)
TEST(Win32Thunk, AnExceptionUnwindsThroughTheThunksFrame)
{
    // C++ exceptions on x86-64 Windows unwind by the system's tables: without
    // the thunk's own entry the unwinder would lose its way in the thunk.
    ThunkTarget a{1};
    Win32Thunk ta(&a, reinterpret_cast<void*>(&RecordEntry));
    ASSERT_NE(ta.code(), nullptr);
    WNDPROC pa = reinterpret_cast<WNDPROC>(ta.code());
    DWORD64 base = 0;
    EXPECT_NE(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(ta.code()) + 2, &base, nullptr), nullptr);
    EXPECT_EQ(base, reinterpret_cast<DWORD64>(ta.code()));
    bool caught = false;
    try {
        pa(nullptr, WM_USER + 9, 0, 0);
    } catch (const std::runtime_error& e) {
        caught = std::string(e.what()) == "through the thunk";
    }
    EXPECT_TRUE(caught);
    EXPECT_EQ(pa(nullptr, 3, 0, 0), 1003);   // and the thunk still works after
}
#endif

// A window that records what reached it and what its handle was then.
class Recorder : public Win32Window {
public:
    std::vector<UINT> messages;
    bool ncCreateSeen = false;
    HWND ncCreateHwnd = nullptr;
    HWND handleAtNcCreate = reinterpret_cast<HWND>(1);
    std::vector<HWND> userFrom;

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        if (msg == WM_NCCREATE) {
            ncCreateSeen = true;
            ncCreateHwnd = hwnd;
            handleAtNcCreate = mHWnd;
        }
        if (msg == WM_USER) {
            userFrom.push_back(hwnd);
            return reinterpret_cast<LRESULT>(this);
        }
        return Win32Window::wndProc(hwnd, msg, wParam, lParam);
    }

    bool make(const char* className)
    {
        WNDCLASSEXA wc = {};
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        if (!registerClass(wc)) return false;
        return create(className, "recorder", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr, nullptr,
                      GetModuleHandleA(nullptr), nullptr);
    }
};

TEST(Win32Window, FirstMessagesReachTheObjectBeforeCreateReturns)
{
    Recorder r;
    ASSERT_TRUE(r.make("TIV TEST NCCREATE"));
    EXPECT_TRUE(r.ncCreateSeen);
    EXPECT_EQ(r.ncCreateHwnd, r.getHandle());
    EXPECT_EQ(r.handleAtNcCreate, nullptr);   // create had not stored it yet
    ASSERT_FALSE(r.messages.empty());
    bool createSeen = false;
    for (UINT m : r.messages) createSeen |= (m == WM_CREATE);
    EXPECT_TRUE(createSeen);
    EXPECT_TRUE(r.destroy());
    EXPECT_EQ(r.getHandle(), nullptr);
    // Without a window every operation declines.
    EXPECT_FALSE(r.destroy());
    EXPECT_FALSE(r.show(SW_SHOW));
    EXPECT_FALSE(r.update());
    EXPECT_FALSE(r.enable(true));
}

// A window that posts the quit message on WM_DESTROY, as the player's main
// and side windows do, and may refuse its WM_CREATE.
class Quitter : public Win32Window {
public:
    bool refuse = false;
    HWND createdAs = nullptr;
    int destroys = 0;

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_CREATE) {
            createdAs = hwnd;
            return refuse ? -1 : 0;
        }
        if (msg == WM_DESTROY) {
            destroys++;
            PostQuitMessage(0);
            return 0;
        }
        return Win32Window::wndProc(hwnd, msg, wParam, lParam);
    }
};

bool QuitPending()
{
    MSG m;
    return PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// Windows sends WM_DESTROY to a window whose WM_CREATE returned -1; a quit
// message posted then would close every later start-up error box unseen.
// Wine sends none, so the test delivers it through the window's procedure
// as Windows would, during the failed create. Only a window that was
// created posts the quit message.
TEST(Win32Window, OnlyACreatedWindowPostsTheQuitMessageOnDestroy)
{
    while (QuitPending()) {
    }
    WNDCLASSEXA wc = {};
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TIV TEST REFUSED";
    for (bool refuse : {true, false}) {
        SCOPED_TRACE(refuse ? "WM_CREATE refused" : "created");
        Quitter q;
        q.refuse = refuse;
        ASSERT_TRUE(q.registerClass(wc));
        const bool made = q.create(wc.lpszClassName, "quitter", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr,
                                   nullptr, wc.hInstance, nullptr);
        EXPECT_EQ(made, !refuse);
        ASSERT_NE(q.createdAs, nullptr);
        if (refuse) {
            CallWindowProcA(q.getThunk(), q.createdAs, WM_DESTROY, 0, 0);
        } else {
            EXPECT_TRUE(q.destroy());
        }
        EXPECT_EQ(q.destroys, refuse ? 0 : 1);
        EXPECT_EQ(QuitPending(), !refuse);
    }
}

TEST(Win32Window, TwoWindowsOfOneClassEachReachTheirOwnObject)
{
    Recorder a, b;
    ASSERT_TRUE(a.make("TIV TEST TWIN"));
    ASSERT_TRUE(b.make("TIV TEST TWIN"));
    ASSERT_NE(a.getHandle(), b.getHandle());
    EXPECT_TRUE(b.ncCreateSeen);
    EXPECT_EQ(SendMessageA(a.getHandle(), WM_USER, 0, 0), reinterpret_cast<LRESULT>(&a));
    EXPECT_EQ(SendMessageA(b.getHandle(), WM_USER, 0, 0), reinterpret_cast<LRESULT>(&b));
    ASSERT_EQ(a.userFrom.size(), 1u);
    ASSERT_EQ(b.userFrom.size(), 1u);
    EXPECT_EQ(a.userFrom[0], a.getHandle());
    EXPECT_EQ(b.userFrom[0], b.getHandle());
    // The first window goes (its object registered the class); the second
    // keeps working.
    EXPECT_TRUE(a.destroy());
    EXPECT_EQ(SendMessageA(b.getHandle(), WM_USER, 0, 0), reinterpret_cast<LRESULT>(&b));
    EXPECT_TRUE(b.destroy());
}

TEST(Win32Window, EachCreateDestroyRoundOfOneTypeReachesItsNewObject)
{
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        std::unique_ptr<Recorder> r(new Recorder());
        ASSERT_TRUE(r->make("TIV TEST ROUNDS"));
        EXPECT_TRUE(r->ncCreateSeen);
        EXPECT_EQ(SendMessageA(r->getHandle(), WM_USER, 0, 0), reinterpret_cast<LRESULT>(r.get()));
        EXPECT_TRUE(r->destroy());
        // The class went with its window: nothing of it points at this
        // object's page, which is freed next.
        EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "TIV TEST ROUNDS", &info));
    }
}

TEST(Win32Window, ADestroyedParentTakesTheChildsHandleAlong)
{
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST PARENT"));
    Win32Control child;
    ASSERT_TRUE(child.create("button", "x", WS_CHILD, 0, 0, 0, 10, 10, parent.getHandle(), nullptr,
                             GetModuleHandleA(nullptr), nullptr));
    EXPECT_TRUE(parent.destroy());
    EXPECT_EQ(child.getHandle(), nullptr);
    EXPECT_FALSE(child.destroy());
}

// A button control that counts what its thunk delivered.
class CountingControl : public Win32Control {
public:
    int userCount = 0;
    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_USER + 1) {
            userCount++;
            return reinterpret_cast<LRESULT>(this);
        }
        return Win32Control::wndProc(hwnd, msg, wParam, lParam);
    }
};

TEST(Win32Control, SubclassedControlsReachTheirOwnObjectsAndKeepTheirOwnBehaviour)
{
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST CONTROLS"));
    CountingControl one, two;
    ASSERT_TRUE(one.create("button", "one", WS_CHILD | BS_PUSHBUTTON, 0, 0, 0, 50, 20, parent.getHandle(),
                           reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr));
    HWND raw = CreateWindowExA(0, "button", "two", WS_CHILD, 0, 30, 50, 20, parent.getHandle(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(raw, nullptr);
    ASSERT_TRUE(two.attach(raw));
    EXPECT_EQ(SendMessageA(one.getHandle(), WM_USER + 1, 0, 0), reinterpret_cast<LRESULT>(&one));
    EXPECT_EQ(SendMessageA(raw, WM_USER + 1, 0, 0), reinterpret_cast<LRESULT>(&two));
    EXPECT_EQ(one.userCount, 1);
    EXPECT_EQ(two.userCount, 1);
    // Unhandled messages go on to the button's own procedure.
    SendMessageA(raw, BM_SETCHECK, BST_CHECKED, 0);
    char text[16] = {};
    GetWindowTextA(raw, text, sizeof text);
    EXPECT_STREQ(text, "two");

    // An object that goes before its window gives the window its own procedure back.
    HWND g = CreateWindowExA(0, "button", "gone", WS_CHILD, 0, 60, 50, 20, parent.getHandle(), nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    LONG_PTR own = GetWindowLongPtrA(g, GWLP_WNDPROC);
    CountingControl* gone = new CountingControl();
    ASSERT_TRUE(gone->attach(g));
    EXPECT_NE(GetWindowLongPtrA(g, GWLP_WNDPROC), own);
    delete gone;
    EXPECT_EQ(GetWindowLongPtrA(g, GWLP_WNDPROC), own);
    EXPECT_EQ(SendMessageA(g, WM_USER + 1, 0, 0), 0);
    EXPECT_TRUE(parent.destroy());
}

// A skin whose every cell is one colour: cell (col, row) at 8 x 8 pixels.
COLORREF CellColour(int col, int row)
{
    return RGB(10 + col * 20, 10 + row * 20, 77);
}

struct Skin {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ old;
    Skin()
    {
        HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, 8 * 8, 8 * 8);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        for (int c = 0; c < 8; c++)
            for (int r = 0; r < 8; r++) {
                RECT rc = {c * 8, r * 8, c * 8 + 8, r * 8 + 8};
                HBRUSH b = CreateSolidBrush(CellColour(c, r));
                FillRect(dc, &rc, b);
                DeleteObject(b);
            }
    }
    ~Skin()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// Draws the control's item with the given state into a fresh target and
// returns the colour it drew.
COLORREF Drawn(Win32SkinControl& c, UINT state)
{
    Skin target;
    DRAWITEMSTRUCT di = {};
    di.CtlType = ODT_BUTTON;
    di.itemState = state;
    di.hwndItem = c.getHandle();
    di.hDC = target.dc;
    c.drawItem(&di);
    return GetPixel(target.dc, 3, 3);
}

TEST(Win32BitmapButton, StatesPickTheirCellsInBothLayouts)
{
    Skin skin;
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST BUTTONS"));
    struct Case {
        UINT state;
        bool hover;
        int cell;
    } cases[] = {
        {0, false, 0},
        {ODS_SELECTED, false, 1},
        {ODS_SELECTED, true, 1},                   // pressed under the mouse: pressed, not hover
        {ODS_DISABLED, false, 3},
        {ODS_DISABLED, true, 3},                   // disabled under the mouse: disabled
        {ODS_SELECTED | ODS_DISABLED, false, 1},
        {0, true, 2},
        {ODS_FOCUS, false, 0},
    };
    for (int layout : {0, 2}) {
        Win32BitmapButton button;
        ASSERT_TRUE(button.create("", 0, 0, 8, 8, parent.getHandle(), 10 + layout, GetModuleHandleA(nullptr),
                                  skin.dc, 8, 0, layout));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button.getHandle(), GWL_STYLE)) & 0x5000000Bu, 0x5000000Bu);
        button.setIndex(1, false);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "layout " << layout << " state " << c.state << " hover " << c.hover);
            if (c.hover != button.isHovering()) {
                SendMessageA(button.getHandle(), c.hover ? WM_MOUSEMOVE : WM_MOUSELEAVE, 0, MAKELPARAM(2, 2));
                ASSERT_EQ(button.isHovering(), c.hover);
            }
            // The skin corner is (8, 0); index 1 is the other axis.
            COLORREF want = layout == 2 ? CellColour(1 + c.cell, 1) : CellColour(1 + 1, c.cell);
            EXPECT_EQ(Drawn(button, c.state), want);
        }
    }
    EXPECT_TRUE(parent.destroy());
}

TEST(Win32BitmapCheckBox, HoverAndCheckPickCellsZeroTwoFourSix)
{
    Skin skin;
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST CHECKS"));
    Win32BitmapCheckBox box;
    ASSERT_TRUE(box.create("", 0, 0, 8, 8, parent.getHandle(), 20, GetModuleHandleA(nullptr), skin.dc, 0, 0, 0));
    struct Case {
        int check;
        bool hover;
        UINT state;
        int cell;
    } cases[] = {
        {0, false, 0, 0}, {0, true, 0, 2}, {1, false, 0, 4}, {1, true, 0, 6},
        {1, true, ODS_SELECTED, 6}, {0, false, ODS_DISABLED, 0},   // pressed and disabled are not drawn apart
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "check " << c.check << " hover " << c.hover << " state " << c.state);
        box.setCheck(c.check, true);
        if (c.hover != box.isHovering())
            SendMessageA(box.getHandle(), c.hover ? WM_MOUSEMOVE : WM_MOUSELEAVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(box.getCheck(), c.check);
        EXPECT_EQ(Drawn(box, c.state), CellColour(0, c.cell));
    }
    EXPECT_TRUE(parent.destroy());
}

TEST(Win32BitmapButton, SettingTheSameIndexDoesNotRepaint)
{
    Skin skin;
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST INDEX"));
    parent.show(SW_SHOWNOACTIVATE);
    Win32BitmapButton button;
    ASSERT_TRUE(button.create("", 0, 0, 8, 8, parent.getHandle(), 30, GetModuleHandleA(nullptr), skin.dc, 0, 0, 0));
    ValidateRect(button.getHandle(), nullptr);
    EXPECT_TRUE(button.setIndex(0, true));
    EXPECT_FALSE(GetUpdateRect(button.getHandle(), nullptr, FALSE));
    EXPECT_TRUE(button.setIndex(3, true));
    EXPECT_TRUE(GetUpdateRect(button.getHandle(), nullptr, FALSE));
    EXPECT_EQ(button.getIndex(), 3);
    EXPECT_TRUE(parent.destroy());
}

TEST(Win32CommonControls, ListViewAndTrackBarAnswerThroughTheirCalls)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    Recorder parent;
    ASSERT_TRUE(parent.make("TIV TEST COMMON"));
    Win32ListView list;
    ASSERT_TRUE(list.create(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 0, 200, 100, parent.getHandle(), nullptr,
                            GetModuleHandleA(nullptr), nullptr));
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = 100;
    EXPECT_EQ(list.insertColumn(0, &col), 0);
    char text[] = "song";
    for (int i = 0; i < 3; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        EXPECT_EQ(list.insertItem(&item), i);
    }
    EXPECT_EQ(list.getItemCount(), 3);
    list.setItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.getNextItem(-1, LVNI_SELECTED), 1);

    Win32TrackBar bar;
    ASSERT_TRUE(bar.create(TRACKBAR_CLASSA, "", WS_CHILD, 0, 0, 0, 100, 20, parent.getHandle(), nullptr,
                           GetModuleHandleA(nullptr), nullptr));
    bar.setRange(-50, 50, false);
    bar.setPos(30, true);
    EXPECT_EQ(bar.getPos(), 30);
    bar.setPos(80, false);
    EXPECT_EQ(bar.getPos(), 50);   // held to the range
    EXPECT_TRUE(parent.destroy());
}

// A dialog that presses one of its own buttons once it is up.
class PressingDialog : public Win32Dialog {
public:
    int press = IDOK;
    HWND atInit = nullptr;
    HWND handleAtInit = nullptr;
    INT_PTR dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_INITDIALOG) {
            atInit = hwnd;
            handleAtInit = mHWnd;
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), 0);
            return TRUE;
        }
        return Win32Dialog::dialogProc(hwnd, msg, wParam, lParam);
    }
};

TEST(Win32Dialog, OkAndCancelEndTheDialogAndOneObjectRunsItAgain)
{
    PressingDialog dialog;
    for (int press : {IDOK, IDCANCEL, IDOK}) {
        SCOPED_TRACE(press);
        dialog.press = press;
        dialog.atInit = nullptr;
        EXPECT_EQ(dialog.doModal(GetModuleHandleA(nullptr), 101, nullptr), press == IDOK ? 1 : 2);
        ASSERT_NE(dialog.atInit, nullptr);
        EXPECT_EQ(dialog.handleAtInit, dialog.atInit);   // stored before dialogProc saw WM_INITDIALOG
        EXPECT_EQ(dialog.getHandle(), dialog.atInit);
    }
}

TEST(Win32Dib, OnlyTwentyFourBitsAreMadeAndStartBlack)
{
    Win32Dib refused;
    EXPECT_FALSE(refused.create(16, 16, 32));
    EXPECT_EQ(refused.getHandle(), nullptr);
    EXPECT_EQ(refused.getBits(), nullptr);

    Win32Dib dib;
    ASSERT_TRUE(dib.create(5, 3, 24));
    ASSERT_NE(dib.getHandle(), nullptr);
    ASSERT_NE(dib.getBits(), nullptr);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(dib.getHandle(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    const unsigned char* p = static_cast<const unsigned char*>(dib.getBits());
    for (int i = 0; i < 16 * 3; i++) EXPECT_EQ(p[i], 0) << i;   // rows padded to 16 bytes
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string EditText(HWND edit)
{
    std::string text(GetWindowTextLengthA(edit) + 1, '\0');
    text.resize(GetWindowTextA(edit, &text[0], static_cast<int>(text.size())));
    return text;
}

DWORD WINAPI ReportTwoErrors(void*)
{
    System::error("[Test]worker %d\n", 7);
    System::error("second\n");
    return 0;
}

TEST(Win32LogWindow, AnErrorFromAWorkerWhileTheWindowThreadIsBusyDoesNotWait)
{
    TestDir dir;
    BoxlessSystem* sys = new BoxlessSystem();
    ASSERT_TRUE(System::setInstance(sys));
    std::unique_ptr<Win32LogWindow> owned(new Win32LogWindow(GetModuleHandleA(nullptr)));
    Win32LogWindow* log = owned.get();
    ASSERT_TRUE(log->startErrorLog(*sys));
    ASSERT_NE(log->getHandle(), nullptr);
    EXPECT_FALSE(IsWindowVisible(log->getHandle()));   // hidden until the first message
    char title[32] = {};
    GetWindowTextA(log->getHandle(), title, sizeof title);
    EXPECT_STREQ(title, "error log");

    // The window thread (this one) does not pump while the worker reports: an
    // error output that sent to the window would wait here for ever.
    HANDLE worker = CreateThread(nullptr, 0, &ReportTwoErrors, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(WaitForSingleObject(worker, 20000), WAIT_OBJECT_0);
    CloseHandle(worker);
    EXPECT_EQ(log->getText(), "[Test]worker 7\r\nsecond\r\n");

    // Once the window thread pumps, the window shows the text.
    for (int i = 0; i < 200 && !IsWindowVisible(log->getHandle()); i++) {
        Pump();
        Sleep(10);
    }
    Pump();
    EXPECT_TRUE(IsWindowVisible(log->getHandle()));
    EXPECT_EQ(EditText(log->getEdit()), "[Test]worker 7\r\nsecond\r\n");
    {
        std::lock_guard<std::mutex> hold(sys->mutex);
        EXPECT_EQ(sys->boxes.size(), 2u);   // the other outputs still got it
    }
    EXPECT_NE(ReadAll(dir.file("chipplay-error.log")).find("[Test]worker 7"), std::string::npos);

    // The user cannot close it.
    SendMessageA(log->getHandle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(log->getHandle()));
    HWND gone = log->getHandle();
    log->stopErrorLog(*sys);
    EXPECT_FALSE(IsWindow(gone));
    System::error("after\n");   // no longer echoed
    EXPECT_EQ(log->getText().find("after"), std::string::npos);
    System::terminate();
}

TEST(Win32LogWindow, TheRingStoresCrLfAndKeepsTheNewest8191Bytes)
{
    Win32LogWindow log(GetModuleHandleA(nullptr));
    ASSERT_TRUE(log.create());
    log.append("a\nb");
    EXPECT_EQ(log.getText(), "a\r\nb");

    std::string all = "a\r\nb";
    for (int i = 0; i < 400; i++) {
        std::string line = "line " + std::to_string(i) + " of the ring test\n";
        log.append(line.c_str());
        all += line.substr(0, line.size() - 1) + "\r\n";
    }
    ASSERT_GT(all.size(), 8191u);
    EXPECT_EQ(log.getText(), all.substr(all.size() - 8191));
    Pump();
    EXPECT_EQ(EditText(log.getEdit()), all.substr(all.size() - 8191));
    // The newest line is in view.
    int first = static_cast<int>(SendMessageA(log.getEdit(), EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(first, 100);
    EXPECT_TRUE(log.destroy());
}

}   // namespace
