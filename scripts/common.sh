# Shared settings for the setup, run and test scripts; sourced, not run.

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Downloads and compiler caches live outside the repository so that fresh
# clones on the same machine reuse them.
CACHE_ROOT=${RAVELWICK_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ravelwick-looper}
JUCE8_ROOT=$CACHE_ROOT/juce8
JUCE8_MODULES=$JUCE8_ROOT/modules
export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}
# Build folders differ between clones; hash relative paths so they share hits.
export CCACHE_BASEDIR=$REPO_ROOT
export CCACHE_NOHASHDIR=true

JOBS=$(nproc)

# configure_build_folder FOLDER BUILD_TYPE JUCE_MAJOR [extra cmake arguments...]
configure_build_folder()
{
    local folder=$1 build_type=$2 juce_major=$3
    shift 3
    cmake -S "$REPO_ROOT" -B "$REPO_ROOT/build/$folder" -G Ninja \
        -DCMAKE_BUILD_TYPE="$build_type" \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache \
        -DRAVELWICK_JUCE_MAJOR="$juce_major" \
        -DRAVELWICK_JUCE8_MODULES="$JUCE8_MODULES" \
        "$@"
}

# configure_and_build FOLDER BUILD_TYPE JUCE_MAJOR [extra cmake arguments...]
configure_and_build()
{
    configure_build_folder "$@"
    cmake --build "$REPO_ROOT/build/$1" --parallel "$JOBS"
}
