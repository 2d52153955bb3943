// Move-only owners for the Win32 handles the program acquires. Each releases its handle exactly once, on every way
// out of the scope that acquired it; copying is deleted so ownership is never shared by accident.
#pragma once
#include <windows.h>

#include <string>
#include <utility>

// Generic owner: Traits supplies the null value and the release call.
template <class Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Null(); }
    Handle release() { return std::exchange(handle_, Traits::Null()); }
    void reset(Handle h = Traits::Null()) {
        if (handle_ != Traits::Null()) Traits::Close(handle_);
        handle_ = h;
    }

private:
    Handle handle_ = Traits::Null();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};

// Fonts the program creates itself; stock and borrowed fonts are never put in one.
struct FontTraits {
    using Handle = HFONT;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>; // process, thread, job, mutex
using FileHandle = UniqueHandle<FileHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using GlobalBlock = UniqueHandle<GlobalTraits>; // hand to SetClipboardData with release() only after it succeeded
using MenuHandle = UniqueHandle<MenuTraits>;
using Library = UniqueHandle<LibraryTraits>;
using FontHandle = UniqueHandle<FontTraits>;

// Pointer into a locked global block; unlocks when it goes.
template <class T> class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(static_cast<T*>(GlobalLock(block))) {}
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(block_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    HGLOBAL block_;
    T* data_;
};

// An open clipboard; closed when the session ends unless closed earlier.
class ClipboardSession {
public:
    ClipboardSession() = default;
    explicit ClipboardSession(HWND owner) { Open(owner); }
    ~ClipboardSession() { Close(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool Open(HWND owner) {
        if (!open_) open_ = OpenClipboard(owner) != FALSE;
        return open_;
    }
    bool IsOpen() const { return open_; }
    void Close() {
        if (open_) CloseClipboard();
        open_ = false;
    }

private:
    bool open_ = false;
};

// A file that deletes itself when it goes.
class TempFile {
public:
    TempFile() = default;
    explicit TempFile(std::wstring path) : path_(std::move(path)) {}
    ~TempFile() { Remove(); }
    TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    TempFile& operator=(TempFile&& other) noexcept {
        if (this != &other) {
            Remove();
            path_ = std::exchange(other.path_, {});
        }
        return *this;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& Path() const { return path_; }
    void Remove() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
        path_.clear();
    }

private:
    std::wstring path_;
};

// Runs a callable when the scope ends, for the odd clean-up no wrapper above covers.
template <class F> class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (active_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};
template <class F> ScopeExit<F> MakeScopeExit(F f) { return ScopeExit<F>(std::move(f)); }

struct EnhMetaFileTraits {
    using Handle = HENHMETAFILE;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { DeleteEnhMetaFile(h); }
};
using EnhMetaFile = UniqueHandle<EnhMetaFileTraits>; // hand to SetClipboardData like a GlobalBlock
