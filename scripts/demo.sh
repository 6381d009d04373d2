#!/usr/bin/env bash
# Builds a Release korim and runs a steric prediction on the example structure and couplings.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKORIM_TESTS=OFF >/dev/null
cmake --build build/release -j"$korim_jobs"

# Steric prediction of human ubiquitin (PDB 1D3Z, model 1) in a bicelle medium, compared with
# its 63 measured backbone N-H couplings.
out=build/demo
mkdir -p "$out"
if ! build/release/korim -stKorim -pdb examples/ubiquitin_1d3z_model1.pdb \
     -inD examples/ubiquitin_nh_bicelle.tab -outD "$out/ubiquitin_steric.tab" \
     -pdbRot "$out/ubiquitin_rot.pdb" >"$out/korim.out" 2>"$out/korim.err"; then
  echo "korim: the prediction failed:"
  tr '\r' '\n' <"$out/korim.err" | grep -v '^REMARK Orientation' | tail -5
  exit 1
fi
echo
echo "korim -stKorim -pdb examples/ubiquitin_1d3z_model1.pdb -inD examples/ubiquitin_nh_bicelle.tab -outD $out/ubiquitin_steric.tab -pdbRot $out/ubiquitin_rot.pdb"
grep '^REMARK' "$out/korim.out"
awk '
  $1 == "DATA" && $2 == "Da_HN"       { printf "Da (N-H)                           %8.2f Hz\n", $3 }
  $1 == "DATA" && $2 == "Rhombicity"  { printf "R = Dr/Da                          %8.3f\n", $3 }
  $1 == "DATA" && $2 == "N"           { printf "couplings compared                 %8d\n", $3 }
  $1 == "DATA" && $2 == "CORR" && $3 == "R" { printf "correlation predicted vs measured  %8.3f\n", $4 }
' "$out/ubiquitin_steric.tab"
echo "result table: $out/ubiquitin_steric.tab; rotated structures: $out/ubiquitin_rot.pdb and .0 to .3"
