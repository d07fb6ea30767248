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
# as USER ARGS...: tza as north or south, each with a data folder of their own.
as() { TESSARIN_HOME="$work/$1-home" "$tza" --lang en --yes "${@:2}" </dev/null >out.txt 2>err.txt; echo $?; }
# North and south make key sets; north registers south's plain public key.
two_users() {
    as north keygen North north@example.com "$work/north-keys" >/dev/null
    as south keygen South south@example.com "$work/south-keys" >/dev/null
    cp south-keys/South.vpub .
    check "north registers south's plain public key" 0 "$(as north add South.vpub --name South --email south@example.com)"
}

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
    contains "the history is shown" out.txt "Created"
    contains "it says the container expired and was kept" err.txt "It is over effective time. The file is not erased"
    if grep -qF "A file is erased." err.txt; then check "no claim that it was erased" "" "erased"; fi
    check "info on it succeeds" 0 "$(run info e.txt.tza)"
    contains "info shows the stored count" out.txt "decryptions:          0"
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
    two_users
    printf 'from north\n' > m.txt
    check "north encrypts for it, leaving himself out" 0 "$(as north encrypt m.txt --to South.vpub --without-me)"
    as north info m.txt.tza >/dev/null
    contains "the sender block is attached" out.txt "sender"
    mkdir -p inbox && mv m.txt.tza inbox/
    check "south decrypts" 0 "$(as south decrypt --authenticate-sender inbox/m.txt.tza)"
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
decrypt_output)
    # decrypt --output writes into another folder and nothing beside the
    # container; a missing folder is a usage error.
    make_keys || exit 1
    mkdir -p in out && printf 'letter\n' > in/l.txt
    check "self encryption" 0 "$(run --yes encrypt --self in/l.txt)"
    rm in/l.txt
    check "decrypts into the output folder" 0 "$(run decrypt -o out in/l.txt.tza)"
    check "to the same text" "letter" "$(cat out/l.txt)"
    [ ! -e in/l.txt ]; check "nothing beside the container" 0 $?
    check "a missing output folder is a usage error" 2 "$(run decrypt -o nowhere in/l.txt.tza)"
    ;;
same_name_batch)
    # Two sources of one name into one output folder, with wiping: the second
    # is refused by name and kept; the first is the one container.
    make_keys || exit 1
    mkdir -p c/a c/b out
    echo AAA > c/a/x.txt
    echo BBB > c/b/x.txt
    check "a batch with a refused item fails" 1 "$(run --yes encrypt c --self -o out --wipe)"
    contains "the refusal names the output" err.txt "out/x.txt.tza was already written earlier in this run and is not overwritten."
    contains "one success is counted" err.txt "1 files succeeded encryption."
    check "the container is listed once" "1" "$(grep -c 'x.txt.tza' out.txt)"
    check "the refused source is kept" "BBB" "$(cat c/b/x.txt)"
    [ ! -e c/a/x.txt ]; check "the encrypted source is wiped" 0 $?
    mv c/b/x.txt kept.txt
    check "the container decrypts" 0 "$(run decrypt out/x.txt.tza)"
    check "to the first source" "AAA" "$(cat out/x.txt)"
    ;;
wipe_refusals)
    make_keys || exit 1
    mkfifo pipe
    # (timeout only ends a run that would hang: it used to wait for a reader)
    check "wiping a pipe fails without waiting" 1 "$(timeout 60 "$tza" --lang en --yes wipe pipe </dev/null >out.txt 2>err.txt; echo $?)"
    contains "and says it is no regular file" err.txt "pipe is not a regular file and cannot be wiped."
    printf 'target\n' > target.txt
    ln -s target.txt link.txt
    check "wiping a symbolic link fails" 1 "$(run --yes wipe link.txt)"
    contains "and says why" err.txt "link.txt is a symbolic link and is not wiped."
    check "the link's target is untouched" "target" "$(cat target.txt)"
    [ -L link.txt ]; check "the link stays" 0 $?
    ln -s nowhere dangling.txt
    check "a dangling link is refused the same way" 1 "$(run --yes wipe dangling.txt)"
    contains "with the same message" err.txt "dangling.txt is a symbolic link and is not wiped."
    mkdir -p folder
    check "a folder is refused" 1 "$(run --yes wipe folder)"
    contains "as no regular file" err.txt "folder is not a regular file and cannot be wiped."
    check "a missing file is a usage error" 2 "$(run --yes wipe missing.txt)"
    head -c 8192 /dev/zero > big.bin
    # Writes beyond 4 KiB fail (EFBIG, the signal ignored): the overwrite stops.
    check "an I/O error fails the wipe" 1 "$(trap '' XFSZ; ulimit -f 4; run --yes wipe big.bin)"
    contains "with its cause" err.txt "big.bin could not be wiped (File too large)."
    if [ "$(id -u)" = 0 ] && unshare -m --propagation private true 2>/dev/null; then
        # A read-only mount in a private mount namespace of this test.
        mkdir -p ro
        unshare -m --propagation private bash -c '
            tza="$1"
            mount -t tmpfs -o size=1m tmpfs ro && printf "plain\n" > ro/s.bin && mount -o remount,ro ro || exit 9
            "$tza" --lang en --yes wipe ro/s.bin </dev/null >wipe-out.txt 2>wipe-err.txt; echo $? > wipe-rc
            "$tza" --lang en --yes encrypt --self --wipe -o "$PWD" ro/s.bin </dev/null >enc-out.txt 2>enc-err.txt
            echo $? > enc-rc
            cat ro/s.bin > kept.txt' _ "$tza"
        check "wiping on a read-only mount fails" 1 "$(cat wipe-rc)"
        contains "and says so" wipe-err.txt "s.bin is on a read-only file system and cannot be wiped."
        check "encrypt --wipe whose wipe failed fails" 1 "$(cat enc-rc)"
        contains "naming the file" enc-err.txt "It failed in the deletion of s.bin."
        contains "and counts no success" enc-err.txt "0 files succeeded encryption."
        check "the source is still there" "plain" "$(cat kept.txt)"
        [ -s s.bin.tza ]; check "beside its container" 0 $?
    else
        echo "skip read-only mount: needs root and mount namespaces"
    fi
    ;;
history_save)
    # A history save that cannot grow the container (file size limit) is
    # reported and fails the run; the container stays readable.
    make_keys || exit 1
    head -c 1388 /dev/urandom > h.bin  # a 1948-byte container: the sixth decryption needs a second unit
    check "self encryption with a history" 0 "$(run --yes encrypt --self h.bin)"
    for i in 1 2 3 4 5; do run --yes --overwrite all decrypt h.bin.tza >/dev/null; done
    before="$(sum h.bin.tza)"
    check "a decryption whose history cannot be saved fails" 1 "$(ulimit -f 2; run --yes --overwrite all decrypt h.bin.tza)"
    contains "with a message naming the container" err.txt "The history of h.bin.tza could not be saved (File too large)."
    check "the container is as it was" "$before" "$(sum h.bin.tza)"
    check "and still decrypts" 0 "$(run --yes --overwrite all decrypt h.bin.tza)"
    check "with the history saved this time" 0 "$(run history h.bin.tza)"
    check "seven entries" 7 "$(grep -c 'North Owner' out.txt)"
    ;;
senderoption)
    # --yes never answers whether to authenticate a container's sender: that
    # takes --authenticate-sender; without it the question is answered No.
    two_users
    printf 'from north\n' > m.txt
    check "north encrypts for it" 0 "$(as north encrypt m.txt --to South.vpub --without-me)"
    mkdir -p inbox && mv m.txt.tza inbox/
    check "south decrypts with --yes alone" 0 "$(as south decrypt inbox/m.txt.tza)"
    check "to the same text" "from north" "$(cat inbox/m.txt)"
    contains "the sender question is shown" err.txt "Do you authenicate this file creater?"
    contains "answered No, naming the option" err.txt "--authenticate-sender"
    [ ! -e "south-keys/KeyList_South/North))South-auth.vpub" ] && [ ! -e "south-keys/KeyList_South/North.vpub" ]
    check "and nothing was authenticated or written into the key folder" 0 $?
    rm -f inbox/m.txt
    check "with --authenticate-sender" 0 "$(as south decrypt --authenticate-sender inbox/m.txt.tza)"
    [ -e "south-keys/KeyList_South/North))South-auth.vpub" ]
    check "the sender is authenticated" 0 $?
    ;;
keyfiles)
    # Private key files are the owner's only, as are the folders made for
    # keys; a public key whose numbers can never work is not registered.
    mode() { stat -c %a "$1"; }
    "$tza" --lang en keygen North north@example.com "$work/keys/new" </dev/null >/dev/null 2>err.txt
    check "keygen succeeds" 0 $?
    check "the private key file is 0400" 400 "$(mode keys/new/NorthPrivate.vpri)"
    check "the public key file is read-only for all" 444 "$(mode keys/new/North.vpub)"
    check "the key pair folder made for it is 0700" 700 "$(mode keys/new)"
    check "and so is the folder above it that keygen made" 700 "$(mode keys)"
    check "the key folder is 0700" 700 "$(mode keys/new/KeyList_North)"
    "$tza" --lang en keygen Other other@example.com "$work/other" </dev/null >/dev/null 2>&1
    python3 - "$work/other/Other.vpub" "$work/zero.vpub" <<'PY'
import sys
b = bytearray(open(sys.argv[1], 'rb').read())
b[24:152] = bytes(128)
open(sys.argv[2], 'wb').write(b)
PY
    check "a key with an all-zero modulus is refused" 1 "$(run --keys "$work/keys/new" add zero.vpub)"
    contains "as no usable key" err.txt "zero.vpub"
    run --keys "$work/keys/new" keys >/dev/null
    if grep -q zero.vpub out.txt; then check "and is not listed" absent listed; else check "and is not listed" absent absent; fi
    check "the real key is accepted" 0 "$(run --no --keys "$work/keys/new" add other/Other.vpub --name Other --email other@example.com)"
    ;;
backup)
    # Shares of the key in use, the questions answered from the command line,
    # the maker's share handed to a stand-in mail program, and the lost
    # private key rebuilt from both shares.
    make_keys || exit 1
    mkdir -p bin
    cat > bin/xdg-email <<'STUB'
#!/bin/sh
prev=
for a; do
    printf '%s\n' "$a" >> "$MAIL_LOG"
    [ "$prev" = --attach ] && [ -s "$a" ] && echo "attachment present" >> "$MAIL_LOG"
    prev=$a
done
STUB
    chmod +x bin/xdg-email
    export PATH="$work/bin:$PATH" MAIL_LOG="$work/mail.txt"
    printf 'secret text\n' > a.txt
    check "a container for the key before the loss" 0 "$(run encrypt --self a.txt)"
    rm -f a.txt

    check "backup --no-send makes the shares" 0 "$(run backup --no-send)"
    user="$(sed -n 1p out.txt)"; maker="$(sed -n 2p out.txt)"
    check "the user's share lies in the data folder" "$work/home" "$(dirname "$user")"
    check "the user's share is owner-only" 600 "$(stat -c %a "$user")"
    check "the maker's share is owner-only" 600 "$(stat -c %a "$maker")"
    before="$(sum "$user") $(sum "$maker")"
    check "making them again unanswered fails" 1 "$(run backup --no-send)"
    contains "with the overwrite question" err.txt "A key backup already exists. Overwrite the key backup files?"
    check "--no fails too" 1 "$(run --no backup --no-send)"
    check "both shares are as they were" "$before" "$(sum "$user") $(sum "$maker")"
    [ ! -e mail.txt ]; check "nothing was mailed" 0 $?

    check "--yes sends the shares made earlier" 0 "$(run --yes backup)"
    contains "to the maker's key address" mail.txt "keys@vorneloft.example"
    contains "with the backup subject" mail.txt "Sending back up key file"
    contains "with the container attached" mail.txt "attachment present"
    check "the container is wiped afterwards" "" "$(find "$work/home" -name '*.tza')"
    check "the shares are not split again" "$before" "$(sum "$user") $(sum "$maker")"

    private="$(ls "$work"/keys/*Private.vpri)"
    key_sum="$(sum "$private")"
    chmod u+w "$private" && rm -f "$private"
    check "swapped shares are refused" 1 "$(run restore-key "$maker" "$user" "$private")"
    contains "with the refusal" err.txt "The private key could not be restored from the half keys."
    [ ! -e "$private" ]; check "and nothing is written" 0 $?
    check "restore-key rebuilds the lost key" 0 "$(run restore-key "$user" "$maker" "$private")"
    check "byte for byte" "$key_sum" "$(sum "$private")"
    check "read-only for the owner" 400 "$(stat -c %a "$private")"
    check "an existing file is never replaced" 1 "$(run restore-key "$user" "$maker" "$private")"
    check "the restored key decrypts" 0 "$(run decrypt a.txt.tza)"
    check "the plaintext" "secret text" "$(cat a.txt)"
    ;;
jobs)
    # --jobs chooses the batch's workers; every number gives the same files.
    make_keys
    mkdir src
    for i in 1 2 3 4 5 6; do printf 'file %s\n' "$i" > "src/f$i.txt"; done
    mkdir one-per-core
    check "--jobs 0 is one per core" 0 "$(run --yes --jobs 0 encrypt --self -o "$work/one-per-core" src)"
    mkdir serial parallel
    check "--jobs 1 encrypts one at a time" 0 "$(run --yes --jobs 1 encrypt --self -o "$work/serial" src)"
    check "--jobs 3 encrypts" 0 "$(run --yes --jobs 3 encrypt --self -o "$work/parallel" src)"
    check "all six each time" 6 "$(ls parallel | wc -l)"
    contains "and says so" err.txt "6 files succeeded encryption."
    mkdir back
    check "--jobs 3 decrypts" 0 "$(run --yes --jobs 3 decrypt --output "$work/back" parallel/*.tza)"
    for i in 1 2 3 4 5 6; do check "f$i.txt comes back" "file $i" "$(cat "back/f$i.txt")"; done
    check "a negative count is a usage error" 2 "$(run --jobs -1 keys)"
    [ ! -e home/Values.dat ] || ! grep -q "BatchWorkers=3" home/Values.dat; check "--jobs is not saved" 0 $?
    ;;
*)
    echo "unknown case $case_name"; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then echo "$failures check(s) failed"; exit 1; fi
