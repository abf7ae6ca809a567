# tessaline_delay_load_libraries(<variable> <dll>...): sets <variable> to what a target links
# so that it imports these DLLs' functions on first call instead of before the program starts.
#
# MinGW: delay-load import libraries, made here with dlltool from the function names in MinGW's
# own import library of each DLL; the helper that loads them (__delayLoadHelper2, from mingwex)
# is linked into the exe. MSVC: the ordinary import libraries, /DELAYLOAD and delayimp.lib.
# Only functions can be delay-loaded: none of these DLLs' data exports may be used.
function(tessaline_delay_load_libraries variable)
    set(libraries)
    foreach(dll IN LISTS ARGN)
        if(MSVC)
            list(APPEND libraries ${dll} "-DELAYLOAD:${dll}.dll")
            continue()
        endif()
        find_library(import_library_${dll} NAMES ${dll} REQUIRED NO_CACHE)
        set(import_library ${import_library_${dll}})
        execute_process(COMMAND ${CMAKE_NM} ${import_library}
            OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
        # Each function has its "__imp_" pointer; on x86 the C name in it starts with "_".
        string(REGEX MATCHALL " I __imp_[^\n]+" pointers "${symbols}")
        set(exports)
        foreach(pointer IN LISTS pointers)
            string(REGEX REPLACE "^ I __imp_" "" name "${pointer}")
            if(CMAKE_SIZEOF_VOID_P EQUAL 4)
                string(REGEX REPLACE "^_" "" name "${name}")
            endif()
            list(APPEND exports "${name}")
        endforeach()
        list(REMOVE_DUPLICATES exports)
        list(JOIN exports "\n" exports)
        set(directory ${CMAKE_BINARY_DIR}/delayload)
        file(WRITE ${directory}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
        # -k: the names are imported without their "@n" argument-size suffix, as the DLL has them.
        execute_process(COMMAND ${CMAKE_DLLTOOL} -k --input-def ${directory}/${dll}.def
            --dllname ${dll}.dll --output-delaylib ${directory}/lib${dll}_delay.a
            COMMAND_ERROR_IS_FATAL ANY)
        list(APPEND libraries ${directory}/lib${dll}_delay.a)
    endforeach()
    if(MSVC)
        list(APPEND libraries delayimp)
    endif()
    set(${variable} ${libraries} PARENT_SCOPE)
endfunction()
