#!/bin/sh
# Runs a fuzzer from its corpus in the tree (tests/fixtures/*/fuzz) for a bounded time.
# Arguments: the fuzzer, its corpus folder, seconds to run (ZELVOR_FUZZ_SECONDS overrides it),
# the longest input in bytes (4096).
# Every input of the corpus is replayed first, so a finding kept there stays a regression test.
# A finding fails the run and is copied into the corpus as "regression-*": commit it with the
# fix. With ZELVOR_FUZZ_KEEP=1 (./dev fuzz) the new inputs that add coverage are merged into the
# corpus too; otherwise they are thrown away, so that a test run leaves the tree as it was.
fuzzer="$1"; corpus="$2"; seconds="${ZELVOR_FUZZ_SECONDS:-${3:-60}}"; max_len="${4:-4096}"
if [ ! -x "$fuzzer" ]; then
  echo "ZELVOR SKIPPED: $(basename "$fuzzer"): not built, clang++ with libFuzzer (clang, libclang-rt-14-dev) is not installed"
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/new"
# libFuzzer's own failure code is 77, which CTest reads as "skipped": a finding must fail.
status=0
"$fuzzer" -error_exitcode=1 -timeout_exitcode=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len="$max_len" -artifact_prefix="$work/" -print_final_stats=1 "$work/new" "$corpus" || status=$?
for finding in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
  [ -f "$finding" ] || continue
  kept="$corpus/regression-$(basename "$finding")"
  cp "$finding" "$kept"
  echo "finding kept as a regression input: $kept"
done
if [ "$status" = 0 ] && [ "${ZELVOR_FUZZ_KEEP:-0}" = 1 ]; then
  "$fuzzer" -merge=1 -max_len="$max_len" "$corpus" "$work/new" >/dev/null 2>&1 || true
fi
exit "$status"
