#!/usr/bin/env bash
# Builds the benchmarks in Release, runs them on a book of 1,000,000 invoice records (20,000
# batches of 50) and again on 10,000 records, and prints each speed ratio beside its target,
# the peak memory of both runs and what the one fdatasync per file per action costs.
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=Scan).
# Exits non-zero when a benchmark fails or a target is missed.
set -uo pipefail
cd "$(dirname "$0")"

./scripts/setup-deps || exit 1

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANA_BUILD_UI=OFF \
  -DKORVANA_BUILD_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" --target korvana_bench || exit 1
bench="$build/bench/korvana_bench"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "=== 1,000,000 invoice records"
/usr/bin/time -v -o "$out/time-large.txt" "$bench" --records=1000000 \
  --benchmark_out="$out/large.csv" --benchmark_out_format=csv "$@" || exit 1
echo "=== 10,000 invoice records (for the memory comparison)"
/usr/bin/time -v -o "$out/time-small.txt" "$bench" --records=10000 \
  --benchmark_out="$out/small.csv" --benchmark_out_format=csv "$@" >"$out/small.log" 2>&1 \
  || { cat "$out/small.log"; exit 1; }

peak() { awk -F': ' '/Maximum resident set size/ {print $2}' "$1"; }
large_kb=$(peak "$out/time-large.txt")
small_kb=$(peak "$out/time-small.txt")

echo
echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo);" \
  "load average before the run: $load"
echo
awk -F, -v large_kb="$large_kb" -v small_kb="$small_kb" '
  function ms(value, unit) {
    if (unit == "ns") return value / 1e6
    if (unit == "us") return value / 1e3
    if (unit == "s") return value * 1e3
    return value
  }
  function has(n) { return (n in t) }
  function check(label, value, op, target,   ok) {
    ok = (op == "<=") ? value <= target : value >= target
    printf "| %s | %.2f | %s %s | %s |\n", label, value, op, target, ok ? "met" : "MISSED"
    if (!ok) missed++
  }
  $1 ~ /^"BM_/ {
    name = $1; gsub(/"/, "", name); sub(/\/real_time$/, "", name)
    if ($9 == "true") { failed[name] = 1; next }
    t[name] = ms($3, $5); order[++n] = name
  }
  END {
    print "| benchmark | time (ms) |"
    print "|---|---:|"
    for (i = 1; i <= n; i++) printf "| %s | %.4f |\n", order[i], t[order[i]]
    for (f in failed) { printf "| %s | FAILED |\n", f; missed++ }
    print ""
    print "| ratio | value | target | |"
    print "|---|---:|---|---|"
    need = "BM_RawScan BM_RawScanBatchTable BM_FindRecord BM_SQLiteScan BM_ShowBatch BM_EditCell BM_RawAppend BM_AddRecord BM_RawCopy BM_DeleteBatch BM_StartUp"
    split(need, names, " ")
    for (i in names) if (!has(names[i])) { printf "missing: %s\n", names[i]; absent++ }
    if (!absent) {
      check("FindRecord / RawScan", t["BM_FindRecord"] / t["BM_RawScan"], "<=", 1.5)
      check("SQLiteScan / FindRecord", t["BM_SQLiteScan"] / t["BM_FindRecord"], ">=", 4)
      check("ShowBatch / RawScan", t["BM_ShowBatch"] / t["BM_RawScan"], "<=", 2)
      check("EditCell / RawScan", t["BM_EditCell"] / t["BM_RawScan"], "<=", 2)
      check("AddRecord / RawAppend", t["BM_AddRecord"] / t["BM_RawAppend"], "<=", 1.5)
      check("DeleteBatch / RawCopy", t["BM_DeleteBatch"] / t["BM_RawCopy"], "<=", 2.5)
      check("StartUp / (RawScan + RawScanBatchTable)",
            t["BM_StartUp"] / (t["BM_RawScan"] + t["BM_RawScanBatchTable"]), "<=", 3)
    } else missed++
    if (large_kb != "" && small_kb != "") {
      check("peak RSS at 1,000,000 minus at 10,000 records (MiB)", (large_kb - small_kb) / 1024, "<=", 16)
    } else missed++
    print ""
    printf "Peak resident size: %.1f MiB at 1,000,000 records, %.1f MiB at 10,000 records\n",
           large_kb / 1024, small_kb / 1024
    if (has("BM_RawDeleteBatch") && has("BM_DeleteBatch") && has("BM_RawCopy"))
      printf "Deletion: its unavoidable passes done raw take %.2f x RawCopy; DeleteBatch is %.2f x those\n",
             t["BM_RawDeleteBatch"] / t["BM_RawCopy"], t["BM_DeleteBatch"] / t["BM_RawDeleteBatch"]
    if (has("BM_FindRecordCondition"))
      printf "A key search as a readField condition: %.2f x RawScan\n",
             t["BM_FindRecordCondition"] / t["BM_RawScan"]
    if (has("BM_AddBatch") && has("BM_AddBatch_fdatasync"))
      printf "fdatasync per action: add of 50 %.3f ms -> %.3f ms (+%.3f ms)\n", t["BM_AddBatch"],
             t["BM_AddBatch_fdatasync"], t["BM_AddBatch_fdatasync"] - t["BM_AddBatch"]
    if (has("BM_EditCell") && has("BM_EditCell_fdatasync"))
      printf "fdatasync per action: one edit %.3f ms -> %.3f ms (+%.3f ms)\n", t["BM_EditCell"],
             t["BM_EditCell_fdatasync"], t["BM_EditCell_fdatasync"] - t["BM_EditCell"]
    exit missed ? 1 : 0
  }
' "$out/large.csv"
