#!/usr/bin/env bash
# tza as a terminal user or a script meets it. Each case runs a table of
# commands: the exit status, a fragment of standard output or error, and the
# files expected afterwards; the progress line and the prompts are checked on
# a pseudo terminal.
# Usage: use_test.sh TZA CASE SOURCE_DIR
set -uo pipefail

tza="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
case_name="$2"
src="$(cd "$3" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessarin-use-XXXXXX")"
chmod 755 "$work"
[ -n "${KEEP:-}" ] || trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C.UTF-8
unset LANG LC_MESSAGES

failures=0
ok() { echo "ok   $1"; }
fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}

# as USER ARGS...: tza as north (n), south (s) or a user without a key set
# (x); nj, sj and xj are the same users in Japanese. Standard input comes from
# $input (default /dev/null); output in out.txt and err.txt.
as() {
    local user="$1" lang=en
    shift
    case "$user" in *j) lang=ja user="${user%j}" ;; esac
    TESSARIN_HOME="$work/$user-home" "$tza" --lang "$lang" "$@" <"${input:-/dev/null}" >out.txt 2>err.txt
}

# The case table, one command a line:
#   STATUS | STDIN | EXPECTED | FILES | USER ARGS...
# STDIN is a file for standard input or -; EXPECTED is a list of out:TEXT,
# err:TEXT, !out:TEXT or !err:TEXT separated by ";;" (or -); FILES lists
# paths that must exist, !PATH ones that must not (or -). ARGS are shell words.
table() {
    local line status stdin expected files cmd
    while IFS= read -r line; do
        [[ -z "${line// /}" || "$line" =~ ^[[:space:]]*# ]] && continue
        IFS='|' read -r status stdin expected files cmd <<<"$line"
        status="$(echo $status)" stdin="$(echo $stdin)" files="$(echo $files)"
        expected="$(sed 's/^ *//; s/ *$//' <<<"$expected")"
        local words
        eval "words=($cmd)"
        input=/dev/null
        [ "$stdin" != "-" ] && input="$stdin"
        as "${words[@]}"
        local got=$? what="${cmd# }"
        input=/dev/null
        if [ "$got" == "$status" ]; then ok "$what: status $status"; else
            fail "$what: status $got, expected $status"
            sed 's/^/     out| /' out.txt
            sed 's/^/     err| /' err.txt
        fi
        if [ "$expected" != "-" ]; then
            local rest="$expected" item
            while [ -n "$rest" ]; do
                item="${rest%%;;*}"
                [ "$item" == "$rest" ] && rest="" || rest="${rest#*;;}"
                item="$(sed 's/^ *//; s/ *$//' <<<"$item")"
                local negate="" stream="${item%%:*}" text="${item#*:}"
                [[ "$stream" == !* ]] && negate=1 stream="${stream#!}"
                local where=out.txt
                [ "$stream" == err ] && where=err.txt
                if grep -qF -- "$text" "$where"; then
                    [ -z "$negate" ] && ok "$what: $stream has '$text'" || fail "$what: $stream has '$text'"
                else
                    [ -n "$negate" ] && ok "$what: $stream lacks '$text'" || {
                        fail "$what: '$text' not in $stream:"
                        sed 's/^/     | /' "$where"
                    }
                fi
            done
        fi
        if [ "$files" != "-" ]; then
            local f
            for f in $files; do
                if [[ "$f" == !* ]]; then
                    [ ! -e "${f#!}" ] && ok "$what: no ${f#!}" || fail "$what: ${f#!} exists"
                else
                    [ -e "$f" ] && ok "$what: $f exists" || fail "$what: $f missing"
                fi
            done
        fi
    done
}

# North and south with key sets; north has authenticated south's public key
# and south has registered the auth key north made, so south can encrypt for
# north.
pair() {
    as n keygen "North Owner" north@example.com "$work/north-keys" || fail "north's keygen"
    as s keygen "South Owner" south@example.com "$work/south-keys" || fail "south's keygen"
    mkdir -p inbox-n
    cp south-keys/South_Owner.vpub inbox-n/
    as n auth --limit year inbox-n/South_Owner.vpub || fail "north's auth"
    as s add "inbox-n/South_Owner))North_Owner-auth.vpub" || fail "south's add"
}

# pty_check COLUMNS TRANSCRIPT: the progress line drawn into a pseudo
# terminal of that width was drawn in place, fits and is valid UTF-8.
pty_check() {
    python3 - "$1" "$2" <<'PY'
import re, sys, unicodedata
columns = int(sys.argv[1])
data = open(sys.argv[2], "rb").read()
try:
    text = data.decode("utf-8")
except UnicodeDecodeError as e:
    sys.exit("not UTF-8: %s" % e)
def width(s):
    return sum(0 if unicodedata.combining(c) else 2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in s)
draws = [d for d in re.findall(r"\r([^\r\n\x1b]*)\x1b\[K", text) if d]
if not draws:
    sys.exit("no progress line drawn")
wide = [d for d in draws if width(d) >= columns]
if wide:
    sys.exit("wider than %d columns: %r" % (columns, wide[0]))
if not any("%" in d for d in draws):
    sys.exit("no percentage: %r" % draws[:3])
# What is left after the redraws are taken out are the messages, each on a
# line of its own: no stale progress text among them.
rest = re.sub(r"\r[^\r\n\x1b]*\x1b\[K", "", text)
stale = [l for l in rest.splitlines() if "%" in l]
if stale:
    sys.exit("stale progress text: %r" % stale[0])
print("%d draws, widest %d" % (len(draws), max(width(d) for d in draws)))
PY
}

case "$case_name" in
usage_errors)
    touch f.tza
    table <<'EOF'
    2 | - | err:unknown option --too; did you mean --to? ;; !err:does not exist | - | x encrypt f.tza --too south@example.com
    2 | - | err:--output: out is not a folder ;; !err:FILE | - | x decrypt -o out f.tza
    2 | - | err:unknown command encryt; did you mean encrypt? ;; !err:subcommand | - | x encryt f
    2 | - | err:unknown option --recursiv; did you mean --recursive? | - | x decrypt --recursiv f.tza
    2 | - | err:--to needs a value | - | x encrypt f.tza --to
    0 | - | out:tza (Tessarin) | - | x --version
    2 | - | err:COMMAND is missing ;; err:'tza --help' lists the options. | - | x
    2 | - | err:SOURCE is missing ;; err:'tza encrypt --help' | - | x encrypt
    2 | - | err:--limit: abc is not a number | - | x encrypt --self --limit abc f.tza
    2 | - | err:--yes and --no cannot be given together | - | x --yes --no keys
    0 | - | out:Exit status: 0 when everything ;; out:--from-first-decryption ;; out:Usage: tza encrypt | - | x encrypt --help
    0 | - | out:終了ステータス ;; out:使い方: tza encrypt ;; !out:Encrypt files | - | xj encrypt --help
    2 | - | err:不明なオプション --too ;; err:--to のことですか? | - | xj encrypt f.tza --too a@b
    1 | - | err:no key set in use | - | x keys
EOF
    # Every help text of every command comes from the table in both
    # languages: no key of the help table shows instead of its text.
    for lang in en ja; do
        for cmd in "" $("$tza" --lang en --help | sed -n '/^Commands:/,/^$/p' | awk 'NR>1 && NF {print $1}'); do
            "$tza" --lang $lang $cmd --help >help.txt 2>&1 || fail "$lang $cmd --help fails"
            if grep -nE '(^|  )(cmd|opt|label|group|usage|[a-z-]+)\.[A-Za-z_-]+$' help.txt; then
                fail "$lang $cmd --help shows a help key"
            fi
            if [ $lang == ja ] && grep -nE '  [A-Z][a-z]+ [a-z]+ ' help.txt; then fail "ja $cmd --help shows English"; fi
        done
    done
    ok "every --help in both languages"
    ;;
add_owner)
    pair
    cp south-keys/South_Owner.vpub .
    printf 'for south\n' > x.txt
    printf 'for myself\n' > y.txt
    table <<'EOF'
    # Nothing is moved before name and e-mail are known.
    2 | - | err:Set User Name of This Public Key. ;; err:--name | South_Owner.vpub !north-keys/KeyList_North_Owner/South_Owner.vpub | n add South_Owner.vpub
    2 | - | err:Set E-mail Address of This Public Key. | South_Owner.vpub | n add South_Owner.vpub --name "South Owner"
    # --yes answers no service question: none is asked.
    0 | - | out:1 ;; !err:Ferrolo | north-keys/KeyList_North_Owner/South_Owner.vpub !South_Owner.vpub | n --yes add South_Owner.vpub --name "South Owner" --email South@Example.com
    0 | - | out:Name	E-mail	Key file ;; out:South Owner	South@Example.com	South_Owner.vpub | - | n keys
    # E-mail addresses match in any case; a key never authenticated is warned of.
    0 | - | err:warning: the key for south@EXAMPLE.com (South_Owner.vpub) is not authenticated | x.txt.tza | n encrypt x.txt --to south@EXAMPLE.com --without-me
    0 | - | !err:not authenticated | - | s --overwrite all encrypt x.txt --to NORTH@example.com
    # Without --to the own key alone is never assumed.
    2 | - | err:give --self to encrypt for yourself only | !y.txt.tza | n encrypt y.txt
EOF
    ;;
key_sets)
    as n keygen "North Owner" north@example.com "$work/north-keys"
    table <<'EOF'
    0 | - | out:name:        North Owner ;; out:e-mail:      north@example.com ;; out:fingerprint: | - | n whoami
    # A second key set does not silently become the one in use.
    0 | - | err:The key set in use is North_Owner ;; err:'tza use | other/Other.vpub | n keygen Other other@example.com other
    0 | - | out:North Owner | - | n whoami
    0 | - | !out:Other | - | n keys
    0 | - | out:name:        Other | - | n use other
    0 | - | out:Other | - | n whoami
    0 | - | out:North Owner | - | n use north-keys
    1 | - | err:no complete key pair Nobody | - | n use Nobody
    0 | - | out:Third | - | n keygen --activate Third third@example.com third
    0 | - | out:North Owner | - | n use north-keys
EOF
    # (the table cannot know the work folder: the folder line is checked here)
    as n use third >/dev/null && as n whoami
    grep -qF "folder:      $work/third" out.txt && ok "whoami names the folder" || fail "whoami folder: $(cat out.txt)"
    as n use north-keys
    as n whoami
    fingerprint="$(sed -n 's/^fingerprint: *//p' out.txt)"
    as n export
    [ "$(sed -n 1p out.txt)" == "$work/north-keys/North_Owner.vpub" ] && ok "export names the public key file" ||
        fail "export: $(cat out.txt)"
    [ "$(sed -n 2p out.txt)" == "$fingerprint" ] && ok "with whoami's fingerprint" || fail "export fingerprint"
    [[ "$fingerprint" =~ ^[0-9A-F]{4}\ [0-9A-F]{4}\ [0-9A-F]{4}\ [0-9A-F]{4}$ ]] && ok "in four groups" ||
        fail "fingerprint form '$fingerprint'"
    table <<'EOF'
    0 | - | out:▀ ;; out:▄ | qr.bmp | n qr --save qr.bmp
    1 | - | err:no key set in use | !none.bmp | x qr --save none.bmp
EOF
    [ "$(head -c 2 qr.bmp)" == "BM" ] && ok "the saved QR view is a bitmap" || fail "qr.bmp is no bitmap"
    ;;
exit_status)
    # South knows north's plain public key; north has south's registered
    # under another spelling of the address, so decrypting offers to renew it.
    as n keygen "North Owner" north@example.com "$work/north-keys"
    as s keygen "South Owner" south@example.com "$work/south-keys"
    cp north-keys/North_Owner.vpub south-keys/South_Owner.vpub .
    as n add South_Owner.vpub --name "South Owner" --email South@Example.com
    as s add North_Owner.vpub --name North --email north@example.com
    mkdir -p folder && printf 'one\n' > folder/one.txt
    as n encrypt --self folder/one.txt
    printf 'two\n' > folder/two.txt
    printf 'for north\n' > fn.txt
    table <<'EOF'
    # A container met inside a folder is reported and skipped, not failed.
    0 | - | err:one.txt.tzahas already encrypted. ;; out:two.txt.tza | folder/two.txt.tza | n --overwrite all encrypt --self folder
    # The item asked for itself still fails.
    1 | - | err:has already encrypted | - | n encrypt --self folder/one.txt.tza
    0 | - | - | fn.txt.tza | s encrypt fn.txt --to north@example.com --without-me
EOF
    rm fn.txt
    table <<'EOF'
    # The file is written: the offer to renew the sender's entry that nobody
    # answers does not fail the decryption.
    0 | - | err:Do you renew KeyChainList? ;; out:fn.txt | fn.txt | n decrypt fn.txt.tza
    # A question that decides the item still does.
    1 | - | err:Overwrite for same name file. | - | n decrypt fn.txt.tza
EOF
    ;;
decrypt_more)
    as n keygen "North Owner" north@example.com "$work/north-keys"
    mkdir -p in/sub out out2 empty
    printf 'a\n' > in/a.txt
    printf 'b\n' > in/sub/b.txt
    as n encrypt --self in/a.txt in/sub/b.txt
    rm in/a.txt in/sub/b.txt
    chmod 555 in in/sub
    table <<'EOF'
    0 | - | out:out/a.txt | out/a.txt !out/b.txt !in/a.txt | n decrypt in -o out
    0 | - | - | out2/a.txt out2/b.txt !in/sub/b.txt | n decrypt --recursive in -o out2
    1 | - | err:empty holds no .tza files | - | n decrypt empty
    2 | - | err:out3 is not a folder | - | n decrypt in -o out3
EOF
    [ "$(cat out2/b.txt)" == "b" ] && ok "the subfolder's container decrypted" || fail "out2/b.txt"
    ;;
json)
    pair
    printf 'letter\n' > l.txt
    as s encrypt l.txt --to north@example.com --logs
    for cmd in "keys" "whoami" "info l.txt.tza" "history l.txt.tza"; do
        as n $cmd --json
        if python3 -c 'import json,sys; json.load(open("out.txt"))' 2>/dev/null; then ok "$cmd --json is JSON"; else
            fail "$cmd --json: $(cat out.txt)"
        fi
    done
    as n whoami --json
    python3 -c 'import json; d=json.load(open("out.txt")); assert d["email"]=="north@example.com" and d["name"]=="North Owner", d' &&
        ok "whoami --json fields" || fail "whoami --json fields"
    as n info l.txt.tza --json
    python3 -c 'import json; d=json.load(open("out.txt")); assert d["storedName"]=="l.txt" and d["history"] is True, d' &&
        ok "info --json fields" || fail "info --json fields"
    as n history l.txt.tza --json
    python3 -c 'import json; d=json.load(open("out.txt")); assert d["records"][0]["operation"]=="Created", d' &&
        ok "history --json records" || fail "history --json records"
    as n keys --json
    python3 -c 'import json; d=json.load(open("out.txt")); assert any(k["authenticated"] for k in d), d' &&
        ok "keys --json marks authenticated keys" || fail "keys --json"
    ;;
pipes)
    as n keygen "North Owner" north@example.com "$work/north-keys"
    mkdir -p tmp
    export TMPDIR="$work/tmp"
    printf 'piped text\n' > plain.txt
    table <<'EOF'
    0 | plain.txt | !out:plain | !plain.txt.tza | n encrypt - --name note.txt --self -o -
EOF
    cp out.txt note.txt.tza
    table <<'EOF'
    0 | - | out:piped text | !note.txt | n decrypt --stdout note.txt.tza
    0 | plain.txt | out:stored.txt.tza | stored.txt.tza | n encrypt - --name stored.txt --self
    0 | - | out:stored.txt | - | n info stored.txt.tza
    2 | plain.txt | err:reading standard input needs --name | - | n encrypt - --self
    2 | plain.txt | err:reading standard input needs --name | - | n encrypt - --self --name ../up.txt
    2 | - | err:--stdout takes one file only | - | n decrypt --stdout note.txt.tza stored.txt.tza
    2 | - | err:--output - takes one file only | - | n encrypt --self -o - plain.txt note.txt.tza
EOF
    as n decrypt --stdout note.txt.tza
    cmp -s out.txt plain.txt && ok "the pipe round trip keeps the bytes" || fail "the pipe round trip"
    [ -z "$(ls -A tmp)" ] && ok "nothing is left in the temporary folder" || fail "left in tmp: $(ls -A tmp)"
    ;;
prompts)
    # Questions on a terminal take the answer words of the interface language.
    as n keygen "North Owner" north@example.com "$work/north-keys"
    printf 'x\n' > w1.txt
    printf 'x\n' > w2.txt
    printf 'x\n' > w3.txt
    printf 'x\n' > w4.txt
    h() { TESSARIN_HOME="$work/n-home" python3 "$here/pty_run.py" --input "$1" 80 tr.bin "$tza" "${@:2}"; }
    h "はい" --lang ja wipe w1.txt >/dev/null
    [ ! -e w1.txt ] && ok "ja: はい answers Yes" || fail "ja: はい did not wipe"
    grep -qF "[y(はい)/n(いいえ)]" tr.bin && ok "ja: the prompt shows the words" || fail "ja prompt: $(cat tr.bin)"
    h "no" --lang en wipe w2.txt >/dev/null
    status=$?
    [ -e w2.txt ] && [ $status == 1 ] && ok "en: no keeps the file and fails" || fail "en: no ($status)"
    grep -qF "[y/n]" tr.bin && ok "en: the prompt shows [y/n]" || fail "en prompt"
    h "2" --lang en wipe w3.txt w4.txt >/dev/null
    [ ! -e w3.txt ] && [ ! -e w4.txt ] && ok "[1-4]: 2 answers all" || fail "[1-4] answer 2"
    grep -qF "[1-4]" tr.bin && ok "the choice prompt shows [1-4]" || fail "choice prompt"
    h "yes" --lang en keygen Other other@example.com "$work/other" >/dev/null
    as n whoami
    grep -qF "Other" out.txt && ok "keygen asked on a terminal: yes switches" || fail "keygen yes: $(cat out.txt)"
    ;;
progress)
    as n keygen "North Owner" north@example.com "$work/north-keys"
    mkdir -p 日本語
    name="日本語/とても長い日本語のファイル名で端末の幅を確かめるためのもの.bin"
    head -c 64M /dev/zero > "$name"
    head -c 64M /dev/zero > big.bin
    p() { TESSARIN_HOME="$work/n-home" python3 "$here/pty_run.py" "$@"; }
    for columns in 80 40; do
        p $columns enc.bin "$tza" --lang ja --overwrite all encrypt --self big.bin 日本語 >/dev/null ||
            fail "$columns: encrypt"
        msg="$(pty_check $columns enc.bin)" && ok "$columns columns, encryption: $msg" || fail "$columns, encryption: $msg"
        p $columns dec-$columns.bin "$tza" --lang en --overwrite all decrypt big.bin.tza >/dev/null ||
            fail "$columns: decrypt"
        msg="$(pty_check $columns dec-$columns.bin)" && ok "$columns columns, decryption: $msg" || fail "$columns, decryption: $msg"
    done
    grep -qF "MiB of 64.0 MiB" dec-80.bin && grep -qF "MiB/s" dec-80.bin && grep -qF " left" dec-80.bin &&
        ok "bytes done and in all, rate and time left are shown" || fail "no byte counts"
    grep -qE '[.]{3}[^ ]*ためのもの[.]bin' enc.bin &&
        ok "the Japanese name is cut from the front" || fail "no cut Japanese name"
    cp big.bin wipe.bin
    p 60 wipe.txt "$tza" --lang en --yes wipe wipe.bin >/dev/null || fail "wipe"
    msg="$(pty_check 60 wipe.txt)" && ok "wipe passes show progress: $msg" || fail "wipe progress: $msg"
    grep -qF "of 640.0 MiB" wipe.txt && ok "ten passes in all" || fail "wipe total"
    p 80 quiet.bin "$tza" --lang en -q --overwrite all decrypt big.bin.tza >/dev/null
    grep -q $'\e\[K' quiet.bin && fail "-q still draws a progress line" || ok "-q draws none"
    ;;
docs)
    # The man page and the completions know every command; the README's
    # walk-through runs as written, each person in a home of their own.
    commands="$("$tza" --lang en --help | sed -n '/^Commands:/,/^$/p' | awk 'NR>1 && NF {print $1}')"
    for c in $commands; do
        grep -q "^\.SS $c\b" "$src/doc/tza.1" && ok "man page: $c" || fail "man page lacks $c"
        grep -qw -- "$c" "$src/share/completions/tza.bash" && ok "bash: $c" || fail "bash completion lacks $c"
        grep -qw -- "$c" "$src/share/completions/_tza" && ok "zsh: $c" || fail "zsh completion lacks $c"
    done
    for code in "0" "1" "2"; do
        grep -q "^\.IP $code\b" "$src/doc/tza.1" && ok "man page: exit status $code" || fail "man page exit $code"
    done
    bash -n "$src/share/completions/tza.bash" && ok "the bash completion parses" || fail "bash completion syntax"
    complete_words() {  # complete_words WORD...: what the bash completion offers for the last word
        bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tza; echo " ${COMPREPLY[*]} "' \
            _ "$src/share/completions/tza.bash" "$@"
    }
    [[ "$(complete_words tza enc)" == *" encrypt "* ]] && ok "bash completes commands" || fail "bash: enc"
    [[ "$(complete_words tza --lang "")" == " ja en " ]] && ok "bash completes --lang" || fail "bash: --lang"
    [[ "$(complete_words tza decrypt --re)" == *" --recursive "*"--remove "* ]] && ok "bash completes options" ||
        fail "bash: decrypt --re"
    mkdir -p bin north south
    ln -s "$tza" bin/tza
    # Blocks marked <!-- walkthrough PERSON --> run in order in PERSON's
    # home; "# send FILES to PERSON" hands files over.
    python3 - "$src/README.md" "$work" <<'PY' > walk.sh
import re, shlex, sys
readme = open(sys.argv[1], encoding="utf-8").read()
work = sys.argv[2]
blocks = re.findall(r"<!-- walkthrough (\w+) -->\s*```[a-z]*\n(.*?)```", readme, re.S)
if not blocks:
    sys.exit("no walk-through in the README")
print("set -e")
for person, body in blocks:
    home = "%s/%s" % (work, person.lower())
    print("cd %s; export HOME=%s" % (shlex.quote(home), shlex.quote(home)))
    for line in body.splitlines():
        m = re.match(r"\s*# send (.+) to (\w+)\s*$", line)
        if m:
            print("cp %s %s/" % (m.group(1), shlex.quote("%s/%s" % (work, m.group(2).lower()))))
        elif line.strip():
            print(line)
PY
    printf 'quarterly figures\n' > south/report.pdf
    if PATH="$work/bin:$PATH" bash walk.sh >walk-out.txt 2>&1; then ok "the README walk-through runs"; else
        fail "the README walk-through:"
        sed 's/^/     | /' walk-out.txt
    fi
    [ "$(cat north/received/report.pdf 2>/dev/null)" == "quarterly figures" ] && ok "north has south's report" ||
        fail "north did not receive the report"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
