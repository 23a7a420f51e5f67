# Every target is hardened as Debian hardens its packages (dpkg-buildflags with hardening=+all): a
# stack overflow, a smashed stack, a hijacked return or jump, or an overwritten relocation ends the
# program rather than running someone else's code. Flags the compiler or linker lacks are left out.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

# -Werror=format-security is tried and given with the -Wformat it depends on.
foreach(flags -fstack-protector-strong -fstack-clash-protection -fcf-protection "-Wformat -Werror=format-security")
    string(MAKE_C_IDENTIFIER "ORVANEL_HAS ${flags}" known)
    check_cxx_compiler_flag("${flags}" ${known})
    if(${known})
        separate_arguments(flags UNIX_COMMAND "${flags}")
        add_compile_options(${flags})
    endif()
endforeach()

# mingw-w64 keeps the stack protector's and the checked functions' runtime in a library of its own.
if(MINGW)
    string(APPEND CMAKE_CXX_STANDARD_LIBRARIES " -lssp")
endif()

foreach(flag -Wl,-z,relro -Wl,-z,now)
    string(MAKE_C_IDENTIFIER "ORVANEL_HAS ${flag}" known)
    check_linker_flag(CXX ${flag} ${known})
    if(${known})
        add_link_options(${flag})
    endif()
endforeach()

# The checked string and memory functions work only in optimised builds; the sanitizer builds leave
# them out so that the sanitizers see every call unchecked.
if(NOT ORVANEL_SANITIZE AND NOT ORVANEL_SANITIZE_THREAD AND NOT ORVANEL_FUZZ)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
