#pragma once

// One small owner per kind of Windows handle, so no repair closes anything by
// hand and every path out of a function releases what it opened.

#include <windows.h>

#include <oleauto.h>

#include <utility>

#include "services/system_library_win.h"

namespace vx {

template <typename Handle, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::invalid()));
        return *this;
    }

    Handle get() const { return handle_; }
    Handle* put() {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) {
        if (handle_ != Traits::invalid()) Traits::close(handle_);
        handle_ = handle;
    }
    explicit operator bool() const { return handle_ != Traits::invalid(); }

private:
    Handle handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct IconTraits {
    static HICON invalid() { return nullptr; }
    static void close(HICON h) { DestroyIcon(h); }
};
struct LibraryTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;
using UniqueHKey = UniqueResource<HKEY, RegKeyTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;
using UniqueIcon = UniqueResource<HICON, IconTraits>;
using UniqueLibrary = UniqueResource<HMODULE, LibraryTraits>;

// A COM interface pointer that releases its reference.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
public:
    Variant() = default;
    ~Variant() { variant_clear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* put() {
        variant_clear(&v_);
        return &v_;
    }
    VARIANT& get() { return v_; }

private:
    VARIANT v_{}; // VT_EMPTY
};

// A BSTR that is freed when it goes.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : s_(sys_alloc_string(text)) {}
    ~Bstr() { sys_free_string(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }

private:
    BSTR s_;
};

} // namespace vx
