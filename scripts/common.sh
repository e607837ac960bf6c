# Shared by scripts/run and scripts/test: the Debian packages the program needs and
# the build. Sourced, not run.

ORBELON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

ORBELON_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n
  libsqlite3-dev sqlite3 libxlsxwriter-dev zlib1g-dev
  fonts-dejavu-core fonts-liberation2 unzip
  poppler-utils
)

# What the checking builds need besides: clang with its runtime libraries (libFuzzer and
# the sanitizers) and llvm-symbolizer for readable stacks. The gcc sanitizer libraries come
# with g++.
ORBELON_CHECK_PACKAGES=(clang-14 libclang-rt-14-dev llvm-14)

# orbelon_install_packages [PACKAGE...]: installs whatever of the named packages (by
# default ORBELON_PACKAGES) is missing (needs root, as on a fresh machine).
orbelon_install_packages() {
  local wanted=("$@")
  [ ${#wanted[@]} -eq 0 ] && wanted=("${ORBELON_PACKAGES[@]}")
  local missing=()
  local pkg
  for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Устанавливаются пакеты: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "Нужны права root для установки пакетов: ${missing[*]}" >&2
      return 1
    fi
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# orbelon_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]
orbelon_build() {
  local dir=$1 type=$2
  shift 2
  cmake -S "$ORBELON_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
  cmake --build "$dir" --parallel "$(nproc)"
}
