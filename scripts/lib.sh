# Shared by scripts/run and scripts/test: installs what a fresh Debian 12 machine lacks and builds.
# Sourced, not run.

QBX_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev libsqlite3-dev locales pkg-config libusb-1.0-0 python3 ccache
  libmuparser-dev
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core xvfb xauth poppler-utils)

# Installs the Debian packages that are missing and the de_DE.UTF-8 locale the locale tests use.
qbx_install_deps() {
  local missing=()
  for p in "${QBX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null || true
  fi
}

# qbx_build <dir> [cmake options...]: configures (once) and builds with Ninja.
qbx_build() {
  local dir=$1
  shift
  # ccache keeps object files between the plain, sanitizer and fuzz builds and between checkouts of the
  # same tree (paths are taken relative to the checkout's parent folder).
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
