# Shared by the scripts in this folder; sourced, not run.
# shellcheck shell=bash

UNINST_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Build folders. The defaults are what README and CI use; a developer who
# shares the tree with other builds can point these elsewhere.
UNINST_BUILD_DIR=${UNINST_BUILD_DIR:-$UNINST_ROOT/build}
UNINST_ASAN_BUILD_DIR=${UNINST_ASAN_BUILD_DIR:-$UNINST_ROOT/build-asan}

# Parallel jobs for compiling and for ctest.
UNINST_JOBS=${UNINST_JOBS:-$(nproc 2>/dev/null || echo 2)}

# The Windows cross compiler: the -posix variant, whose libstdc++ has std::thread.
UNINST_MINGW_CXX=${UNINST_MINGW_CXX:-i686-w64-mingw32-g++-posix}

uninst_say() { printf '%s\n' "$*"; }
uninst_die() {
  printf '%s: %s\n' "$(basename "$0")" "$*" >&2
  exit 1
}

# Configures a build folder. The options live here only, so that every script
# that uses build/ configures it the same way and none rebuilds it for another.
#   uninst_configure DIR KIND   KIND: main | asan | tsan
uninst_configure() {
  local dir=$1 kind=$2
  # GCC 12 reports these from inside libstdc++ once the optimiser inlines it,
  # where nothing is wrong (std::string assignments, for one); they stay
  # visible as warnings but do not fail the build.
  local noisy="-Wno-error=restrict -Wno-error=array-bounds -Wno-error=stringop-overflow"
  noisy+=" -Wno-error=stringop-overread -Wno-error=maybe-uninitialized"
  local -a options=(-G Ninja -DUNINST_WERROR=ON "-DCMAKE_CXX_FLAGS=$noisy")
  case $kind in
    # -O1, not -O2: on two cores a TU at -O2 takes about twice as long, and
    # the sanitizer build stays at -O0 for the same reason (instrumented
    # optimised code is the slowest of all to compile).
    main) options+=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG"
                    -DUNINST_SANITIZE=OFF -DUNINST_BENCH=ON) ;;
    asan) options+=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O0"
                    -DUNINST_SANITIZE=ON -DUNINST_BENCH=OFF) ;;
    tsan) options+=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1"
                    -DUNINST_SANITIZE=OFF -DUNINST_TSAN=ON -DUNINST_BENCH=OFF) ;;
    *) uninst_die "unknown build kind $kind" ;;
  esac
  # A folder configured with another generator cannot be reused.
  if [[ -f $dir/CMakeCache.txt ]] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    uninst_say "$dir was configured with another generator; starting it afresh"
    rm -rf "$dir"
  fi
  mkdir -p "$dir"
  cmake -S "$UNINST_ROOT" -B "$dir" "${options[@]}" >"$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log" >&2
    return 1
  }
}

uninst_build() {
  local dir=$1
  shift
  cmake --build "$dir" -j "$UNINST_JOBS" "$@"
}
