# bash completion for corvane: commands, their options, global options and port names.
_corvane() {
  local cur prev words cword
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local commands="info show set set-device tare read acquire record db save load shunt-cal ports"
  local globals="--port --devices --baud --timeout --log --lang --json --quiet -q --version --help"
  case $prev in
    --port)
      COMPREPLY=($(compgen -W "sim offline COM1 COM2 COM3 COM4 COM5 COM6 LPT1 LPT2 tcp: usb: yalplus:sim yalplus:COM1 $(ls /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* 2>/dev/null)" -- "$cur"))
      return ;;
    --lang) COMPREPLY=($(compgen -W "en de" -- "$cur")); return ;;
    --trigger) COMPREPLY=($(compgen -W "immediate software external internal" -- "$cur")); return ;;
    --trigger-condition) COMPREPLY=($(compgen -W "ge le rising falling" -- "$cur")); return ;;
    --log|--output|--plot|--meta|--db|--online|save|load|db) COMPREPLY=($(compgen -f -- "$cur")); return ;;
  esac
  # The command of the current "+" segment.
  local i command=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} == "+" ]]; then
      command=""
    elif [[ -z $command && " $commands " == *" ${COMP_WORDS[i]} "* ]]; then
      command=${COMP_WORDS[i]}
    fi
  done
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$globals" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi
  local options="--help"
  case $command in
    show) options+=" --channels" ;;
    read) options+=" --count --interval --channels --csv --output" ;;
    acquire) options+=" --rate --scans --duration --channels --trigger --trigger-channel --trigger-level --trigger-condition --pretrigger --wait --output --plot --meta" ;;
    record) options+=" --channels --rate --duration --max-duration --formula --db --online --force" ;;
    db) options+=" --output" ;;
    load) options+=" --force" ;;
    set) [[ $COMP_CWORD -ge 2 && ${COMP_WORDS[COMP_CWORD-2]} == set ]] && { COMPREPLY=($(compgen -W "amplifier name state transducer range filter tare digital shunt" -- "$cur")); return; } ;;
    set-device) [[ $prev == set-device ]] && { COMPREPLY=($(compgen -W "rate filter-type filter-frequency channels name" -- "$cur")); return; } ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    COMPREPLY=($(compgen -W "+" -- "$cur"))
  fi
}
complete -o default -F _corvane corvane
