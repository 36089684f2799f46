#!/bin/sh
# Runs a fuzzer for a few seconds from the seed inputs; skipped (77) when the fuzzer
# could not be built because clang with libFuzzer is missing.
fuzzer="$1"; seeds="$2"; seconds="${3:-5}"; max_len="${4:-4096}"
# Arguments: the fuzzer, its seed folder, seconds to run (5), the longest input in bytes (4096).
if [ ! -x "$fuzzer" ]; then
  echo "fuzzer not built: clang++ with libFuzzer (libclang-rt-14-dev) is not installed"
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
# New inputs go to the scratch corpus, never into the seeds; crash inputs are printed by libFuzzer.
# libFuzzer's own failure code is 77, which CTest reads as "skipped": a finding must fail.
"$fuzzer" -error_exitcode=1 -timeout_exitcode=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" "$seeds"
