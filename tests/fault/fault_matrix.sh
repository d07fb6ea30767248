#!/usr/bin/env bash
# What a full disk or a killed process leaves behind, for tza's encryption
# with --wipe and its decryption with --remove.
#
#   writes: a clean run counts the write-type calls on the files of its
#           folder (FailWrites.so); then every one of them, in turn, fails
#           with ENOSPC ("enospc"), or is short with every later one failing
#           ("short", a disk that fills up during the write).
#   kill:   runs on a ~20 MB file are killed with SIGKILL at random moments
#           within the measured length of a run.
#
# After each case: the source is there as it was, or its complete container
# is (for a decryption: the container, or the complete plaintext); a file
# under a final name is never partial (a container decrypts, a plaintext
# equals the original); nothing else is left in the folder (in the writes
# case: no hidden temporary file either); a failing run says why on standard
# error, and a run that succeeds did all it was asked to.
#
# Usage: fault_matrix.sh TZA SHIM CASE [RUNS]
set -uo pipefail

tza="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
shim="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
case_name="$3"
runs="${4:-20}"
# In memory where the system offers it: every wipe brings ten passes to the
# disk, hundreds of times here.
base="${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm; fi
work="$(mktemp -d "$base/tessarin-fault-XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export TESSARIN_HOME="$work/home"

cases=0
failures=0
wipes_stopped=0  # a wipe stopped by the fault, reported, its file partly overwritten
temps_left=0     # hidden temporary files a killed run left
wipe_failed="It failed in the deletion of"
fail() {  # fail CASE WHAT
    echo "FAIL $1: $2"
    failures=$((failures + 1))
}
tza_run() { "$tza" --lang en --yes "$@" </dev/null; }
"$tza" --lang en keygen "North Owner" north@example.com "$work/keys" >/dev/null 2>&1 </dev/null || {
    echo "FAIL: no key set"
    exit 1
}

# decrypts_to CONTAINER ORIGINAL: the container, copied aside, decrypts
# (without faults) to a file equal to ORIGINAL.
decrypts_to() {
    # The prepared container, unchanged, is known to.
    cmp -s "$1" "$work/s.bin.tza" && return 0
    local scratch="$work/verify"
    rm -rf "$scratch" && mkdir "$scratch"
    cp "$1" "$scratch/c.tza" || return 1
    tza_run decrypt "$scratch/c.tza" >/dev/null 2>&1 || return 1
    cmp -s "$scratch/$(basename "$2")" "$2"
}

# check_encrypt CASE FOLDER STATUS STDERR [hidden]: after an encryption of FOLDER/s.bin.
check_encrypt() {
    local label="$1" d="$2" status="$3" err="$4"
    cases=$((cases + 1))
    local src="$d/s.bin" box="$d/s.bin.tza" have_src="" have_box="" src_overwritten=""
    if [ -e "$box" ]; then
        if decrypts_to "$box" "$work/original/s.bin"; then have_box=1; else fail "$label" "a partial container"; fi
    fi
    if [ -e "$src" ]; then
        if cmp -s "$src" "$work/original/s.bin"; then
            have_src=1
        elif [ -n "$have_box" ] && [ -n "$status" ] && [ "$status" != 0 ] && grep -qF "$wipe_failed" "$err"; then
            # A wipe stopped by a failed write leaves the file in place,
            # partly overwritten, and says so; its container is complete.
            src_overwritten=1
            wipes_stopped=$((wipes_stopped + 1))
        elif [ -n "$have_box" ] && [ -z "$status" ]; then
            # Killed while wiping: the container was complete before.
            src_overwritten=1
            wipes_stopped=$((wipes_stopped + 1))
        else
            fail "$label" "the source is damaged"
        fi
    fi
    [ -n "$have_src$have_box" ] || fail "$label" "neither the source nor its container is left"
    leftovers "$label" "$d" "${5:-}"
    [ -n "$status" ] || return 0
    if [ "$status" != 0 ]; then
        [ -s "$err" ] || fail "$label" "exit status $status without a message"
    elif [ -n "$have_src$src_overwritten" ] || [ -z "$have_box" ]; then
        fail "$label" "success reported, but the source was not replaced by its container"
    fi
}

# check_decrypt CASE FOLDER STATUS STDERR [hidden]: after a decryption of FOLDER/s.bin.tza.
check_decrypt() {
    local label="$1" d="$2" status="$3" err="$4"
    cases=$((cases + 1))
    local out="$d/s.bin" box="$d/s.bin.tza" have_out="" have_box="" box_overwritten=""
    if [ -e "$out" ]; then
        if cmp -s "$out" "$work/original/s.bin"; then have_out=1; else fail "$label" "a partial plaintext"; fi
    fi
    if [ -e "$box" ]; then
        if decrypts_to "$box" "$work/original/s.bin"; then
            have_box=1
        elif [ -n "$have_out" ]; then
            # The wipe of the decrypted container stopped part way.
            box_overwritten=1
        else
            fail "$label" "the container is damaged"
        fi
    fi
    [ -n "$have_out$have_box" ] || fail "$label" "neither the container nor its plaintext is left"
    leftovers "$label" "$d" "${5:-}"
    if [ -z "$status" ]; then
        [ -z "$box_overwritten" ] || wipes_stopped=$((wipes_stopped + 1))
        return 0
    fi
    if [ "$status" != 0 ]; then
        [ -s "$err" ] || fail "$label" "exit status $status without a message"
        [ -z "$box_overwritten" ] || wipes_stopped=$((wipes_stopped + 1))
    elif [ -n "$have_out" ] && [ -n "$have_box$box_overwritten" ]; then
        # A removal whose wipe failed must be reported and fail the run, not
        # leave the container (intact or partly overwritten) behind a success.
        fail "$label" "a failed removal of the container reported as success"
    elif [ -z "$have_out" ]; then
        fail "$label" "success reported without the plaintext"
    fi
}

# Nothing but the source and the container (a killed run may leave its
# hidden temporary file, the only trace it can leave).
leftovers() {  # leftovers CASE FOLDER [hidden]
    local name
    while IFS= read -r name; do
        case "$name" in
        s.bin | s.bin.tza) ;;
        .tza-*)
            if [ "${3:-}" == hidden ]; then temps_left=$((temps_left + 1)); else fail "$1" "a temporary file is left: $name"; fi
            ;;
        *) fail "$1" "left in the folder: $name" ;;
        esac
    done < <(ls -A "$2")
}

# A fresh case folder holding the source (encrypt) or the container (decrypt).
fresh() {  # fresh KIND
    rm -rf "$work/case" && mkdir "$work/case"
    if [ "$1" == encrypt ]; then cp "$work/original/s.bin" "$work/case/"; else cp "$work/s.bin.tza" "$work/case/"; fi
}

run_kind() {  # run_kind KIND N MODE: one run under the shim; prints its status
    local d="$work/case"
    local -a args
    if [ "$1" == encrypt ]; then args=(encrypt --self --wipe "$d/s.bin"); else args=(decrypt --remove "$d/s.bin.tza"); fi
    rm -f "$work/log"
    LD_PRELOAD="$shim" TZA_FAULT_DIR="$d" TZA_FAULT_NTH="$2" TZA_FAULT_MODE="$3" TZA_FAULT_COUNT="$work/count" \
        TZA_FAULT_LOG="$work/log" \
        "$tza" --lang en --yes "${args[@]}" </dev/null >"$work/out.txt" 2>"$work/err.txt"
    echo $?
}

# The new file's name is on the disk (its folder synced) before the first
# write that destroys the other copy.
named_before_wipe() {  # named_before_wipe CASE NEW OLD
    awk -v dir="$work/case" -v new="$work/case/$2" -v old="$work/case/$3" '
        ($2 == "linkat" || $2 == "rename") && $3 == new { named = 1 }
        named && $2 == "fsync" && $3 == dir { synced = 1 }
        $2 == "write" && $3 == old { exit !synced }
        END { }' "$work/log" || fail "$1" "$3 is overwritten before the folder holding $2 reached the disk"
}

prepare() {  # prepare SIZE_KB: the original and a container of it
    mkdir -p "$work/original"
    head -c "$(($1 * 1024))" /dev/urandom >"$work/original/s.bin"
    rm -rf "$work/make" && mkdir "$work/make" && cp "$work/original/s.bin" "$work/make/"
    tza_run encrypt --self "$work/make/s.bin" >/dev/null 2>&1 || { echo "FAIL: no container"; exit 1; }
    mv "$work/make/s.bin.tza" "$work/s.bin.tza"
}

case "$case_name" in
writes)
    prepare 3
    for kind in encrypt decrypt; do
        fresh "$kind"
        status="$(run_kind "$kind" 0 enospc)"
        calls="$(cat "$work/count" 2>/dev/null || echo 0)"
        [ "$status" == 0 ] || { fail "$kind clean" "exit status $status"; sed 's/^/     | /' "$work/err.txt"; }
        "check_$kind" "$kind clean" "$work/case" "$status" "$work/err.txt"
        [ "$calls" -gt 0 ] || fail "$kind clean" "no write-type call was seen (is the shim bypassed?)"
        if [ "$kind" == encrypt ]; then
            named_before_wipe "$kind clean" s.bin.tza s.bin
        else
            named_before_wipe "$kind clean" s.bin s.bin.tza
        fi
        echo "$kind: $calls write-type calls in a clean run"
        for mode in enospc short; do
            for ((n = 1; n <= calls; n++)); do
                fresh "$kind"
                status="$(run_kind "$kind" "$n" "$mode")"
                before=$failures
                "check_$kind" "$kind $mode #$n" "$work/case" "$status" "$work/err.txt"
                if [ $failures != "$before" ]; then
                    echo "     (exit status $status; standard error:)"
                    sed 's/^/     | /' "$work/err.txt"
                fi
            done
        done
    done
    ;;
kill)
    prepare 20480
    for kind in encrypt decrypt; do
        # The length of one whole run, in milliseconds.
        fresh "$kind"
        start="$(date +%s%N)"
        status="$(run_kind "$kind" 0 enospc)"
        length=$((($(date +%s%N) - start) / 1000000))
        "check_$kind" "$kind unkilled" "$work/case" "$status" "$work/err.txt"
        echo "$kind: one run takes ${length} ms"
        for ((i = 1; i <= runs; i++)); do
            fresh "$kind"
            delay=$((RANDOM % (length + 1)))
            if [ "$kind" == encrypt ]; then
                "$tza" --lang en --yes encrypt --self --wipe "$work/case/s.bin" </dev/null >/dev/null 2>&1 &
            else
                "$tza" --lang en --yes decrypt --remove "$work/case/s.bin.tza" </dev/null >/dev/null 2>&1 &
            fi
            pid=$!
            sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
            kill -KILL "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            "check_$kind" "$kind killed after ${delay} ms" "$work/case" "" "" hidden
        done
    done
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

echo "fault matrix ($case_name): $cases cases run, $failures failures" \
    "($wipes_stopped wipes stopped part way, the other copy complete; $temps_left hidden temporary files left by kills)"
[ "$failures" == 0 ]
