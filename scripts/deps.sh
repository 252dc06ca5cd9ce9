# Installs the Debian packages the build needs, when they are missing.
# Sourced by build.sh and test.sh; run as root on Debian 12.
torvex_packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev
                 desktop-file-utils groff-base man-db dpkg-dev parallel)

torvex_install_deps() {
    local missing=()
    local p
    for p in "${torvex_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq
    $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
}
