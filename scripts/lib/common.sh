# Shared by scripts/run, scripts/test, scripts/package and .ci/run: the Debian packages the
# project needs, the way they are installed, and how a build step is run.

# To configure and build.
BUILD_PACKAGES=(cmake ninja-build g++ libgtest-dev libbenchmark-dev libcli11-dev
    libgif-dev libvips-dev libjpeg-dev liblcms2-dev libimagequant-dev libseccomp-dev qt6-base-dev
    qt6-translations-l10n
    fonts-ipafont-gothic)
# The independent decoders the interoperability tests compare against.
# The window tests run the real program under Xvfb, drive its pointer and keys, send it a window
# manager's close requests (python3-xlib) and read its window back. The picture import's
# benchmark smoke test measures with numpy and GNU time.
# The desktop entry and the AppStream data are validated by their own tools. The disk image
# tests make images with sfdisk (fdisk) and mkfs.fat (dosfstools), use them through mtools and
# check them with fsck.fat.
TEST_PACKAGES=(python3-pil python3-numpy python3-xlib imagemagick time xvfb xauth x11-utils
    xdotool appstream desktop-file-utils mtools dosfstools fdisk)

# To build the Debian package: dpkg-shlibdeps works out its library dependencies, help2man
# writes the manual pages from the programs' --help, man-db reads them back and lintian checks
# the package against Debian's policy. appstreamcli and desktop-file-validate check the
# software centres' metainfo and the menu entry, here and in the tests.
PACKAGE_PACKAGES=(dpkg-dev file desktop-file-utils help2man gzip man-db lintian appstream
    imagemagick)

# Installs whichever of the named packages are missing: as root directly, else through sudo.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing Debian packages: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Runs a command with its output held back, so a good build stays quiet; when it fails, prints
# what it said to stderr and fails too.
quietly() {
    local log
    if ! log=$("$@" 2>&1); then
        echo "$log" >&2
        return 1
    fi
}

# Configures a build folder with Ninja, starting it afresh if another generator made it.
configure() {
    local folder=$1
    shift
    if [ -f "$folder/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$folder/CMakeCache.txt"; then
        rm -rf "$folder/CMakeCache.txt" "$folder/CMakeFiles"
    fi
    cmake -S . -B "$folder" -G Ninja "$@"
}
