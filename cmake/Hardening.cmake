# The distribution's hardening flags (those dpkg-buildflags gives with hardening=+all) for
# every build without sanitizers or fuzzing, whose own run-time checks take their place:
# fortified C library calls, stack protection, full RELRO with immediate binding.
option(QUILLAN_HARDEN "Build with the distribution's hardening flags" ON)
if(QUILLAN_HARDEN AND NOT QUILLAN_SANITIZE AND NOT QUILLAN_FUZZ)
    add_compile_options(-fstack-protector-strong -fstack-clash-protection -fcf-protection
                        -Wformat -Werror=format-security)
    # Fortified calls need an optimised build.
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
