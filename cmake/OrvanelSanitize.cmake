# ORVANEL_SANITIZE builds every target with AddressSanitizer and UndefinedBehaviorSanitizer, so the
# tests catch memory errors, leaks and undefined behaviour (scripts/sanitize). Undefined behaviour
# ends the process like a memory error does, so no test can pass over it.
option(ORVANEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ORVANEL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    # Linked in statically, the undefined-behaviour runtime writes its reports where UBSAN_OPTIONS'
    # log_path says, as the address one does; shared, it writes them to standard error only.
    add_link_options(-fsanitize=address,undefined -static-libasan -static-libubsan)
endif()
