# Shared by scripts/test and scripts/demo: the Debian packages the project
# needs, and the configure-and-build step.

QUORVIA_PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsqlite3-dev sqlite3 libxml2-dev libcpp-httplib-dev
  libpcre2-dev
)

quorvia_install_packages() {
  local missing=()
  for p in "${QUORVIA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "== installing Debian packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# quorvia_build <build-dir> [cmake options...]
quorvia_build() {
  local dir="$1"; shift
  echo "== configuring $dir"
  cmake -S . -B "$dir" -G Ninja -DQUORVIA_WERROR=ON "$@"
  echo "== building $dir"
  cmake --build "$dir" -j2
}
