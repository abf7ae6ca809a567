// Pieces of MinGW's start-up code that the program defines itself, so that the linker takes
// these and leaves out the library's, with what they bring along (about 5 KB of the exe). The
// start-up itself (crt2u.o: arguments, C runtime, constructors, exit) stays MinGW's. Linked as
// objects ahead of the libraries, like StandardLibraryHooks.cpp.

#include <windows.h>

#include <bits/c++config.h>

extern "C"
{
    // The start-up applies the "pseudo-relocations" that GNU ld writes where code reads a DLL's
    // data without declaring it imported; with its helpers and messages, some 3 KB. The program
    // reads no DLL's data that way, and is linked with --disable-auto-import, so that ld refuses
    // such a read rather than write a pseudo-relocation that nothing would apply.
    void _pei386_runtime_relocator() {}

    // A report of math errors on the standard error stream, which start-up installs only when a
    // program asks for it at build time (_MINGW_INSTALL_DEBUG_MATHERR); this one never does.
    // MinGW's own registration of a report stays: the math functions that a test may call reach
    // it too.
    int _matherr(struct _exception*)
    {
        return 0;
    }

    // Start-up makes this the process's last-chance exception filter. MinGW's hands a crash to the
    // C runtime's signal() handlers before the filter that was there before; the program sets none,
    // so the filter before is all that is left to ask.
    LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = nullptr;
    LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS* exception)
    {
        return __mingw_oldexcpt_handler != nullptr ? __mingw_oldexcpt_handler(exception)
                                                   : EXCEPTION_CONTINUE_SEARCH;
    }
}

// Start-up names these only so that the TLS directory and its callback are linked: they run the
// destructors of emulated thread-locals at a thread's end. In the win32 thread model nothing
// else uses them, and the program has no thread-locals (StandardLibraryHooks.cpp keeps the C++
// runtime's own in a Windows TLS slot): without them the exe has no TLS directory and no .tls
// section. The posix model's threads library needs the callback: there they stay.
#if !defined(_GLIBCXX_HAS_GTHREADS)
extern "C"
{
    int __mingw_initltsdrot_force = 0;
    int __mingw_initltsdyn_force = 0;
    int __mingw_initltssuo_force = 0;
    // Start-up calls it for the main thread when it is set.
    extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;
    const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
}
#endif
