# bash completion for tarnwick-cli: the commands, each command's options, the
# values of --in, folders after -C and --output, and .h4r archives elsewhere.
_tarnwick_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local commands="list test print extract update create compact help"
  local selection="--include --exclude --match --in --compressed-only --case-sensitive"
  if [ "$COMP_CWORD" -eq 1 ]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi
  case $prev in
    --in) COMPREPLY=($(compgen -W "name path both" -- "$cur")); return ;;
    -C | --output) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    -o | create) COMPREPLY=($(compgen -f -X '!*.[hH]4[rR]' -- "$cur")); return ;;
    --include | --exclude | --match | --jobs | -j | --level | --store) return ;;
  esac
  local options
  case ${COMP_WORDS[1]} in
    list) options="--stored-paths --long -l --json $selection" ;;
    test) options="--stored-paths --quiet -q --jobs -j $selection" ;;
    print) options="--stored-paths $selection" ;;
    extract)
      options="--stored-paths --keep-empty --overwrite --skip-existing --touch -m --quiet -q --jobs -j"
      options="$options -C --output"
      options="$options $selection" ;;
    update) options="--stored-paths --level -o --output --add --dry-run --quiet -q" ;;
    create) options="--stored-paths --level --store --jobs -j --quiet -q" ;;
    compact) options="-o --output --quiet -q" ;;
    help) COMPREPLY=($(compgen -W "list test print extract update create compact" -- "$cur")); return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options --help --" -- "$cur"))
  else
    # Archives, and folders: on the way to an archive, or as OUTDIR and DIR.
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -X '!*.[hH]4[rR]' -- "$cur") $(compgen -d -- "$cur"))
  fi
}
complete -F _tarnwick_cli tarnwick-cli
