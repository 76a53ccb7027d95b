#!/usr/bin/env bash
# Set-up for a Debian 12 machine (run as root, or with sudo available):
#   scripts/setup.sh example   install what is missing, build, run the main job on the bundled example
#   scripts/setup.sh test      install what is missing, build, run every test (normal and ASan+UBSan builds)
set -euo pipefail

mode=${1:-example}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  build-essential cmake ninja-build pkg-config git
  libzip-dev zlib1g-dev libxlsxwriter-dev
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  python3 python3-openpyxl python3-docx python3-xlsxwriter python3-xlwt python3-xlrd
  libreoffice-calc-nogui gnumeric
  libinih-dev libsimpleini-dev libexpat1-dev  # benchmark references (INI readers, expat)
  zenity xdg-utils locales
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# A locale whose decimal separator is a comma, for the tests that prove number text ignores it.
ensure_comma_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if [ -f /etc/locale.gen ]; then
      $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
      grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
      $sudo locale-gen >/dev/null || true
    fi
  fi
}

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

install_missing
case "$mode" in
  example)
    build "$root/build"
    "$root/examples/run-example.sh" "$root/build/tqtool"
    ;;
  test)
    ensure_comma_locale
    # Two builds, so that both compilers see every change: g++ with optimisation, and clang with
    # AddressSanitizer and UndefinedBehaviorSanitizer. Warnings are errors in both.
    CC=gcc CXX=g++ build "$root/build" -DTQTOOL_WERROR=ON
    (cd "$root/build" && ctest --output-on-failure --no-tests=error -j "$jobs")
    CC=clang CXX=clang++ build "$root/build-asan" -DTQTOOL_WERROR=ON -DTQTOOL_SANITIZE=ON \
      -DTQTOOL_BUILD_BENCH=OFF
    (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure --no-tests=error -j "$jobs")
    ;;
  *)
    echo "usage: $0 example|test" >&2
    exit 2
    ;;
esac
