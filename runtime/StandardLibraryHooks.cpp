// Functions of GCC's C++ library that the program defines itself, so that the library's own
// definitions, and what they bring along, stay out of the statically linked exe. Linked as
// objects ahead of the library, these are the ones the linker finds.

#include "runtime/Error.h"

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

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
