// The web panes' control host in this process: the window class
// "AtlAxWin71" with the system's browser control ("Shell.Explorer.2") and
// the stand-in service on its own loopback address, and with a control of
// the test's own that records what the host asks of it, so the hosting
// protocol and the reference counts can be checked whatever the system's
// control does.
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <olectl.h>
#include <mshtmhst.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "axhost.h"
#include "testdir.h"
#include "winprobe.h"

namespace {

std::string EnvVar(const char* n)
{
    const char* v = std::getenv(n);
    return v ? v : "";
}
std::string SitePath(const std::string& rel) { return Probe_HostPath(EnvVar("TIV_STANDIN_DIR") + "/" + rel); }

// How many GETs of the path the stand-in has logged.
int Gets(const std::string& path)
{
    std::istringstream ss(ReadAll(SitePath("req.log")));
    std::string line;
    int n = 0;
    while (std::getline(ss, line)) {
        if (line.compare(0, 4 + path.size() + 1, "GET\t" + path + "\t") == 0) n++;
    }
    return n;
}

// Runs the thread's message loop (as the launcher's UI thread does) until
// done() or the time is up; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, int nTimeoutMs)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void Pump(int nMs) { PumpUntil([] { return false; }, nMs); }

// The program's main window stand-in, and panes in it as the control module
// makes them.
struct Host {
    HWND main = nullptr;
    Host()
    {
        EXPECT_TRUE(AtlAxWinInit());
        main = CreateWindowExA(0, "STATIC", "axhost test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 300, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(main, nullptr);
    }
    ~Host()
    {
        if (main != nullptr) DestroyWindow(main);
        Pump(50);
    }
    HWND Pane(const char* text, int x = 10, int y = 20, int w = 300, int h = 120) const
    {
        return CreateWindowExA(0, "AtlAxWin71", text, WS_CHILD | WS_VISIBLE, x, y, w, h, main, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
};

HWND FirstChild(HWND w) { return GetWindow(w, GW_CHILD); }

SIZE ClientSize(HWND w)
{
    RECT rc = {};
    GetClientRect(w, &rc);
    return SIZE{ rc.right - rc.left, rc.bottom - rc.top };
}

// The browser interface of a new browser pane, or null with the reason: Wine
// without a browser control takes the blank path, which must then be whole
// (an error, no pointer, an empty window).
IWebBrowser2* Browser(HWND pane, std::string* pWhy)
{
    IUnknown* pUnk = reinterpret_cast<IUnknown*>(static_cast<LONG_PTR>(1));
    HRESULT hr = AtlAxGetControl(pane, &pUnk);
    if (FAILED(hr)) {
        EXPECT_EQ(pUnk, nullptr);
        EXPECT_EQ(FirstChild(pane), nullptr);
        std::ostringstream why;
        why << "blank path: this Wine makes no \"Shell.Explorer.2\" control (AtlAxGetControl 0x" << std::hex << hr
            << ")";
        *pWhy = why.str();
        return nullptr;
    }
    EXPECT_NE(pUnk, nullptr);
    IWebBrowser2* pWeb = nullptr;
    EXPECT_EQ(pUnk->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&pWeb)), S_OK);
    pUnk->Release();
    return pWeb;
}

HRESULT Navigate(IWebBrowser2* pWeb, const std::string& url)
{
    std::wstring w(url.begin(), url.end());
    VARIANT vUrl, vEmpty;
    VariantInit(&vUrl);
    VariantInit(&vEmpty);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = SysAllocString(w.c_str());
    HRESULT hr = pWeb->Navigate2(&vUrl, &vEmpty, &vEmpty, &vEmpty, &vEmpty);
    VariantClear(&vUrl);
    return hr;
}

std::string PageUrl(const std::string& path) { return "http://" + EnvVar("TIV_STANDIN_ADDR") + path; }

void WritePage(const std::string& name, const std::string& title)
{
    CreateDirectoryA(SitePath("root/html").c_str(), nullptr);
    WriteAll(SitePath("root/html/" + name),
             "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
             "<title>" + title + "</title></head><body>" + title + "</body></html>\r\n");
}

// The browser pane as the control module makes it: in place over the whole
// pane (and following it when it is moved), one GET of its page while the
// thread keeps running its message loop.
TEST(AxHost, BrowserPaneNavigatesOnceToItsPage)
{
    ASSERT_FALSE(EnvVar("TIV_STANDIN_DIR").empty()) << "runs under the stand-in fixture";
    WritePage("news.html", "新製品のお知らせ");
    Host host;
    HWND pane = host.Pane("Shell.Explorer.2");
    ASSERT_NE(pane, nullptr);
    std::string why;
    IWebBrowser2* pWeb = Browser(pane, &why);
    if (pWeb == nullptr) GTEST_SKIP() << why;
    std::cout << "control path: \"Shell.Explorer.2\" made and hosted in place" << std::endl;

    HWND inner = FirstChild(pane);
    ASSERT_NE(inner, nullptr) << "the control made no window in the pane";
    EXPECT_EQ(ClientSize(inner).cx, 300);
    EXPECT_EQ(ClientSize(inner).cy, 120);
    MoveWindow(pane, 10, 20, 200, 80, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return ClientSize(inner).cx == 200 && ClientSize(inner).cy == 80; }, 2000))
        << "the control's window is " << ClientSize(inner).cx << "x" << ClientSize(inner).cy << ", pane 200x80";

    const int before = Gets("/html/news.html");   // the log outlives a single run
    ASSERT_EQ(Navigate(pWeb, PageUrl("/html/news.html")), S_OK);
    pWeb->Release();
    bool seen = PumpUntil([&] { return Gets("/html/news.html") > before; }, 20000);
    Pump(1500);   // a second request would come now
    EXPECT_TRUE(seen) << "no GET of the page in the stand-in's log";
    EXPECT_EQ(Gets("/html/news.html") - before, 1);
    std::cout << "navigation: the stand-in saw " << Gets("/html/news.html") - before << " GET of /html/news.html"
              << std::endl;
    EXPECT_TRUE(DestroyWindow(pane));
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { g_ticks++; }

// A server that takes its time must never hold up the UI thread: Navigate2
// returns at once, timers keep firing while the request hangs, and the pane
// can be destroyed in the middle of it.
TEST(AxHost, SlowPageDoesNotHoldTheUiThread)
{
    ASSERT_FALSE(EnvVar("TIV_STANDIN_DIR").empty()) << "runs under the stand-in fixture";
    Host host;
    HWND pane = host.Pane("Shell.Explorer.2");
    ASSERT_NE(pane, nullptr);
    std::string why;
    IWebBrowser2* pWeb = Browser(pane, &why);
    if (pWeb == nullptr) GTEST_SKIP() << why;

    // The control's first navigation loads its own machinery, which on a new
    // prefix of a loaded machine takes seconds: that is not the server's
    // time, so a page that needs no server goes first.
    EXPECT_EQ(Navigate(pWeb, "about:blank"), S_OK);
    Pump(500);
    const int before = Gets("/html/stall.html");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Navigate(pWeb, PageUrl("/html/stall.html")), S_OK);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    // The server answers after 15 s: anything well below that did not wait.
    EXPECT_LT(ms, 10000) << "Navigate2 waited for the server";
    pWeb->Release();

    g_ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, CountTick);
    ASSERT_NE(timer, 0u);
    t0 = std::chrono::steady_clock::now();
    bool seen = PumpUntil([&] { return Gets("/html/stall.html") > before && g_ticks >= 10; }, 20000);
    KillTimer(nullptr, timer);
    ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(seen) << "GETs " << Gets("/html/stall.html") << ", timer ticks " << g_ticks;
    // A thread held by the navigation could not tick before the server's
    // answer, 15 s after the request: anything below that did not wait (on
    // a loaded machine the request itself can take seconds to arrive).
    EXPECT_LT(ms, 14000) << "the UI thread stood still " << ms << " ms for 10 ticks of 50 ms";
    EXPECT_TRUE(DestroyWindow(pane));   // the server is still stalling
    Pump(300);
}

// A window text that names no control that can be made leaves an empty
// child window; the host then answers with an error and no pointer. Calls
// with things that are not a pane are refused the same way.
TEST(AxHost, NoControlLeavesBlankPane)
{
    Host host;
    for (const char* text : { "No.Such.Control.1", "", "{00000000-0000-0000-0000-000000000000}", "{not a clsid",
                              "Shell.Explorer.2 with trailing words" }) {
        SCOPED_TRACE(text);
        HWND pane = host.Pane(text);
        ASSERT_NE(pane, nullptr);
        EXPECT_TRUE(IsWindowVisible(pane));
        EXPECT_EQ(FirstChild(pane), nullptr);
        IUnknown* pUnk = reinterpret_cast<IUnknown*>(static_cast<LONG_PTR>(1));
        EXPECT_TRUE(FAILED(AtlAxGetControl(pane, &pUnk)));
        EXPECT_EQ(pUnk, nullptr);
        MoveWindow(pane, 0, 0, 50, 50, TRUE);   // WM_SIZE without a control
        Pump(20);
        EXPECT_TRUE(DestroyWindow(pane));
    }

    HWND stat = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, host.main, nullptr, nullptr, nullptr);
    for (HWND w : { static_cast<HWND>(nullptr), stat, host.main }) {
        IUnknown* pUnk = reinterpret_cast<IUnknown*>(static_cast<LONG_PTR>(1));
        EXPECT_TRUE(FAILED(AtlAxGetControl(w, &pUnk)));
        EXPECT_EQ(pUnk, nullptr);
    }
    EXPECT_EQ(AtlAxGetControl(stat, nullptr), E_POINTER);
    EXPECT_TRUE(AtlAxWinInit()) << "a second registration is no failure";
}

// Made and destroyed again and again, each pane lets go of its control: the
// test's own reference is the control's last, and the control has no site
// left.
TEST(AxHost, RepeatedBrowserPanesReleaseTheirControls)
{
    Host host;
    int made = 0;
    for (int i = 0; i < 20; i++) {
        SCOPED_TRACE(i);
        HWND pane = host.Pane("Shell.Explorer.2");
        ASSERT_NE(pane, nullptr);
        IUnknown* pUnk = nullptr;
        if (FAILED(AtlAxGetControl(pane, &pUnk))) {
            EXPECT_EQ(pUnk, nullptr);
            EXPECT_TRUE(DestroyWindow(pane));
            continue;
        }
        made++;
        IOleObject* pOle = nullptr;
        ASSERT_EQ(pUnk->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pOle)), S_OK);
        EXPECT_TRUE(DestroyWindow(pane));
        Pump(20);
        IOleClientSite* pSite = reinterpret_cast<IOleClientSite*>(static_cast<LONG_PTR>(1));
        pOle->GetClientSite(&pSite);
        EXPECT_EQ(pSite, nullptr) << "the control still has the host's site";
        if (pSite != nullptr && pSite != reinterpret_cast<IOleClientSite*>(static_cast<LONG_PTR>(1))) pSite->Release();
        pOle->Release();
        EXPECT_EQ(pUnk->Release(), 0u) << "the host kept a reference to its control";
    }
    if (made == 0) GTEST_SKIP() << "blank path: this Wine makes no \"Shell.Explorer.2\" control; 20 blank panes made and destroyed";
    EXPECT_EQ(made, 20);
}

// ---- A control of the test's own, registered for this process only. ----

// {6B1C4F0E-2D3A-4E5B-9C7D-8E9FA0B1C2D3}
const CLSID kFakeClsid = { 0x6b1c4f0e, 0x2d3a, 0x4e5b, { 0x9c, 0x7d, 0x8e, 0x9f, 0xa0, 0xb1, 0xc2, 0xd3 } };
const char kFakeText[] = "{6B1C4F0E-2D3A-4E5B-9C7D-8E9FA0B1C2D3}";

// FailAfterActivate: activates in place, window and all, and then reports a
// failure; the host must still deactivate it.
enum class FakeMode { Good, FailDoVerb, FailAfterActivate, NoOleObject };
FakeMode g_fakeMode = FakeMode::Good;
LONG g_fakeAlive = 0;                 // fake controls not yet freed
std::vector<std::string> g_events;    // what the host asked of the control
IOleClientSite* g_pKeptSite = nullptr;   // one extra reference, taken to see the host's count

std::string Rect(const RECT* r)
{
    std::ostringstream s;
    s << r->left << "," << r->top << "," << r->right << "," << r->bottom;
    return s.str();
}

class FakeControl final : public IOleObject, public IOleInPlaceObject {
public:
    FakeControl() { InterlockedIncrement(&g_fakeAlive); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) *ppv = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleObject) && g_fakeMode != FakeMode::NoOleObject) *ppv = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceObject) || IsEqualIID(riid, IID_IOleWindow))
            *ppv = static_cast<IOleInPlaceObject*>(this);
        if (*ppv == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_nRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = --m_nRef;
        if (n == 0) {
            InterlockedDecrement(&g_fakeAlive);
            delete this;
        }
        return static_cast<ULONG>(n);
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pSite) override
    {
        g_events.push_back(pSite != nullptr ? "SetClientSite" : "SetClientSite(NULL)");
        if (pSite != nullptr) {
            pSite->AddRef();
            if (g_pKeptSite == nullptr) {
                g_pKeptSite = pSite;
                pSite->AddRef();
            }
        }
        if (m_pSite != nullptr) m_pSite->Release();
        m_pSite = pSite;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** pp) override
    {
        *pp = m_pSite;
        if (m_pSite != nullptr) m_pSite->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override
    {
        g_events.push_back("Close");
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG, IOleClientSite* pSite, LONG, HWND hwndParent, LPCRECT lprcPosRect) override
    {
        g_events.push_back("DoVerb " + std::to_string(iVerb) + " " + Rect(lprcPosRect));
        if (g_fakeMode == FakeMode::FailDoVerb) return E_FAIL;
        // In-place activation as a control does it: ask the site, take the
        // frame and rectangles, make a window in the host's window.
        IOleInPlaceSite* pIps = nullptr;
        if (FAILED(pSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&pIps)))) return E_FAIL;
        HWND hSite = nullptr;
        EXPECT_EQ(pIps->GetWindow(&hSite), S_OK);
        EXPECT_EQ(hSite, hwndParent);
        EXPECT_EQ(pIps->CanInPlaceActivate(), S_OK);
        pIps->OnInPlaceActivate();
        IOleInPlaceFrame* pFrame = nullptr;
        IOleInPlaceUIWindow* pDoc = nullptr;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {};
        info.cb = sizeof(info);
        EXPECT_EQ(pIps->GetWindowContext(&pFrame, &pDoc, &pos, &clip, &info), S_OK);
        g_events.push_back("WindowContext " + Rect(&pos));
        if (pFrame != nullptr) {
            HWND hFrame = nullptr;
            pFrame->GetWindow(&hFrame);
            EXPECT_EQ(hFrame, GetAncestor(hwndParent, GA_ROOT));
            EXPECT_EQ(info.hwndFrame, hFrame);
            pFrame->SetActiveObject(nullptr, nullptr);
            pFrame->Release();
        }
        if (pDoc != nullptr) pDoc->Release();
        IDispatch* pAmbient = nullptr;
        if (SUCCEEDED(pSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pAmbient)))) {
            VARIANT v;
            VariantInit(&v);
            DISPPARAMS none = {};
            EXPECT_EQ(pAmbient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr,
                                       nullptr), S_OK);
            EXPECT_EQ(v.vt, VT_BOOL);
            EXPECT_EQ(v.boolVal, VARIANT_TRUE);
            pAmbient->Release();
        }
        IDocHostUIHandler* pUi = nullptr;
        EXPECT_EQ(pSite->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&pUi)), S_OK);
        if (pUi != nullptr) {
            DOCHOSTUIINFO ui = {};
            ui.cbSize = sizeof(ui);
            EXPECT_EQ(pUi->GetHostInfo(&ui), S_OK);
            EXPECT_EQ(ui.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER)) << "a pane is borderless";
            pUi->Release();
        }
        m_hWnd = CreateWindowExA(0, "STATIC", "fake", WS_CHILD | WS_VISIBLE, pos.left, pos.top, pos.right - pos.left,
                                 pos.bottom - pos.top, hwndParent, nullptr, nullptr, nullptr);
        m_pIps = pIps;
        return g_fakeMode == FakeMode::FailAfterActivate ? E_FAIL : S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* p) override { *p = kFakeClsid; return S_OK; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* p) override { *p = OLEMISC_SETCLIENTSITEFIRST; return S_OK; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* p) override { *p = m_hWnd; return m_hWnd != nullptr ? S_OK : E_FAIL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override
    {
        g_events.push_back("InPlaceDeactivate");
        if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
        if (m_pIps != nullptr) {
            m_pIps->OnInPlaceDeactivate();
            m_pIps->Release();
            m_pIps = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override
    {
        g_events.push_back("SetObjectRects " + Rect(pos));
        if (m_hWnd != nullptr) MoveWindow(m_hWnd, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

private:
    ~FakeControl() = default;
    LONG m_nRef = 1;
    IOleClientSite* m_pSite = nullptr;
    IOleInPlaceSite* m_pIps = nullptr;
    HWND m_hWnd = nullptr;
};

class FakeFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter != nullptr) return CLASS_E_NOAGGREGATION;
        FakeControl* p = new FakeControl;
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

struct AxHostOwnControl : ::testing::Test {
    FakeFactory factory;
    DWORD cookie = 0;
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_EQ(CoRegisterClassObject(kFakeClsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
        g_events.clear();
        g_pKeptSite = nullptr;
        g_fakeMode = FakeMode::Good;
    }
    void TearDown() override
    {
        CoRevokeClassObject(cookie);
        OleUninitialize();
    }
};

std::string Events()
{
    std::string s;
    for (const auto& e : g_events) s += e + "\n";
    return s;
}

// The whole life of a pane as the control sees it: its site first, in-place
// activation over the client area (and the same rectangle again from the
// pane's first WM_SIZE), the frame is the program's window, the browser is
// told to draw no border, moves follow the pane, and at the end deactivation, Close and the site taken
// back. Afterwards nothing of the host is left: the extra reference the
// control took on the site is its last, and the control itself is freed.
// Another thread is refused the control.
TEST_F(AxHostOwnControl, PaneLifeAsTheControlSeesIt)
{
    Host host;
    HWND pane = host.Pane(kFakeText, 10, 20, 300, 120);
    ASSERT_NE(pane, nullptr);
    IUnknown* pUnk = nullptr;
    ASSERT_EQ(AtlAxGetControl(pane, &pUnk), S_OK);
    IOleObject* pOle = nullptr;
    ASSERT_EQ(pUnk->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pOle)), S_OK);
    pOle->Release();
    pUnk->Release();
    // Another thread gets no pointer: it belongs to this thread's apartment.
    HRESULT hrOther = S_OK;
    IUnknown* pOther = reinterpret_cast<IUnknown*>(static_cast<LONG_PTR>(1));
    std::thread([&] { hrOther = AtlAxGetControl(pane, &pOther); }).join();
    EXPECT_EQ(hrOther, RPC_E_WRONG_THREAD);
    EXPECT_EQ(pOther, nullptr);

    HWND inner = FirstChild(pane);
    ASSERT_NE(inner, nullptr);
    MoveWindow(pane, 0, 0, 200, 80, TRUE);
    EXPECT_EQ(ClientSize(inner).cx, 200);
    EXPECT_EQ(ClientSize(inner).cy, 80);
    EXPECT_EQ(g_fakeAlive, 1);

    EXPECT_TRUE(DestroyWindow(pane));
    EXPECT_EQ(Events(), "SetClientSite\nDoVerb -5 0,0,300,120\nWindowContext 0,0,300,120\n"
                        "SetObjectRects 0,0,300,120\nSetObjectRects 0,0,200,80\nInPlaceDeactivate\nClose\nSetClientSite(NULL)\n");
    EXPECT_EQ(g_fakeAlive, 0) << "the host kept its control";
    ASSERT_NE(g_pKeptSite, nullptr);
    EXPECT_EQ(g_pKeptSite->Release(), 0u) << "the host's site outlives its pane";
}

// A control that cannot be hosted (no IOleObject, or it refuses to activate,
// even after making its window) is let go at once and the pane is blank;
// so are twenty panes in a row.
TEST_F(AxHostOwnControl, ControlThatCannotBeHostedLeavesBlankPane)
{
    Host host;
    for (FakeMode mode : { FakeMode::FailDoVerb, FakeMode::FailAfterActivate, FakeMode::NoOleObject }) {
        SCOPED_TRACE(static_cast<int>(mode));
        g_fakeMode = mode;
        g_pKeptSite = nullptr;
        for (int i = 0; i < 20; i++) {
            HWND pane = host.Pane(kFakeText);
            ASSERT_NE(pane, nullptr);
            IUnknown* pUnk = reinterpret_cast<IUnknown*>(static_cast<LONG_PTR>(1));
            EXPECT_TRUE(FAILED(AtlAxGetControl(pane, &pUnk)));
            EXPECT_EQ(pUnk, nullptr);
            EXPECT_EQ(FirstChild(pane), nullptr);
            EXPECT_EQ(g_fakeAlive, 0);
            EXPECT_TRUE(DestroyWindow(pane));
        }
        if (g_pKeptSite != nullptr) {
            EXPECT_EQ(g_pKeptSite->Release(), 0u) << "the site of a refused control lives on";
        }
    }
}

}  // namespace
