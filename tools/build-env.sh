# Sourced by the build scripts (test.sh, tsan.sh, run.sh, .ci/run): puts the
# compiler cache in front of every compile, when ccache is installed.
#
# The cache lives in one folder outside the checkout, so a fresh clone in
# another folder (as CI makes, minutes after the working tree was built)
# finds the objects compiled there: base_dir is the checkout's top folder,
# which makes every path under it relative to the build folder, and the
# build folder's own path is left out of the hash. Without ccache the build
# runs as before; the cache only makes it faster.
#
# Sets VORLAIN_CMAKE_LAUNCHER to the cmake options that name the launcher
# (empty without ccache).

vorlain_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
VORLAIN_CMAKE_LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
  if [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR=/var/cache/vorlain-ccache
    if ! mkdir -p "$CCACHE_DIR" 2>/dev/null || [ ! -w "$CCACHE_DIR" ]; then
      CCACHE_DIR=${XDG_CACHE_HOME:-$HOME/.cache}/vorlain-ccache
      mkdir -p "$CCACHE_DIR"
    fi
  fi
  export CCACHE_DIR
  export CCACHE_BASEDIR=$vorlain_top
  export CCACHE_NOHASHDIR=1
  # Three builds (plain, ASan+UBSan, TSan) of the whole tree fit with room.
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
  VORLAIN_CMAKE_LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
