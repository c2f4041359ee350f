// Win32Thunk: a few bytes of machine code on a page of their own that turn a
// window (or dialog) procedure call into a call of a class's entry with one
// object's address in front:
//
//   Win32Thunk thunk(this, reinterpret_cast<void*>(&MyClass::entry));
//   WNDPROC proc = reinterpret_cast<WNDPROC>(thunk.code());   // null when no page
//   // Windows calls proc(hwnd, msg, wParam, lParam);
//   // the thunk calls entry(this, hwnd, msg, wParam, lParam) and returns its result.
//
// So messages reach their object without any table from window handle to
// object. The entry must be declared CALLBACK with the object pointer first.
//
// 32-bit x86 (stdcall): the return address is pushed again and the object's
// address stored over the old slot, which becomes the first argument; then a
// relative jump to the entry, which cleans five arguments and returns straight
// to Windows.
// x86-64 (Windows ABI, arguments in rcx, rdx, r8, r9): the thunk has a small
// frame of its own that shifts the four arguments one place on (lParam to the
// stack slot of the fifth), loads the object into rcx and calls the entry. The
// frame is described to the system's unwinder (RtlAddFunctionTable), so stack
// walks (debuggers, the crash report) pass through it.
//
// The page is written while writable, then made execute-read: never writable
// and executable at once.
#pragma once

class Win32Thunk {
public:
    Win32Thunk(void* object, void* entry);
    ~Win32Thunk();

    // A new thunk, or null when memory or a page could not be had (the owner
    // then has none, and says so when asked for it).
    static Win32Thunk* make(void* object, void* entry);

    // The procedure to hand to Windows; null when no page could be had.
    void* code() const { return mPage; }

    Win32Thunk(const Win32Thunk&) = delete;
    Win32Thunk& operator=(const Win32Thunk&) = delete;

private:
    void* mPage;
    bool mUnwindAdded;
};
