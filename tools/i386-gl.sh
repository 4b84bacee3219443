# Sourced before the i386 build runs under qemu-i386: Mesa's llvmpipe, kept to SSE4.1 code.
# The AVX code llvmpipe generates for linear texture filtering crashes under the emulator;
# with SSE4.1 it draws as in the x86-64 build, and many times faster than softpipe there.
export GALLIUM_DRIVER=llvmpipe
export GALLIUM_OVERRIDE_CPU_CAPS=sse4.1
