// Functions of GCC's C++ library that the program defines itself, so that the library's own
// definitions, and what they bring along, stay out of the statically linked exe. Linked as
// objects ahead of the library, these are the ones the linker finds.

#include "runtime/Error.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>
#include <unwind.h>

// Reached when an exception leaves a noexcept function. The library's default prints the
// exception's demangled type on the standard error stream, which a GUI program has none of,
// and brings the name demangler and the C library's formatted output with it (some 60 KB).
// This one ends the program the same way, without the message.
void __gnu_cxx::__verbose_terminate_handler()
{
    std::abort();
}

// The strings and containers report a broken precondition (a length past max_size(), a position
// out of range, a string made from a null pointer) through these. The library's definitions of
// all fifteen share one object file whose exception classes carry their message in the library's
// older reference-counted string, some 55 KB with what it pulls in. These throw what the
// untrapped-error boundary made of those exceptions anyway: error 51 with the library's text.
// Allocation failures keep their standard types. All fifteen are here: the library's file would
// otherwise be linked for a missing one and clash with the rest.
namespace
{
[[noreturn]] void ThrowInternal(const char* what)
{
    throw Error::Internal(what);
}
} // namespace

namespace std
{
void __throw_logic_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_domain_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_invalid_argument(const char* what)
{
    ThrowInternal(what);
}
void __throw_length_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_out_of_range(const char* what)
{
    ThrowInternal(what);
}
// The library formats the position and the size into the text; the kind of failure is enough.
void __throw_out_of_range_fmt(const char*, ...)
{
    ThrowInternal("position out of range");
}
void __throw_runtime_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_range_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_overflow_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_underflow_error(const char* what)
{
    ThrowInternal(what);
}
void __throw_bad_alloc()
{
    throw bad_alloc();
}
void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}
void __throw_bad_cast()
{
    throw bad_cast();
}
void __throw_bad_typeid()
{
    throw bad_typeid();
}
void __throw_bad_exception()
{
    throw bad_exception();
}
} // namespace std

// Where a thrown object lives, and each thread's record of the exceptions it has caught. The
// library's versions keep an emergency pool for when memory runs out, set up at start with its
// own locks, and reach the per-thread record through the emulated thread-local storage: some
// 5 KB with the thread and lock pieces that only they need. These allocate from the heap, keep
// one thrown object's room aside for when the heap is out (a bad_alloc still reaches the error
// boundary), and keep the per-thread record in a Windows TLS slot.
namespace
{
// The library's header before each thrown object (__cxa_refcounted_exception in the C++ ABI as
// GCC lays it out for x86): the allocation must make room for exactly this much.
struct ThrownHeader
{
    int referenceCount;
    struct
    {
        std::type_info* exceptionType;
        void (*exceptionDestructor)(void*);
        std::terminate_handler unexpectedHandler;
        std::terminate_handler terminateHandler;
        void* nextException;
        int handlerCount;
        int handlerSwitchValue;
        const unsigned char* actionRecord;
        const unsigned char* languageSpecificData;
        _Unwind_Ptr catchTemp;
        void* adjustedPtr;
        _Unwind_Exception unwindHeader;
    } exception;
};
// The sizes the library adds (its __cxa_allocate_exception, read from libstdc++.a).
static_assert(sizeof(ThrownHeader) == (sizeof(void*) == 4 ? 0x60 : 0xa0));
constexpr std::size_t kHeader = sizeof(ThrownHeader);

// __cxa_eh_globals of the ABI.
struct CaughtExceptions
{
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

alignas(16) char g_spareRoom[kHeader + 64];
LONG g_spareRoomTaken = 0;
DWORD g_caughtSlot = TLS_OUT_OF_INDEXES;
} // namespace

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept
{
    char* room = static_cast<char*>(std::malloc(kHeader + size));
    if (room == nullptr)
    {
        if (size > sizeof(g_spareRoom) - kHeader || InterlockedExchange(&g_spareRoomTaken, 1) != 0)
            std::terminate();
        room = g_spareRoom;
    }
    std::memset(room, 0, kHeader);
    return room + kHeader;
}

extern "C" void __cxa_free_exception(void* object) noexcept
{
    char* room = static_cast<char*>(object) - kHeader;
    if (room == g_spareRoom)
        InterlockedExchange(&g_spareRoomTaken, 0);
    else
        std::free(room);
}

extern "C" CaughtExceptions* __cxa_get_globals() noexcept
{
    DWORD slot = g_caughtSlot;
    if (slot == TLS_OUT_OF_INDEXES)
    {
        // The first thread to get here makes the slot; one that lost the race gives its own back.
        const DWORD made = TlsAlloc();
        if (made == TLS_OUT_OF_INDEXES)
            std::abort();
        slot = static_cast<DWORD>(
            InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&g_caughtSlot),
                                       static_cast<LONG>(made), static_cast<LONG>(slot)));
        if (slot == TLS_OUT_OF_INDEXES)
            slot = made;
        else
            TlsFree(made);
    }
    auto* caught = static_cast<CaughtExceptions*>(TlsGetValue(slot));
    if (caught == nullptr)
    {
        caught = static_cast<CaughtExceptions*>(std::calloc(1, sizeof(CaughtExceptions)));
        if (caught == nullptr || !TlsSetValue(slot, caught))
            std::abort();
    }
    return caught;
}

extern "C" CaughtExceptions* __cxa_get_globals_fast() noexcept
{
    return __cxa_get_globals();
}
