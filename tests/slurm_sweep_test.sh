#!/usr/bin/env bash
# A 12-run sweep on this machine and as a Slurm job array of three chunks,
# on a private single-node cluster (scripts/slurm-local): every run's
# outputs must be the same bytes, and summary.csv the same but for its
# wall-time column. Fails (does not skip) when the cluster cannot start.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
cleanup() {
    "$root/scripts/slurm-local" stop "$work/slurm" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "slurm sweep test: FAILED: $*" >&2; exit 1; }

if ! "$root/scripts/slurm-local" start "$work/slurm" >"$work/start.log" 2>&1; then
    cat "$work/start.log" >&2
    fail "the private Slurm cluster did not start (see above)"
fi
export SLURM_CONF=$work/slurm/slurm.conf

cd "$work"
{
    echo "run,totaltime,display_inc,diff_coeff,rates_2"
    for i in $(seq 1 12); do
        printf 'r%02d,2000,500,%s,%s\n' "$i" "$(( i % 2 ? 1 : 2 ))" "$(( 5 + i / 2 ))"
    done
} >manifest.csv

"$build/vendrel-sweep" manifest.csv --out local --jobs 2 --image --netcdf >local.log ||
    fail "local sweep: $(cat local.log)"
"$build/vendrel-sweep" manifest.csv --out cluster --slurm --chunk 4 --image --netcdf >cluster.log ||
    fail "Slurm sweep: $(cat cluster.log)"
grep -q -- '--array=0-2$' cluster/slurm/sweep.sh || fail "the job array is not 3 tasks"
[ "$(ls cluster/slurm/task-*.log | wc -l)" -eq 3 ] || fail "not 3 array tasks ran"

for i in $(seq -f 'r%02g' 1 12); do
    for suffix in vdl png nc; do
        cmp -s "local/$i.$suffix" "cluster/$i.$suffix" ||
            fail "$i.$suffix differs between the local and the Slurm sweep"
    done
done
without_wall_time() {
    awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "wall_time_s") w = i }
             { $w = ""; print }' OFS=, "$1"
}
[ "$(grep -c ',ok,' local/summary.csv)" -eq 12 ] || fail "not every local run is ok"
diff <(without_wall_time local/summary.csv) <(without_wall_time cluster/summary.csv) >&2 ||
    fail "summary.csv differs beyond its wall-time column"
echo "slurm sweep test: 12 runs, local and as a 3-task job array, the same"
