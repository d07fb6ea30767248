#!/usr/bin/env bash
# A round trip with tza alone, in a fresh temporary folder: two users make key
# sets and authenticate each other's public keys, south encrypts a folder for
# north with a time limit and a history, north decrypts it and shows the
# history. Prints what it does; the last line says whether it worked.
# Usage: roundtrip.sh [path/to/tza]
set -euo pipefail

tza="${1:-$(dirname "$0")/../build/src/cli/tza}"
tza="$(cd "$(dirname "$tza")" && pwd)/$(basename "$tza")"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessarin-roundtrip-XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

step() { printf '\n== %s\n' "$*"; }
fail() { printf '\nROUND TRIP FAILED: %s\n' "$*"; exit 1; }
as_north() { TESSARIN_HOME="$work/north-home" "$tza" --lang en --yes "$@"; }
as_south() { TESSARIN_HOME="$work/south-home" "$tza" --lang en --yes "$@"; }

step "north and south make their key sets"
as_north keygen "North Owner" north@example.com "$work/north-keys"
as_south keygen "South Owner" south@example.com "$work/south-keys"

step "they exchange public keys and authenticate each other's"
mkdir -p north-inbox south-inbox
cp south-keys/South_Owner.vpub north-inbox/
cp north-keys/North_Owner.vpub south-inbox/
as_north auth --limit year north-inbox/South_Owner.vpub
as_south auth south-inbox/North_Owner.vpub

step "each registers the auth key the other made"
as_south add "north-inbox/South_Owner))North_Owner-auth.vpub"
as_north add "south-inbox/North_Owner))South_Owner-auth.vpub"
as_south keys

step "south encrypts a folder for north: a 2-day limit from the first decryption, with a history"
mkdir -p letters/photos
printf 'Dear north,\nthe keys work.\n' > letters/note.txt
head -c 2500000 /dev/urandom > letters/photos/picture.bin
cp -r letters originals
as_south encrypt letters --to north@example.com --limit 2 --unit days --from-first-decryption --logs \
  --output "$work" --wipe
[ ! -e letters/note.txt ] && [ ! -e letters/photos/picture.bin ] || fail "the sources were not wiped"
ls -l ./*.tza

step "north looks at a container and decrypts both"
as_north info note.txt.tza
mkdir -p received && mv ./*.tza received/
as_north decrypt received/note.txt.tza received/picture.bin.tza
cmp received/note.txt originals/note.txt || fail "note.txt differs"
cmp received/picture.bin originals/photos/picture.bin || fail "picture.bin differs"

step "north shows the history"
as_north history received/note.txt.tza | tee history.txt
grep -q "Created.*South Owner" history.txt || fail "no created record"
grep -q "Decrypted.*North Owner" history.txt || fail "no decrypted record"

printf '\nROUND TRIP OK: two key sets, mutual authentication, a limited and logged folder encrypted, decrypted and its history shown\n'
