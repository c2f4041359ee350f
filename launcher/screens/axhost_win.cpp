// The web panes' control host: the window class "AtlAxWin71" and the small
// container (client site, in-place site and frame, ambient properties, the
// browser's host UI settings) that an OLE control needs before it will draw
// in a window of ours.
//
// Life of a pane: WM_CREATE reads the window text as the control's ProgID
// (or a "{CLSID}"), creates the control, gives it our site and activates it in
// place over the whole client area; WM_SIZE moves it; WM_DESTROY deactivates
// and closes it and takes the site back. The window owns one reference of the
// host object, the host owns the control. A control that cannot be made, or
// that refuses the site, leaves the window an empty child: the pane is blank
// and WM_ATLGETCONTROL answers NULL.
#include "axhost.h"

#include <ole2.h>
#include <oleidl.h>
#include <olectl.h>
#include <mshtmhst.h>

#include <cstring>
#include <new>
#include <string>

namespace {

const char kClassName[] = "AtlAxWin71";
const char kGetControlMsg[] = "WM_ATLGETCONTROL";

UINT g_uGetControlMsg = 0;
bool g_bRegistered = false;

// OLE belongs to a thread: each UI thread that makes a pane initialises it
// once and keeps it for the thread's life (the panes die with the main
// window, at the end of the program), so no pane's teardown pulls OLE away
// from another pane or from a control that still finishes its work.
thread_local bool t_bOleTried = false;

void InitOleOnce()
{
    if (t_bOleTried) return;
    t_bOleTried = true;
    // RPC_E_CHANGED_MODE: the thread is already in the free-threaded model;
    // creation is still tried, and a control that needs a single-threaded
    // apartment then refuses and the pane stays blank.
    (void)OleInitialize(nullptr);
}

class AxHost;

// The frame the control asks for while it activates in place: the program's
// top-level window. It has no menus, toolbars or status bar to share, so it
// says yes and does nothing. Its lifetime is the host's.
class AxFrame final : public IOleInPlaceFrame {
public:
    explicit AxFrame(AxHost* pHost) : m_pHost(pHost) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    AxHost* m_pHost;
};

// The container side of one pane. The control holds references to it (as
// its client site) while it is hosted; the window holds one more.
class AxHost final : public IOleClientSite, public IOleInPlaceSite, public IDispatch, public IDocHostUIHandler {
public:
    explicit AxHost(HWND hWnd) : m_hWnd(hWnd), m_frame(this) {}

    // Creates and activates the control named by the text; false leaves the
    // pane blank with nothing held.
    bool Create(const std::wstring& name);
    // Deactivates, closes and lets go of the control; the site stops
    // answering for the window, which is going away.
    void Teardown();
    void Resize(int cx, int cy);
    // The control's IUnknown with a reference for the caller, or NULL.
    IUnknown* Control();

    HWND Window() const { return m_hWnd; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_nRef)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_nRef);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override
    {
        if (ppmk != nullptr) *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override
    {
        if (ppContainer != nullptr) *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        if (phwnd == nullptr) return E_POINTER;
        *phwnd = m_hWnd;
        return m_hWnd != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return m_hWnd != nullptr ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { m_bInPlace = true; return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return S_FALSE; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { m_bInPlace = false; return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

    // IDispatch: the ambient properties. The pane is a running program, not
    // a form designer, so the control is told it is in user mode; everything
    // else takes the control's own default.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo == nullptr) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo != nullptr) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override;

    // IDocHostUIHandler: how the browser looks in a pane. The panes are
    // parts of the launcher's skin, small and borderless: no 3-D border and
    // none of the browser's own menus or toolbars; the rest is the
    // browser's default.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override
    {
        if (pInfo == nullptr) return E_POINTER;
        pInfo->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
        pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        pInfo->pchHostCss = nullptr;
        pInfo->pchHostNS = nullptr;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override
    {
        return S_OK;   // "shown by the host": the browser shows none of its own
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD) override
    {
        if (pchKey != nullptr) *pchKey = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) override
    {
        if (ppDropTarget != nullptr) *ppDropTarget = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** ppDispatch) override
    {
        if (ppDispatch != nullptr) *ppDispatch = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) override
    {
        if (ppchURLOut != nullptr) *ppchURLOut = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** ppDORet) override
    {
        if (ppDORet != nullptr) *ppDORet = nullptr;
        return S_FALSE;
    }

private:
    ~AxHost() = default;   // only through Release

    LONG m_nRef = 1;
    HWND m_hWnd;
    AxFrame m_frame;
    IUnknown* m_pControl = nullptr;
    IOleObject* m_pOleObject = nullptr;
    IOleInPlaceObject* m_pInPlace = nullptr;
    bool m_bInPlace = false;
};

STDMETHODIMP AxFrame::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
        *ppv = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) AxFrame::AddRef() { return m_pHost->AddRef(); }
STDMETHODIMP_(ULONG) AxFrame::Release() { return m_pHost->Release(); }

STDMETHODIMP AxFrame::GetWindow(HWND* phwnd)
{
    if (phwnd == nullptr) return E_POINTER;
    HWND hWnd = m_pHost->Window();
    *phwnd = hWnd != nullptr ? GetAncestor(hWnd, GA_ROOT) : nullptr;
    return *phwnd != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP AxHost::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
        *ppv = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
        *ppv = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
        *ppv = static_cast<IDocHostUIHandler*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP AxHost::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                      LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo)
{
    if (ppFrame == nullptr || ppDoc == nullptr || lprcPosRect == nullptr || lprcClipRect == nullptr ||
        lpFrameInfo == nullptr) {
        return E_POINTER;
    }
    *ppFrame = nullptr;
    *ppDoc = nullptr;   // the frame is the only window that could share tools
    if (m_hWnd == nullptr) return E_FAIL;
    *ppFrame = &m_frame;
    m_frame.AddRef();
    GetClientRect(m_hWnd, lprcPosRect);
    *lprcClipRect = *lprcPosRect;
    // cb is the caller's to set; the rest is ours.
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = GetAncestor(m_hWnd, GA_ROOT);
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP AxHost::OnPosRectChange(LPCRECT lprcPosRect)
{
    if (lprcPosRect == nullptr) return E_POINTER;
    if (m_pInPlace != nullptr) m_pInPlace->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
}

STDMETHODIMP AxHost::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                            EXCEPINFO*, UINT*)
{
    if ((wFlags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
    if (dispIdMember != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
    if (pVarResult == nullptr) return E_POINTER;
    VariantInit(pVarResult);
    pVarResult->vt = VT_BOOL;
    pVarResult->boolVal = VARIANT_TRUE;
    return S_OK;
}

bool AxHost::Create(const std::wstring& name)
{
    if (name.empty()) return false;
    CLSID clsid;
    // ProgIDs and "{CLSID}" strings both name a control.
    HRESULT hr = name[0] == L'{' ? CLSIDFromString(name.c_str(), &clsid) : CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) return false;

    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&m_pControl));
    if (FAILED(hr) || m_pControl == nullptr) {
        m_pControl = nullptr;
        return false;
    }
    hr = m_pControl->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_pOleObject));
    if (FAILED(hr) || m_pOleObject == nullptr) {
        m_pOleObject = nullptr;
        Teardown();
        return false;
    }

    // Some controls want their site before they are initialised, the others
    // after; asking tells which.
    DWORD dwMisc = 0;
    m_pOleObject->GetMiscStatus(DVASPECT_CONTENT, &dwMisc);
    const bool bSiteFirst = (dwMisc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (bSiteFirst && FAILED(m_pOleObject->SetClientSite(this))) {
        Teardown();
        return false;
    }
    IPersistStreamInit* pInit = nullptr;
    if (SUCCEEDED(m_pControl->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pInit))) &&
        pInit != nullptr) {
        pInit->InitNew();
        pInit->Release();
    }
    if (!bSiteFirst && FAILED(m_pOleObject->SetClientSite(this))) {
        Teardown();
        return false;
    }

    RECT rc;
    GetClientRect(m_hWnd, &rc);
    hr = m_pOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWnd, &rc);
    // Taken before the result is looked at: a control that activated half-way
    // and then failed is deactivated by the teardown.
    if (FAILED(m_pControl->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_pInPlace)))) {
        m_pInPlace = nullptr;
    }
    if (FAILED(hr)) {
        Teardown();
        return false;
    }
    return true;
}

void AxHost::Teardown()
{
    // The control may call back into the site while it closes; keep
    // ourselves alive until it has finished.
    AddRef();
    if (m_pInPlace != nullptr) {
        if (m_bInPlace) m_pInPlace->InPlaceDeactivate();
        m_pInPlace->Release();
        m_pInPlace = nullptr;
    }
    if (m_pOleObject != nullptr) {
        m_pOleObject->Close(OLECLOSE_NOSAVE);
        m_pOleObject->SetClientSite(nullptr);
        m_pOleObject->Release();
        m_pOleObject = nullptr;
    }
    if (m_pControl != nullptr) {
        m_pControl->Release();
        m_pControl = nullptr;
    }
    m_bInPlace = false;
    m_hWnd = nullptr;
    Release();
}

void AxHost::Resize(int cx, int cy)
{
    if (m_pInPlace == nullptr) return;
    RECT rc = { 0, 0, cx, cy };
    m_pInPlace->SetObjectRects(&rc, &rc);
}

IUnknown* AxHost::Control()
{
    if (m_pControl != nullptr) m_pControl->AddRef();
    return m_pControl;
}

AxHost* HostOf(HWND hWnd)
{
    return reinterpret_cast<AxHost*>(GetWindowLongPtrA(hWnd, 0));
}

std::wstring WindowTextW(HWND hWnd)
{
    int n = GetWindowTextLengthA(hWnd);
    if (n <= 0) return std::wstring();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(hWnd, &text[0], n + 1);
    if (n <= 0) return std::wstring();
    int w = MultiByteToWideChar(CP_ACP, 0, text.c_str(), n, nullptr, 0);
    if (w <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(w), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), n, &wide[0], w);
    return wide;
}

LRESULT CALLBACK AxWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == g_uGetControlMsg && g_uGetControlMsg != 0) {
        AxHost* pHost = HostOf(hWnd);
        return pHost != nullptr ? reinterpret_cast<LRESULT>(pHost->Control()) : 0;
    }
    switch (uMsg) {
    case WM_CREATE: {
        InitOleOnce();
        AxHost* pHost = new (std::nothrow) AxHost(hWnd);
        if (pHost == nullptr) return 0;   // a blank pane
        if (!pHost->Create(WindowTextW(hWnd))) {
            pHost->Release();
            return 0;
        }
        SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(pHost));
        return 0;
    }
    case WM_SIZE:
        if (AxHost* pHost = HostOf(hWnd)) pHost->Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        if (AxHost* pHost = HostOf(hWnd)) {
            SetWindowLongPtrA(hWnd, 0, 0);
            pHost->Teardown();
            pHost->Release();
        }
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

}  // namespace

BOOL AtlAxWinInit(void)
{
    if (g_uGetControlMsg == 0) g_uGetControlMsg = RegisterWindowMessageA(kGetControlMsg);
    if (g_uGetControlMsg == 0) return FALSE;
    if (g_bRegistered) return TRUE;
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(wc);
    // Global: a pane is made with the program's instance, whichever module
    // registered the class.
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = AxWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);   // what a blank pane shows
    wc.lpszClassName = kClassName;
    if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return FALSE;
    g_bRegistered = true;
    return TRUE;
}

HRESULT AtlAxGetControl(HWND hWnd, IUnknown** ppUnk)
{
    if (ppUnk == nullptr) return E_POINTER;
    *ppUnk = nullptr;
    if (g_uGetControlMsg == 0 || hWnd == nullptr || !IsWindow(hWnd)) return E_INVALIDARG;
    // The answer is a pointer into the window's apartment: only a window of
    // this thread can hand one out that the caller may use (and a window of
    // another process would answer with an address that means nothing here).
    DWORD pid = 0;
    if (GetWindowThreadProcessId(hWnd, &pid) != GetCurrentThreadId() || pid != GetCurrentProcessId()) {
        return RPC_E_WRONG_THREAD;
    }
    char cls[32] = "";
    if (GetClassNameA(hWnd, cls, sizeof(cls)) == 0 || lstrcmpiA(cls, kClassName) != 0) return E_INVALIDARG;
    *ppUnk = reinterpret_cast<IUnknown*>(SendMessageA(hWnd, g_uGetControlMsg, 0, 0));
    return *ppUnk != nullptr ? S_OK : E_FAIL;
}
