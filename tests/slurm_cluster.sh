# shellcheck shell=bash
# Sourced by the Slurm tests as `. tests/slurm_cluster.sh "TEST NAME" [BUILD_DIR]`:
# sets root, build (BUILD_DIR or build/, absolute) and work (a new
# temporary folder, the current one from here on), defines fail, starts a
# private single-node cluster (scripts/slurm-local) in work/slurm with
# SLURM_CONF pointing at it, and stops it and removes work on exit. A
# cluster that cannot start fails the test; it does not skip it.
test_name=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck disable=SC2034  # used by the test that sources this
build=$(cd "${2:-$root/build}" && pwd)
work=$(mktemp -d)
cleanup() {
    "$root/scripts/slurm-local" stop "$work/slurm" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "$test_name: FAILED: $*" >&2
    exit 1
}

if ! "$root/scripts/slurm-local" start "$work/slurm" >"$work/start.log" 2>&1; then
    cat "$work/start.log" >&2
    fail "the private Slurm cluster did not start (see above)"
fi
export SLURM_CONF=$work/slurm/slurm.conf
cd "$work" || exit 1
