# bash completion for calderwynstrope-cli
_calderwynstrope_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="preview rename filters undo --help --version --data-dir"
    local options="-p --pattern -r --recurse -f --filters --case --underscores --periods --replace
        --match-case --whole-word --regex --append --strip --pad --flip --number --id3 --require-fields
        --counter --per-folder
        --save --tsv --no-undo --data-dir"

    case $prev in
        --data-dir)
            _filedir -d
            return
            ;;
        -f | --filters | --save)
            _filedir ren
            return
            ;;
        --case)
            COMPREPLY=($(compgen -W "sentence lower upper mixed toggle" -- "$cur"))
            return
            ;;
        -p | --pattern | --replace | --append | --strip | --pad | --flip | --number | --id3 | --counter)
            return
            ;;
    esac

    # The command is the first word that is not --data-dir or its folder.
    local i command="" data_dir=()
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == --data-dir ]]; then
            data_dir=(--data-dir "${words[i + 1]}")
            ((i++))
        elif [[ -z $command ]]; then
            command=${words[i]}
            local command_at=$i
        fi
    done

    case $command in
        "")
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            ;;
        preview | rename)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$options" -- "$cur"))
            else
                _filedir -d
            fi
            ;;
        filters)
            _filedir ren
            ;;
        undo)
            if ((cword == command_at + 1)); then
                COMPREPLY=($(compgen -W "list show run delete" -- "$cur"))
            elif ((cword == command_at + 2)) && [[ ${words[command_at + 1]} == @(show|run|delete) ]]; then
                local names
                names=$("${words[0]}" "${data_dir[@]}" undo list 2>/dev/null | cut -f1)
                COMPREPLY=($(compgen -W "$names" -- "$cur"))
            fi
            ;;
    esac
} &&
    complete -F _calderwynstrope_cli calderwynstrope-cli
