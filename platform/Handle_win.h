#pragma once
// One owner for every kind of system handle of the Windows build: a move-only object that closes its handle when it
// goes, with a named alias per kind. Include after windows.h.

#include <windows.h>

#include <commctrl.h>

namespace platform {

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::IsValid(handle_); }
    // Gives the handle up without closing it.
    Handle release() noexcept {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    // Closes the current handle (if any) and takes the new one.
    void reset(Handle handle = Traits::Invalid()) noexcept {
        if (Traits::IsValid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }
    // For functions that return a handle through a pointer: closes the current one first.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Traits for handles whose only invalid value is null.
template <typename T, auto CloseFunction> struct NullInvalidTraits {
    using Handle = T;
    static constexpr Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr; }
    static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

// Kernel objects: the system answers failure with null for some calls and INVALID_HANDLE_VALUE for others.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { FindClose(handle); }
};

inline void DeleteGdiObject(HGDIOBJ object) noexcept {
    DeleteObject(object);
}

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueLocalMemory = UniqueHandle<NullInvalidTraits<HLOCAL, LocalFree>>;
using UniqueRegistryKey = UniqueHandle<NullInvalidTraits<HKEY, RegCloseKey>>;
using UniqueModule = UniqueHandle<NullInvalidTraits<HMODULE, FreeLibrary>>;
using UniqueIcon = UniqueHandle<NullInvalidTraits<HICON, DestroyIcon>>;
using UniqueCursor = UniqueHandle<NullInvalidTraits<HCURSOR, DestroyCursor>>;
using UniqueBitmap = UniqueHandle<NullInvalidTraits<HBITMAP, DeleteGdiObject>>;
using UniqueFont = UniqueHandle<NullInvalidTraits<HFONT, DeleteGdiObject>>;
using UniqueBrush = UniqueHandle<NullInvalidTraits<HBRUSH, DeleteGdiObject>>;
using UniqueMenu = UniqueHandle<NullInvalidTraits<HMENU, DestroyMenu>>;
using UniqueImageList = UniqueHandle<NullInvalidTraits<HIMAGELIST, ImageList_Destroy>>;
// A memory device context from CreateCompatibleDC (not one from GetDC, which is released, not deleted).
using UniqueMemoryDC = UniqueHandle<NullInvalidTraits<HDC, DeleteDC>>;

} // namespace platform
