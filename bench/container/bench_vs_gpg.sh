#!/bin/sh
# Whole-process figures for many small files, side by side in one run:
# `tza encrypt` with one worker and with one per core against
# `gpg --encrypt-files` on the same files (each to oneself), best of three
# rounds; then, with strace, the system calls per file of tza's encryption
# and decryption (calls of a run over all files less those of a run over one,
# divided by the files between them). A second tza (an older build) is
# measured beside the first when given.
#
#   bench_vs_gpg.sh TZA [OTHER_TZA] [files=1000]

set -eu
tza=$(readlink -f "$1")
other=${2:+$(readlink -f "$2")}
files=${3:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export GNUPGHOME="$work/gnupg"
mkdir -m 700 "$GNUPGHOME"
gpg --batch --passphrase '' --quick-gen-key 'Bench <bench@example.com>' default default never >/dev/null 2>&1

mkdir "$work/src" "$work/gsrc" "$work/out"
head -c 4096 /dev/urandom >"$work/one"
i=0
while [ "$i" -lt "$files" ]; do
    cp "$work/one" "$work/src/f$i.txt"
    cp "$work/one" "$work/gsrc/f$i.txt"
    i=$((i + 1))
done

keys() { # tza, home
    TESSARIN_HOME="$2" "$1" --lang en keygen Bench bench@example.com "$2-keys" </dev/null >/dev/null 2>&1
}
home=$work/home
keys "$tza" "$home"
[ -z "$other" ] || keys "$other" "$work/otherhome"

now() { date +%s.%N; }
# Seconds of one run of the command, output cleared first.
timed() {
    rm -rf "$work/out" "$work/gsrc"/*.gpg
    mkdir "$work/out"
    start=$(now)
    "$@" </dev/null >/dev/null 2>&1
    end=$(now)
    echo "$end - $start" | bc
}
best() { printf '%s\n' "$@" | sort -n | head -1; }
run_tza() { # tza, home, extra options...
    t=$1 h=$2
    shift 2
    TESSARIN_HOME="$h" "$t" --lang en --yes "$@" encrypt --self -o "$work/out" "$work/src"
}

t1="" tn="" tg="" to=""
for round in 1 2 3; do
    t1="$t1 $(timed run_tza "$tza" "$home" --jobs 1)"
    tn="$tn $(timed run_tza "$tza" "$home")"
    tg="$tg $(timed gpg --batch --yes --trust-model always -r bench@example.com --encrypt-files "$work"/gsrc/f*.txt)"
    [ -z "$other" ] || to="$to $(timed run_tza "$other" "$work/otherhome")"
done
b1=$(best $t1) bn=$(best $tn) bg=$(best $tg)
echo "encrypt $files x 4 KiB, whole process, best of 3:"
echo "  tza --jobs 1:        ${b1} s"
echo "  tza (one per core):  ${bn} s   ($(echo "scale=2; $bg / $bn" | bc)x faster than gpg)"
echo "  gpg --encrypt-files: ${bg} s"
[ -z "$other" ] || echo "  $other: $(best $to) s"

command -v strace >/dev/null || {
    echo "strace not found: no system call counts"
    exit 0
}
# Calls per file: name count pairs of (all files) less (one file).
calls() { # output file, tza, home, command...
    o=$1 t=$2 h=$3
    shift 3
    TESSARIN_HOME="$h" strace -f -c -o "$o" "$t" --lang en --yes "$@" </dev/null >/dev/null 2>&1 || true
}
per_file() { # label, tza, home, extra options
    label=$1 t=$2 h=$3
    shift 3
    mkdir -p "$work/one-src"
    cp "$work/one" "$work/one-src/f.txt"
    rm -rf "$work/out" "$work/one-out"
    mkdir "$work/out" "$work/one-out"
    calls "$work/enc-all.strace" "$t" "$h" "$@" encrypt --self -o "$work/out" "$work/src"
    calls "$work/enc-one.strace" "$t" "$h" "$@" encrypt --self -o "$work/one-out" "$work/one-src"
    rm -rf "$work/dec" "$work/dec-one"
    mkdir "$work/dec" "$work/dec-one"
    calls "$work/dec-all.strace" "$t" "$h" "$@" decrypt --output "$work/dec" "$work"/out/*.tza
    calls "$work/dec-one.strace" "$t" "$h" "$@" decrypt --output "$work/dec-one" "$work"/one-out/*.tza
    for dir in enc dec; do
        awk -v n="$files" -v label="$label $dir" '
            FNR == NR && $NF != "total" && NF >= 5 { one[$NF] = $4; next }
            $NF != "total" && NF >= 5 { all[$NF] = $4 }
            END {
                total = 0
                for (k in all) { d = (all[k] - one[k]) / (n - 1); if (d >= 0.5) { line = line sprintf(" %s %.1f", k, d); total += d } }
                printf "  %s: %.1f calls per file:%s\n", label, total, line
            }' "$work/$dir-one.strace" "$work/$dir-all.strace"
    done
}
echo "system calls per file (strace -f -c):"
per_file "tza --jobs 1" "$tza" "$home" --jobs 1
per_file "tza" "$tza" "$home"
[ -z "$other" ] || per_file "$other" "$other" "$work/otherhome"
