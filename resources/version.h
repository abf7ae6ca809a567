#pragma once
/* The one source of the program's version: the version record in the .rc file, the last
   line of every desktop.ini and the About window all take it from here. Plain C so that
   the resource compiler can read it. */
#define TESSALINE_VERSION_MAJOR 1
#define TESSALINE_VERSION_MINOR 2
#define TESSALINE_VERSION_BUILD 0
#define TESSALINE_VERSION_REVISION 14

#define TESSALINE_STR2(x) #x
#define TESSALINE_STR(x) TESSALINE_STR2(x)
#define TESSALINE_VERSION_RECORD_TEXT                                                              \
    TESSALINE_STR(TESSALINE_VERSION_MAJOR)                                                         \
    "." TESSALINE_STR(TESSALINE_VERSION_MINOR) "." TESSALINE_STR(                                  \
        TESSALINE_VERSION_BUILD) "." TESSALINE_STR(TESSALINE_VERSION_REVISION)
