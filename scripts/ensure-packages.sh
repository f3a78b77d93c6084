#!/usr/bin/env bash
# Installs the Debian packages that are missing for the given purpose:
#   ensure-packages.sh build   native build (demo, benchmarks)
#   ensure-packages.sh test    native build, tests, Windows cross-build, wine,
#                              the fuzz targets (clang) and valgrind
#   ensure-packages.sh bench   what the benchmark adds: valgrind
set -euo pipefail

packages=(cmake ninja-build g++ make)
case "${1:-build}" in
  # wine32:i386 runs the 32-bit quillar.exe; it needs the i386 architecture.
  # libclang-rt-dev is the sanitizer runtime of the release's default clang.
  test) packages+=(libgtest-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 clang
                   libclang-rt-dev valgrind libxml2-utils procps) ;;
  bench) packages=(valgrind) ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing Debian packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root, or install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi
# Two make targets may run this at once; apt allows one installer.
exec 9>/tmp/quillar-ensure-packages.lock
flock 9
export DEBIAN_FRONTEND=noninteractive
case " ${missing[*]} " in
  *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
