# Sourced by the scripts that run sanitized programs (tools/test-all.sh's exploration stage,
# tools/explore.sh, tools/test-sanitize-all.sh) with the build folder as $1: the same options
# for every run, and the libraries kept loaded until the leak check. The GL driver is unloaded
# at eglTerminate and glfwTerminate; a block it keeps then comes from an unknown module, which
# no suppression can name, and fails the run as a leak of ours
# (tools/lsan-keep-modules.c).
sanitizer_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:verify_asan_link_order=0}
export LSAN_OPTIONS="suppressions=$sanitizer_root/tools/lsan-system.supp:print_suppressions=0"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$1"
cc -shared -fPIC -O2 -o "$1/lsan-keep-modules.so" "$sanitizer_root/tools/lsan-keep-modules.c"
export LD_PRELOAD="$(cd "$1" && pwd)/lsan-keep-modules.so"
