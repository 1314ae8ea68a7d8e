#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, and fetches the
# JUCE 8 module sources into a cache folder outside the repository.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages=(
    build-essential cmake ninja-build ccache pkg-config
    clang libclang-rt-14-dev
    juce-modules-source fonts-inter
    libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev zlib1g-dev
    libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxtst-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth valgrind
    zam-plugins qtractor
)

as_root()
{
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# JUCE 8 is only packaged for Debian 13. Its module sources are architecture
# independent, so the package is downloaded by name from the trixie suite with
# a private apt configuration (the system's sources stay untouched) and unpacked.
if [ ! -f "$JUCE8_MODULES/juce_core/juce_core.h" ]; then
    echo "setup: fetching the JUCE 8 module sources into $JUCE8_ROOT"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/etc/preferences.d"
    # Use the same archive the system installs from; apt knows it only once
    # its package lists have been downloaded.
    . /etc/os-release
    system_archive()
    {
        apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | awk -v suite="$VERSION_CODENAME" '$2 == suite { print $1; exit }'
    }
    archive=$(system_archive)
    if [ -z "$archive" ]; then
        as_root apt-get update -qq
        archive=$(system_archive)
    fi
    if [ -z "$archive" ]; then
        echo "setup: no apt source for $VERSION_CODENAME to take the Debian archive from (run apt-get update)" >&2
        exit 1
    fi
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive trixie main" > "$work/etc/sources.list"
    apt_options=(
        -o "Dir::Etc::SourceList=$work/etc/sources.list"
        -o "Dir::Etc::SourceParts=-"
        -o "Dir::Etc::Preferences=$work/etc/preferences"
        -o "Dir::Etc::PreferencesParts=$work/etc/preferences.d"
        -o "Dir::State::Lists=$work/lists"
        -o "Dir::Cache=$work/cache"
        -o "APT::Sandbox::User=$(id -un)"
        -qq
    )
    apt-get "${apt_options[@]}" update
    (cd "$work" && apt-get "${apt_options[@]}" download juce-modules-source-data)
    package_file=$(echo "$work"/juce-modules-source-data_*.deb)
    version=$(dpkg-deb -f "$package_file" Version)
    case "$version" in
        8.*) ;;
        *) echo "setup: expected JUCE 8 in Debian 13, found $version" >&2; exit 1 ;;
    esac
    rm -rf "$JUCE8_ROOT"
    mkdir -p "$JUCE8_ROOT"
    dpkg-deb -x "$package_file" "$work/unpacked"
    echo "$version" > "$JUCE8_ROOT/version"
    mv "$work/unpacked/usr/share/juce/modules" "$JUCE8_MODULES"
    if [ ! -f "$JUCE8_MODULES/juce_core/juce_core.h" ]; then
        echo "setup: the JUCE 8 package did not contain the expected modules" >&2
        exit 1
    fi
fi
