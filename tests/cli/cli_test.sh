#!/usr/bin/env bash
# End-to-end cases for the tza binary: the answer options of a
# non-interactive run, exit statuses, and a run against a read-only folder.
# Usage: cli_test.sh TZA CASE
set -uo pipefail

tza="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
case_name="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessarin-cli-XXXXXX")"
chmod 755 "$work"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export TESSARIN_HOME="$work/home"

failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected '$2', got '$3'"; failures=$((failures + 1)); fi
}
contains() {  # contains DESCRIPTION FILE TEXT
    if grep -qF -- "$3" "$2"; then echo "ok   $1"; else
        echo "FAIL $1: '$3' not in:"; sed 's/^/     | /' "$2"; failures=$((failures + 1)); fi
}
run() {  # run ARGS...: standard input is never a terminal here
    "$tza" --lang en "$@" </dev/null >out.txt 2>err.txt
    echo $?
}
sum() { sha256sum "$1" | cut -c1-64; }
make_keys() { "$tza" --lang en keygen "North Owner" north@example.com "$work/keys" >/dev/null 2>&1 </dev/null; }

case "$case_name" in
usage)
    check "no sub-command is a usage error" 2 "$(run)"
    check "a missing argument is a usage error" 2 "$(run encrypt)"
    check "an unknown unit is a usage error" 2 "$(run encrypt --unit parsecs "$work")"
    check "an unknown overwrite answer is a usage error" 2 "$(run --overwrite maybe keys)"
    check "--yes with --no is a usage error" 2 "$(run --yes --no keys)"
    check "--help succeeds" 0 "$(run encrypt --help)"
    contains "--help names the options" out.txt "--from-first-decryption"
    check "without a key set the command fails" 1 "$(run keys)"
    contains "and says what to do" err.txt "tza keygen"
    ;;
samename)
    # Two containers with the same stored name in one batch: the second is
    # refused, kept, and not counted; the first output survives.
    make_keys || exit 1
    mkdir -p a b in
    printf 'AAA\n' > a/x.txt; printf 'BBB\n' > b/x.txt
    run encrypt --self a/x.txt b/x.txt >/dev/null
    mv a/x.txt.tza in/one.tza; mv b/x.txt.tza in/two.tza
    cp in/two.tza two.saved
    check "a batch meeting its own output fails" 1 "$(run --yes --overwrite all decrypt --remove in/one.tza in/two.tza)"
    check "the first plaintext is kept" "AAA" "$(cat in/x.txt)"
    contains "the refusal names the container and the output" err.txt "two.tza decrypts to x.txt, which this run has already written"
    contains "only the first counts" err.txt "1 Files succeed in decryption."
    [ ! -e in/one.tza ]; check "the decrypted container was removed" 0 $?
    check "the refused container is kept as it was" "$(sum two.saved)" "$(sum in/two.tza)"
    ;;
fifo)
    # info and history never open what is not a regular file.
    make_keys || exit 1
    mkfifo pipe.tza
    status="$(timeout 20 "$tza" --lang en info pipe.tza </dev/null >out.txt 2>err.txt; echo $?)"
    check "info on a FIFO fails at once" 1 "$status"
    contains "with the reader's message" err.txt "This file type is not TZA file or broken."
    status="$(timeout 20 "$tza" --lang en history pipe.tza </dev/null >out.txt 2>err.txt; echo $?)"
    check "history on a FIFO fails at once" 1 "$status"
    contains "with the reader's message" err.txt "This file type is not TZA file or broken."
    ;;
expired)
    # Looking at an expired container changes nothing and says nothing false.
    make_keys || exit 1
    printf 'short-lived\n' > e.txt
    check "a one-second container with a history" 0 "$(run encrypt --self --limit 1 --unit seconds --logs e.txt)"
    before="$(sum e.txt.tza)"
    sleep 2
    check "history on it succeeds: it only looks" 0 "$(run history e.txt.tza)"
    contains "the history is shown" out.txt "created"
    contains "it says the container expired and was kept" err.txt "It is over effective time. The file is not erased"
    if grep -qF "A file is erased." err.txt; then check "no claim that it was erased" "" "erased"; fi
    check "info on it succeeds" 0 "$(run info e.txt.tza)"
    contains "info shows the stored count" out.txt "decryptions:     0"
    contains "and the state" out.txt "expired"
    check "the container is unchanged" "$before" "$(sum e.txt.tza)"
    ;;
interrupt)
    # A decryption stopped while it writes leaves no partial plaintext.
    make_keys || exit 1
    mkdir -p in
    head -c 256M /dev/zero > in/big.bin
    run encrypt --self in/big.bin >/dev/null
    rm in/big.bin
    before="$(sum in/big.bin.tza)"
    for sig in TERM KILL; do
        "$tza" --lang en decrypt in/big.bin.tza </dev/null >out.txt 2>err.txt &
        pid=$!
        seen=""
        while kill -0 "$pid" 2>/dev/null; do  # until the output is being written
            if ls -l "/proc/$pid/fd" 2>/dev/null | grep -qE "$work/in/(#|\.tza-dec-)"; then seen=1; break; fi
        done
        if [ -z "$seen" ]; then wait "$pid"; echo "SKIP $sig: the decryption ended before it was seen"; rm -f in/big.bin; continue; fi
        check "SIG$sig: while written, the output has no name in the folder" "big.bin.tza" "$(ls -A in | tr '\n' ' ' | sed 's/ $//')"
        kill -s "$sig" "$pid"
        wait "$pid"; status=$?
        case $sig in TERM) expected=143 ;; KILL) expected=137 ;; esac
        check "SIG$sig ends the run by the signal" "$expected" "$status"
        check "SIG$sig leaves only the container" "big.bin.tza" "$(ls -A in | tr '\n' ' ' | sed 's/ $//')"
        check "SIG$sig leaves the container unchanged" "$before" "$(sum in/big.bin.tza)"
    done
    # An encryption told to stop leaves its source and no partial container.
    mkdir -p src && head -c 256M /dev/zero > src/big.bin
    "$tza" --lang en encrypt --self src/big.bin </dev/null >out.txt 2>err.txt &
    pid=$!
    seen=""
    while kill -0 "$pid" 2>/dev/null; do
        if ls -l "/proc/$pid/fd" 2>/dev/null | grep -qE "$work/src/(#|\.tza-)"; then seen=1; break; fi
    done
    if [ -n "$seen" ]; then
        kill -s TERM "$pid"
        wait "$pid"; status=$?
        check "SIGTERM ends an encryption by the signal" 143 "$status"
        check "and leaves only its source" "big.bin" "$(ls -A src | tr '\n' ' ' | sed 's/ $//')"
    else
        wait "$pid"; echo "SKIP encryption: it ended before it was seen"
    fi
    ;;
overwrite)
    make_keys || exit 1
    printf 'first\n' > a.txt
    check "self encryption succeeds" 0 "$(run encrypt --self a.txt)"
    before="$(sum a.txt.tza)"
    check "an unanswered overwrite question fails" 1 "$(run encrypt --self a.txt)"
    contains "the question is shown" err.txt "Overwrite for same name file."
    contains "with what would answer it" err.txt "no answer given"
    check "the container stays as it was" "$before" "$(sum a.txt.tza)"
    check "--overwrite none leaves it and reports the skip" 1 "$(run --overwrite none encrypt --self a.txt)"
    check "the container is still the first one" "$before" "$(sum a.txt.tza)"
    check "--overwrite all replaces it" 0 "$(run --overwrite all encrypt --self a.txt)"
    [ "$(sum a.txt.tza)" != "$before" ]; check "the container was written anew" 0 $?

    mkdir -p out && cp a.txt.tza out/ && printf 'edited\n' > out/a.txt
    check "decrypting over an existing file asks; none keeps it" 1 "$(run --overwrite none decrypt out/a.txt.tza)"
    check "the existing file is untouched" "edited" "$(cat out/a.txt)"
    check "--overwrite all decrypts over it" 0 "$(run --overwrite all decrypt out/a.txt.tza)"
    check "the output is the source again" "first" "$(cat out/a.txt)"
    ;;
answers)
    make_keys || exit 1
    printf 'x\n' > w.txt
    check "wipe answered No fails and keeps the file" 1 "$(run --no wipe w.txt)"
    [ -e w.txt ]; check "the file is still there" 0 $?
    check "wipe answered Yes succeeds" 0 "$(run --yes wipe w.txt)"
    [ ! -e w.txt ]; check "the file is gone" 0 $?
    printf 'x\n' > s.txt
    check "encrypt with --wipe answered No keeps the source" 0 "$(run --no encrypt --self --wipe s.txt)"
    [ -e s.txt ] && [ -e s.txt.tza ]; check "source and container are both there" 0 $?
    rm -f s.txt.tza
    check "encrypt with --wipe answered Yes removes the source" 0 "$(run --yes encrypt --self --wipe s.txt)"
    [ ! -e s.txt ] && [ -e s.txt.tza ]; check "only the container is left" 0 $?
    head -c 400 /dev/urandom > junk.tza
    check "a file that is no container fails" 1 "$(run decrypt junk.tza)"
    contains "with the reader's message" err.txt "This file type is not TZA file or broken."
    check "a recipient nobody knows fails" 1 "$(run encrypt --to nobody@example.com s.txt.tza)"
    ;;
sender)
    # North encrypts for south's plain public key: the container carries
    # north's identity, and south, who does not know north, is offered to
    # authenticate the sender when decrypting.
    as() { TESSARIN_HOME="$work/$1-home" "$tza" --lang en --yes "${@:2}" </dev/null >out.txt 2>err.txt; echo $?; }
    as north keygen North north@example.com "$work/north-keys" >/dev/null
    as south keygen South south@example.com "$work/south-keys" >/dev/null
    cp south-keys/South.vpub .
    check "north registers south's plain public key" 0 "$(as north add South.vpub)"
    printf 'from north\n' > m.txt
    check "north encrypts for it, leaving himself out" 0 "$(as north encrypt m.txt --to South.vpub --without-me)"
    as north info m.txt.tza >/dev/null
    contains "the sender block is attached" out.txt "sender"
    mkdir -p inbox && mv m.txt.tza inbox/
    check "south decrypts" 0 "$(as south decrypt inbox/m.txt.tza)"
    check "to the same text" "from north" "$(cat inbox/m.txt)"
    [ -e "south-keys/KeyList_South/North))South-auth.vpub" ]
    check "and has authenticated the unknown sender from the key the container carries" 0 $?
    ;;
readonly)
    make_keys || exit 1
    mkdir -p locked && printf 'secret\n' > locked/r.txt
    chmod -R a+rX "$work"
    chmod a+rwx "$work/home" "$work/keys" "$work/keys"/KeyList_*
    chmod a+rw "$work/home"/* "$work/keys"/KeyList_*/* 2>/dev/null
    chmod 555 locked
    if [ "$(id -u)" = 0 ]; then
        # Root ignores permission bits: run as an unprivileged user.
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    else
        as_user=()
    fi
    status="$(HOME="$work" "${as_user[@]}" "$tza" --lang en --yes encrypt --self locked/r.txt </dev/null >out.txt 2>err.txt; echo $?)"
    check "encrypting into a read-only folder fails" 1 "$status"
    check "nothing was written there" "r.txt" "$(ls -A locked | tr '\n' ' ' | sed 's/ $//')"
    check "the source is unchanged" "secret" "$(cat locked/r.txt)"
    [ -s err.txt ]; check "and a message says why" 0 $?
    cat err.txt
    ;;
*)
    echo "unknown case $case_name"; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then echo "$failures check(s) failed"; exit 1; fi
