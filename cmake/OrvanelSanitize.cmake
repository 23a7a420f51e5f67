# ORVANEL_SANITIZE builds every target with AddressSanitizer and UndefinedBehaviorSanitizer, so the
# tests catch memory errors, leaks and undefined behaviour (scripts/sanitize). Undefined behaviour
# ends the process like a memory error does, so no test can pass over it.
option(ORVANEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# ORVANEL_SANITIZE_THREAD builds every target with ThreadSanitizer instead, so the tests catch data
# races between the window's thread and the threads passings and keys go through
# (scripts/sanitize-thread). It cannot be combined with the address sanitizer.
option(ORVANEL_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(ORVANEL_SANITIZE AND ORVANEL_SANITIZE_THREAD)
    message(FATAL_ERROR "ORVANEL_SANITIZE and ORVANEL_SANITIZE_THREAD exclude each other: use two build folders")
endif()
if(ORVANEL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    # Linked in statically, the undefined-behaviour runtime writes its reports where UBSAN_OPTIONS'
    # log_path says, as the address one does; shared, it writes them to standard error only.
    add_link_options(-fsanitize=address,undefined -static-libasan -static-libubsan)
endif()
if(ORVANEL_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
