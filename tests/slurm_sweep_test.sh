#!/usr/bin/env bash
# A 12-run sweep on this machine and as a Slurm job array of three chunks,
# on a private single-node cluster (scripts/slurm-local): every run's
# outputs must be the same bytes, and summary.csv the same but for its
# wall-time column. Then the faults a cluster user meets: a rerun after
# outputs were lost resubmits only their tasks, failed rows fail their
# task, a second submission into a folder whose job is active is refused,
# and Ctrl-C while waiting cancels the job. Fails (does not skip) when the
# cluster cannot start.
set -euo pipefail
# shellcheck source=tests/slurm_cluster.sh
. "$(dirname "$0")/slurm_cluster.sh" "slurm sweep test" "$@"

{
    echo "run,totaltime,display_inc,diff_coeff,rates_2"
    for i in $(seq 1 12); do
        printf 'r%02d,2000,500,%s,%s\n' "$i" "$(( i % 2 ? 1 : 2 ))" "$(( 5 + i / 2 ))"
    done
} >manifest.csv

"$build/vendrel-sweep" manifest.csv --out local --jobs 2 --image --netcdf >local.log ||
    fail "local sweep: $(cat local.log)"
sweep() { "$build/vendrel-sweep" "$@" --job-name vendrel-sweep-test; }
sweep manifest.csv --out cluster --slurm --chunk 4 --image --netcdf >cluster.log 2>&1 ||
    fail "Slurm sweep: $(cat cluster.log)"
job=$(sed -n 's/^vendrel-sweep: submitted job \([0-9]*\) .*/\1/p' cluster.log)
[ -n "$job" ] && [ "$(cat cluster/slurm/jobs)" = "$job" ] ||
    fail "the job id is not printed and kept: $(cat cluster.log)"
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

# Lost outputs: only the tasks that held them run again.
rm cluster/r06.vdl cluster/r11.json
sweep manifest.csv --out cluster --slurm --chunk 4 --image --netcdf >rerun.log 2>&1 ||
    fail "rerun: $(cat rerun.log)"
grep -q -- '--array=1-2$' cluster/slurm/sweep.sh || fail "the rerun did not submit tasks 1 and 2 only"
cmp -s local/r06.vdl cluster/r06.vdl || fail "r06.vdl was not run again"
[ "$(wc -l <cluster/slurm/jobs)" -eq 2 ] || fail "the second job id is not kept"

# Failed rows fail their task.
mkdir -p failing/r02.vdl
status=0
sweep manifest.csv --out failing --slurm --chunk 4 >failing.log 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a sweep with a failed row exits $status"
job=$(tail -n 1 failing/slurm/jobs)
scontrol show job "${job}_0" | grep -q 'JobState=FAILED .*' ||
    fail "the task of the failed row did not fail: $(scontrol show job "${job}_0" | grep JobState)"
scontrol show job "${job}_1" | grep -q 'JobState=COMPLETED' || fail "task 1 did not complete"

# Rows long enough to be caught running.
{
    echo "run,totaltime,display_inc"
    for i in 1 2 3 4; do echo "s$i,3000000,10000"; done
} >slow.csv

# A second submission and a collection while the job is active: refused.
sweep slow.csv --out busy --slurm --no-wait >busy.log 2>&1 || fail "--no-wait: $(cat busy.log)"
job=$(tail -n 1 busy/slurm/jobs)
for args in "slow.csv --out busy --slurm --no-wait" "--collect busy"; do
    status=0
    # shellcheck disable=SC2086
    "$build/vendrel-sweep" $args >second.log 2>&1 || status=$?
    [ "$status" -eq 3 ] && grep -q "its Slurm job $job is still active" second.log ||
        fail "$args while job $job is active: exit $status, $(cat second.log)"
done
scancel "$job"

# Ctrl-C while waiting cancels the job and says so.
"$build/vendrel-sweep" slow.csv --out interrupted --slurm --job-name vendrel-sweep-test \
    >interrupted.log 2>&1 &
sweep_pid=$!
for _ in $(seq 100); do [ -s interrupted/slurm/jobs ] && break; sleep 0.1; done
job=$(cat interrupted/slurm/jobs)
[ -n "$job" ] || fail "no job submitted"
grep -q "submitted job $job" interrupted.log || fail "the job id is not printed at once"
kill -INT "$sweep_pid"
status=0
wait "$sweep_pid" || status=$?
[ "$status" -eq 130 ] || fail "Ctrl-C gave exit status $status"
grep -q "cancelled job $job (scancel $job)" interrupted.log ||
    fail "Ctrl-C did not say it cancelled: $(cat interrupted.log)"
for _ in $(seq 50); do [ -z "$(squeue -h -j "$job" 2>/dev/null)" ] && break; sleep 0.1; done
[ -z "$(squeue -h -j "$job" 2>/dev/null)" ] || fail "job $job still queued after Ctrl-C"

echo "slurm sweep test: 12 runs, local and as a 3-task job array, the same; rerun, failed task," \
    "busy folder and Ctrl-C as expected"
