#!/usr/bin/env bash
# A short fit on this machine and with its batches as Slurm job arrays, on
# a private single-node cluster (scripts/slurm-local): the posterior and
# the best run must be the same bytes. Fails (does not skip) when the
# cluster cannot start.
set -euo pipefail
# shellcheck source=tests/slurm_cluster.sh
. "$(dirname "$0")/slurm_cluster.sh" "slurm fit test" "$@"

"$build/vendrel-run" --set totaltime=5000 --set display_inc=500 --set rates_2=8 --well 1000 \
    --wells-csv truth.csv --quiet
awk -F, 'NR == 1 { print "well_x_m,quantity,age_kyr,value,sigma"; next }
         { print $1 ",elevation," $6 "," $8 ",0.5" }' truth.csv >wells.csv
cat >priors.toml <<'END'
samples = 6
seed = 4
[fixed]
totaltime = 5000
display_inc = 500
[free]
rates_2 = [2, 20]
[fit]
moves = 1
max_runs = 24
END
# Four batches, then max_runs stops the fit (exit status 4).
status=0
"$build/vendrel-sweep" fit priors.toml wells.csv --out local --jobs 2 >local.log || status=$?
[ "$status" -eq 4 ] || fail "local fit: $(cat local.log)"
status=0
"$build/vendrel-sweep" fit priors.toml wells.csv --out cluster --slurm --job-name vendrel-fit \
    --time 10:00 >cluster.log || status=$?
[ "$status" -eq 4 ] || fail "Slurm fit: $(cat cluster.log)"
grep -q "^#SBATCH --job-name=vendrel-fit$" cluster/batches/b00003/slurm/sweep.sh &&
    grep -q "^#SBATCH --time=10:00$" cluster/batches/b00003/slurm/sweep.sh ||
    fail "the fit's job arrays lack its Slurm options: $(cat cluster/batches/b00003/slurm/sweep.sh)"
[ "$(ls -d cluster/batches/b*/slurm | wc -l)" -eq 4 ] || fail "not 4 job arrays ran"
for file in posterior.csv posterior_intervals.csv tempering.csv max_posterior.vdl; do
    cmp -s "local/$file" "cluster/$file" || fail "$file differs between the local and the Slurm fit"
done
echo "slurm fit test: 4 batches of 6 runs, local and as job arrays, the same posterior"
