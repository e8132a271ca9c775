# Bash completion of vorex-cli and vorex-sim: the commands of vorex-cli, the
# options of each command and the values of those that take one of a set,
# all read from the program's own --help, and file names.

# The option lines of "PROGRAM [COMMAND] --help": "NAME TYPE" per option, TYPE
# empty for a flag; "-q,--quiet" gives both names.
_vorex_options() {
  "$@" --help 2>/dev/null | sed -nE 's/^  +((-[a-zA-Z]),)?(--[a-z][a-z-]*)( ([^ ]+))?.*/\2 \5\n\3 \5/p' | sed '/^ /d'
}

_vorex() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local program=${COMP_WORDS[0]} command=()
  if [[ ${program##*/} == vorex-cli ]]; then
    if ((COMP_CWORD == 1)); then
      mapfile -t COMPREPLY < <(compgen -W "decode plot table eval vars --help --help-all --version" -- "$cur")
      return
    fi
    command=("${COMP_WORDS[1]}")
  fi
  local options
  options=$(_vorex_options "$program" "${command[@]}")
  # A value: after an option that takes one, or after "--name=" (one word
  # when "=" does not break words).
  local option=$prev value=$cur prefix=
  if [[ $cur == --*=* ]]; then
    option=${cur%%=*} value=${cur#*=} prefix=${cur%%=*}=
  elif [[ $prev == = ]]; then
    option=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  local type
  type=$(awk -v o="$option" '$1 == o { print $2 }' <<<"$options")
  if [[ -n $type ]]; then
    local set=
    if [[ $type == *\{*\}* ]]; then
      set=${type#*\{}
      set=${set%%\}*}
      mapfile -t COMPREPLY < <(compgen -P "$prefix" -W "${set//,/ }" -- "$value")
    elif [[ $type == FILE ]]; then
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -P "$prefix" -f -- "$value")
    fi
    return
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(cut -d' ' -f1 <<<"$options")" -- "$cur")
    return
  fi
  [[ ${command[0]} == eval ]] && return
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _vorex vorex-cli vorex-sim
