#!/usr/bin/env bash
# Finds out whether this machine's kernel executes 32-bit x86 programs, by
# executing one, and records the answer in FILE for the build and the tests:
#   yes                 it does
#   no: REASON          it does not, or QUILLAR_ASSUME_NO_32BIT=1 says to act
#                       as if it did not; a second line may give the details
# Usage: probe-32bit.sh FILE
#
# Some kernels cannot (container and sandbox kernels, WSL1, kernels built
# without IA32 emulation); there 32-bit wine cannot start at all. The program
# run here is a complete 96-byte i386 executable that needs no library and
# exits with 42, so the answer depends on the kernel alone, not on packages.
set -euo pipefail
answer_file=$1
mkdir -p "$(dirname "$answer_file")"

if [ "${QUILLAR_ASSUME_NO_32BIT:-}" = 1 ]; then
  echo "no: QUILLAR_ASSUME_NO_32BIT=1 is set" >"$answer_file"
  exit 0
fi

probe=$(mktemp "${TMPDIR:-/tmp}/quillar-probe32.XXXXXX")
trap 'rm -f "$probe"' EXIT
{
  # ELF header: 32-bit, little-endian, version 1, System V
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  # executable, i386, version 1
  printf '\x02\x00\x03\x00\x01\x00\x00\x00'
  # entry 0x08048054, program headers at 52, no section headers, no flags
  printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  # header size 52, one program header of 32 bytes, no sections
  printf '\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  # one loadable segment, readable and executable: the whole file (96 bytes)
  # at 0x08048000
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov ebx, 42; mov eax, 1 (exit); int 0x80
  printf '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
} >"$probe"
chmod +x "$probe"

set +e
output=$("$probe" 2>&1)
status=$?
set -e
if [ "$status" -eq 42 ]; then
  echo "yes" >"$answer_file"
else
  printf 'no: this kernel cannot execute 32-bit programs\n%s\n' \
    "a 32-bit test program ended with exit code $status: ${output##*: }" >"$answer_file"
fi
