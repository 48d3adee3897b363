#!/usr/bin/env bash
# Installs the Debian packages that a purpose needs, and nothing when they
# are all there already:
#
#   scripts/setup.sh              the build and the whole test suite
#   scripts/setup.sh hardening    also the sanitizer and fuzzer build (clang)
#   scripts/setup.sh bench        also the bench (/usr/bin/time)
#
# Runs apt-get through sudo unless it is root.
set -euo pipefail

# The converter with every dump format: gzip, zstd and lz4 archives.
packages=(cmake make g++ zlib1g-dev libzstd-dev liblz4-dev)
# The tests and micro-benchmarks, and the house style's formatter.
packages+=(libgtest-dev libbenchmark-dev clang-format)
# The facts are loaded in SWI-Prolog and GNU Prolog; those tests skip without.
packages+=(swi-prolog-nox gprolog)
# The round trip builds its databases on a throwaway server, and compresses
# plain dumps with the zstd and lz4 programs; it skips without them.
packages+=(postgresql zstd lz4)
for purpose in "$@"; do
  case $purpose in
    hardening) packages+=(clang libclang-rt-14-dev llvm) ;;
    bench) packages+=(time) ;;
    *) echo "${0##*/}: unknown purpose '$purpose' (hardening, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0
sudo=()
((EUID == 0)) || sudo=(sudo)
echo "${0##*/}: installing ${missing[*]}" >&2
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
