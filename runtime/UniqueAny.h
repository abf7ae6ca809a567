#pragma once
// Move-only owner of one platform handle, after wil's unique_any: a double free must not compile.
// Never wrap shared handles (LoadIcon, LR_SHARED): they must not be destroyed.

#include <utility>
#include <windows.h>

template <typename Traits> class UniqueAny
{
  public:
    using Type = typename Traits::Type;

    UniqueAny() noexcept : m_value(Traits::Invalid()) {}
    explicit UniqueAny(Type value) noexcept : m_value(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : m_value(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    Type get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::Invalid(); }

    void reset(Type value = Traits::Invalid()) noexcept
    {
        if (m_value != Traits::Invalid())
            Traits::Close(m_value);
        m_value = value;
    }

    Type release() noexcept
    {
        Type value = m_value;
        m_value = Traits::Invalid();
        return value;
    }

  private:
    Type m_value;
};

namespace handle_traits
{
template <typename T, auto CloseFn> struct NullInvalid
{
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { CloseFn(value); }
};

struct File
{
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type value) noexcept { ::CloseHandle(value); }
};

struct CoTaskMem
{
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { ::CoTaskMemFree(value); }
};

template <typename Interface> struct Com
{
    using Type = Interface*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { value->Release(); }
};
} // namespace handle_traits

using UniqueHandle = UniqueAny<handle_traits::NullInvalid<HANDLE, &::CloseHandle>>;
using UniqueFile = UniqueAny<handle_traits::File>;
using UniqueHicon = UniqueAny<handle_traits::NullInvalid<HICON, &::DestroyIcon>>;
using UniqueHcursor = UniqueAny<handle_traits::NullInvalid<HCURSOR, &::DestroyCursor>>;
using UniqueHfont = UniqueAny<handle_traits::NullInvalid<HFONT, &::DeleteObject>>;
using UniqueHbitmap = UniqueAny<handle_traits::NullInvalid<HBITMAP, &::DeleteObject>>;
using UniqueHbrush = UniqueAny<handle_traits::NullInvalid<HBRUSH, &::DeleteObject>>;
using UniqueHdc = UniqueAny<handle_traits::NullInvalid<HDC, &::DeleteDC>>;
using UniqueHglobal = UniqueAny<handle_traits::NullInvalid<HGLOBAL, &::GlobalFree>>;
using UniqueCoTaskMem = UniqueAny<handle_traits::CoTaskMem>;
using UniqueHkey = UniqueAny<handle_traits::NullInvalid<HKEY, &::RegCloseKey>>;
template <typename Interface> using UniqueCom = UniqueAny<handle_traits::Com<Interface>>;
