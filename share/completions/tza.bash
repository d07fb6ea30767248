# bash completion for tza, the Tessarin command-line tool.
_tza() {
    local cur prev words cword
    _init_completion 2>/dev/null || {
        COMPREPLY=()
        cur="${COMP_WORDS[COMP_CWORD]}"
        prev="${COMP_WORDS[COMP_CWORD - 1]}"
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }
    local commands="keygen auth add keys whoami use export qr encrypt decrypt info history wipe backup restore-key"
    local global="--lang --yes -y --no -n --overwrite --verbose -v --quiet -q --keys --name --help -h --version"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            --lang | --overwrite | --keys | --name) ((i++)) ;;
            -*) ;;
            *) command="${words[i]}"; break ;;
        esac
    done
    case "$prev" in
        --lang) COMPREPLY=($(compgen -W "ja en" -- "$cur")); return ;;
        --overwrite) COMPREPLY=($(compgen -W "all none" -- "$cur")); return ;;
        --unit) COMPREPLY=($(compgen -W "years weeks days hours minutes seconds" -- "$cur")); return ;;
        --limit)
            [ "$command" == auth ] && COMPREPLY=($(compgen -W "none month year end-of-year end-of-fiscal-year" -- "$cur"))
            return ;;
        --keys | --output | -o) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --save | --public) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --name | --email | --to | -t | --mail | --deadline) return ;;
    esac
    if [ -z "$command" ]; then
        if [[ "$cur" == -* ]]; then COMPREPLY=($(compgen -W "$global" -- "$cur")); else
            COMPREPLY=($(compgen -W "$commands" -- "$cur")); fi
        return
    fi
    local options="--help"
    case "$command" in
        keygen) options+=" --activate" ;;
        auth) options+=" --limit" ;;
        add) options+=" --name --email" ;;
        keys | whoami | info | history) options+=" --json" ;;
        qr) options+=" --save" ;;
        encrypt) options+=" --to -t --self --without-me --limit --unit --deadline --from-first-decryption --logs --output -o --wipe --mail --name" ;;
        decrypt) options+=" --output -o --recursive -r --stdout --keep-name --remove --authenticate-sender" ;;
        backup) options+=" --no-send" ;;
        restore-key) options+=" --public" ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options $global" -- "$cur"))
        return
    fi
    case "$command" in
        add | auth) COMPREPLY=($(compgen -f -X '!*.vpub' -- "$cur") $(compgen -d -- "$cur")) ;;
        decrypt) COMPREPLY=($(compgen -f -X '!*.[tT][zZ][aA]' -- "$cur") $(compgen -d -- "$cur")) ;;
        info | history) COMPREPLY=($(compgen -f -X '!*.[tT][zZ][aA]' -- "$cur") $(compgen -d -- "$cur")) ;;
        use | keygen) COMPREPLY=($(compgen -d -- "$cur")) ;;
        keys | whoami | export | qr | backup) ;;
        *) COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}
complete -o filenames -F _tza tza
