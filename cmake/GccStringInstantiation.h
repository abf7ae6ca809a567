// Forced into every C++ file of the optimised GCC builds (-include; see CMakeLists.txt).
//
// GCC's library declares std::string and std::wstring "extern template", so that each program
// file calls the library's own compiled members. Linked statically, that brings the two object
// files holding those members whole, some 68 KB: their unwind tables keep every member alive,
// used or not. -1 is the library's setting for "no extern templates for basic_string" (see
// bits/c++config.h); each file then instantiates only the members it uses, as C++20 code does.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
