# Sourced from the checkout's top folder. The compiler cache is shared by every checkout on
# this machine: paths below the checkout are keyed relative to it and the working folder is
# left out of the keys, so a clone in a new folder compiles from the cache.
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tavik-ccache}
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=true
