# Installs the Debian packages the build needs, when they are missing.
# Sourced by build.sh and test.sh; run as root on Debian 12. Run on its own
# (bash scripts/deps.sh), it also installs what the browser tests need.
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

# The browser tests read pages in Debian's Chromium, check them with the W3C
# validator (Java) and drive both from Node.js with the npm packages pinned
# in tests/browser, installed into its node_modules (package scripts do not
# run: vnu-jar's would fetch a Java of its own).
torvex_install_browser_deps() {
    local extra=(chromium)
    command -v java >/dev/null || extra+=(default-jre-headless)
    command -v node >/dev/null && command -v npm >/dev/null || extra+=(nodejs npm)
    torvex_install_deps "${extra[@]}"
    local dir=tests/browser
    cmp -s "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json" && return 0
    echo "Installing the npm packages of $dir"
    (cd "$dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) &&
        cp "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    cd "$(dirname "$0")/.."
    torvex_install_deps
    torvex_install_browser_deps
fi
