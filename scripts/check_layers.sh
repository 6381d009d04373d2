#!/usr/bin/env bash
# Checks the one-way library chain on a build: every korim symbol a library uses is defined in
# the library itself or in one below it, and no source includes a header of a library above it.
# Usage: scripts/check_layers.sh [build-dir]   (default build/test); exit status 1 on a violation.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}

# The libraries each library may use (everything below it in the chain).
declare -A below=(
  [foundation]=""
  [settings]="foundation"
  [structure]="foundation"
  [couplings]="settings structure foundation"
  [simulation]="couplings settings structure foundation"
  [charges]="simulation couplings settings structure foundation"
  [fitting]="simulation couplings settings structure foundation"
  [assignment]="simulation couplings settings structure foundation"
  [restraints]="couplings settings structure spectral foundation"
  [spectral]="foundation"
  [interp]="foundation"
  [app]="charges fitting assignment restraints spectral interp simulation couplings settings
         structure foundation"
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
for lib in "${!below[@]}"; do
  a=$build/libkorim_$lib.a
  if [ ! -f "$a" ]; then
    [ -d "$lib" ] && { echo "check_layers: $a missing (build first)" >&2; exit 2; }
    : >"$tmp/def_$lib"; : >"$tmp/undef_$lib"; continue
  fi
  nm --defined-only "$a" 2>/dev/null | awk 'NF == 3 && $2 ~ /[TDBRVWu]/ {print $3}' | sort -u \
    >"$tmp/def_$lib"
  nm --undefined-only "$a" 2>/dev/null | awk 'NF >= 2 {print $NF}' | sort -u >"$tmp/undef_$lib"
done
for lib in "${!below[@]}"; do
  sort -u "$tmp/def_$lib" $(for b in ${below[$lib]}; do echo "$tmp/def_$b"; done) >"$tmp/reach"
  # Used here, defined in none of the reachable libraries, but defined in some other korim library.
  comm -23 "$tmp/undef_$lib" "$tmp/reach" >"$tmp/missing"
  for other in "${!below[@]}"; do
    [ "$other" = "$lib" ] && continue
    comm -12 "$tmp/missing" "$tmp/def_$other" | while read -r sym; do
      echo "korim_$lib uses $(c++filt "$sym") from korim_$other (above it)"
    done
  done
done >"$tmp/symbols"
# Includes: a folder includes headers of itself and of the libraries below it only.
for lib in "${!below[@]}"; do
  [ -d "$lib" ] || continue
  allowed=" $(echo $lib ${below[$lib]}) "
  grep -Hn '^#include "[a-z]*/' "$lib"/*.h "$lib"/*.cpp 2>/dev/null | while IFS= read -r line; do
    target=$(sed 's/.*#include "\([a-z]*\)\/.*/\1/' <<<"$line")
    [[ "$allowed" == *" $target "* ]] || echo "include of a higher library: $line"
  done
done >"$tmp/includes"
if [ -s "$tmp/symbols" ] || [ -s "$tmp/includes" ]; then
  sort -u "$tmp/symbols"
  cat "$tmp/includes"
  fail=1
fi
[ $fail -eq 0 ] && echo "check_layers: the libraries form a one-way chain"
exit $fail
