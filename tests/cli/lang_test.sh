#!/usr/bin/env bash
# The same tza runs (keygen, auth, add, keys, encrypt, decrypt, info, history
# and wipe, with a refusal or two) in English and in Japanese: the English
# run shows no Japanese characters (every name and address given is ASCII),
# and the Japanese run shows its messages in Japanese.
# Usage: lang_test.sh TZA
set -uo pipefail

tza="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessarin-lang-XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# run_all LANG: every command once, its standard output and error appended to
# $work/LANG/all.txt.
run_all() {
    local lang="$1" dir="$work/$1"
    mkdir -p "$dir" && cd "$dir" || exit 1
    local log="$dir/all.txt"
    n() { TESSARIN_HOME="$dir/north-home" "$tza" --lang "$lang" "$@" </dev/null >>"$log" 2>&1; }
    s() { TESSARIN_HOME="$dir/south-home" "$tza" --lang "$lang" "$@" </dev/null >>"$log" 2>&1; }
    n keygen "North Owner" north@example.com "$dir/north-keys"
    s keygen "South Owner" south@example.com "$dir/south-keys"
    mkdir -p inbox-n inbox-s
    cp south-keys/South_Owner.vpub inbox-n/
    cp north-keys/North_Owner.vpub inbox-s/
    n auth --limit year inbox-n/South_Owner.vpub
    s auth inbox-s/North_Owner.vpub
    s add "inbox-n/South_Owner))North_Owner-auth.vpub"
    n add "inbox-s/North_Owner))South_Owner-auth.vpub"
    printf 'not a key\n' > bogus.vpub
    n add bogus.vpub  # refused
    s keys
    printf 'letter\n' > letter.txt
    s encrypt letter.txt --to north@example.com --limit 2 --unit days --from-first-decryption --logs
    s encrypt letter.txt --to nobody@example.com  # no such recipient
    s --no encrypt letter.txt --to north@example.com  # the overwrite question, answered No
    n info letter.txt.tza
    n decrypt letter.txt.tza  # the output exists: the question is not answered
    rm -f letter.txt
    n decrypt letter.txt.tza
    n history letter.txt.tza
    n info letter.txt  # not a container
    n history letter.txt
    printf 'scrap\n' > scrap.txt
    n --yes wipe scrap.txt
    [ ! -e scrap.txt ] || fail "$lang: the wipe left the file"
    [ "$(cat letter.txt 2>/dev/null)" == "letter" ] || fail "$lang: the letter was not decrypted"
    cd "$work" || exit 1
}

run_all en
run_all ja

# Kana (hiragana, katakana) and kanji, and the full-width forms.
japanese='[\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF00}-\x{FFEF}]'
if grep -nP "$japanese" "$work/en/all.txt" >"$work/en-japanese.txt"; then
    fail "the English run shows Japanese text:"
    sed 's/^/     | /' "$work/en-japanese.txt"
else
    echo "ok   the English run shows no Japanese text"
fi
for word in "file length:" "Date" "Operation" "no key for recipient" "This file type is not TZA file or broken."; do
    if grep -qF -- "$word" "$work/en/all.txt"; then echo "ok   en: $word"; else fail "en: '$word' missing"; fi
done
for word in "ファイル長:" "日時" "操作" "新規作成" "復号" "有効期限" "宛先nobody@example.comの鍵がありません" \
    "TZAファイルでないかファイルが破損しています。"; do
    if grep -qF -- "$word" "$work/ja/all.txt"; then echo "ok   ja: $word"; else fail "ja: '$word' missing"; fi
done
# The Japanese run says nothing in English words of its own (paths, names,
# addresses and option names aside).
if grep -nE '\b(no key|not a|cannot|succeeded|File|Files|Overwrite|Do you|the container)\b' "$work/ja/all.txt" >"$work/ja-english.txt"; then
    fail "the Japanese run shows English text:"
    sed 's/^/     | /' "$work/ja-english.txt"
else
    echo "ok   the Japanese run shows no English messages"
fi

if [ "$failures" -ne 0 ]; then
    echo "--- English run"; cat "$work/en/all.txt"
    echo "--- Japanese run"; cat "$work/ja/all.txt"
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
