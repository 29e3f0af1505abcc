# SHA-256 through libcrypto (Debian: libssl-dev), which uses the processor's SHA instructions.
# Windows builds compute it in portable C++ instead (core/file/Sha256Portable.cpp): Debian's
# MinGW-w64 cross-compiler has no libcrypto, and an installer would have to carry its DLL.
if(WIN32)
  message(STATUS "SHA-256: the portable implementation (no libcrypto on Windows builds)")
else()
  find_package(OpenSSL COMPONENTS Crypto)
  if(NOT OpenSSL_Crypto_FOUND)
    message(FATAL_ERROR "libcrypto (OpenSSL) was not found. Install the Debian package "
                        "libssl-dev (scripts/deps.sh does).")
  endif()
endif()

# meterlog2_link_sha256(TARGET): TARGET compiles core/file/Sha256*.cpp; it gets what they need.
function(meterlog2_link_sha256 target)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE METERLOG2_SHA256_PORTABLE)
  else()
    target_link_libraries(${target} PUBLIC OpenSSL::Crypto)
  endif()
endfunction()
