#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one
# for FUZZ_SECONDS seconds (30 by default). Any crash, hang or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh fuzz
secs=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DVELMARIS_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
shopt -s nullglob
targets=(build-fuzz/fuzz/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built"; exit 1; }
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  echo "fuzzing $name for ${secs}s"
  "$t" -max_total_time="$secs" -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" 2>build-fuzz/$name.log \
    || { tail -n 40 build-fuzz/$name.log; echo "fuzz target $name failed"; exit 1; }
done
echo "fuzz smoke: ${#targets[@]} targets ran ${secs}s each without a finding"
