# bash completion for tonnix

_tonnix() {
  local cur prev words cword
  _init_completion || return
  local commands="sets import export theme remove convert baseline assign selection play run quit catalogue mappings update-keys help"

  if [[ $cword -eq 1 ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      _filedir
    fi
    return
  fi
  if [[ $cur == -* ]]; then
    case ${words[1]} in
      export) COMPREPLY=($(compgen -W "--replace --help" -- "$cur")) ;;
      theme) COMPREPLY=($(compgen -W "--with-feedback --help" -- "$cur")) ;;
      run) COMPREPLY=($(compgen -W "--monitor --simulate --help" -- "$cur")) ;;
      *) COMPREPLY=($(compgen -W "--help" -- "$cur")) ;;
    esac
    return
  fi
  local sets codes
  case ${words[1]} in
    import | convert) _filedir ;;
    export) _filedir ;;
    theme) [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "export apply revert" -- "$cur")) ;;
    run) [[ $prev == --simulate ]] && _filedir ;;
    help) [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    baseline | remove)
      sets=$(tonnix sets 2>/dev/null | cut -f2)
      [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "$sets" -- "$cur"))
      ;;
    play | selection)
      codes=$(tonnix catalogue 2>/dev/null | cut -f1)
      [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "$codes" -- "$cur"))
      ;;
    assign)
      if [[ $cword -eq 2 ]]; then
        codes=$(tonnix catalogue 2>/dev/null | cut -f1)
        COMPREPLY=($(compgen -W "$codes" -- "$cur"))
      elif [[ $cword -eq 3 ]]; then
        sets=$(tonnix sets 2>/dev/null | cut -f2 | sed 's/^/set:/')
        COMPREPLY=($(compgen -W "baseline silent $sets" -- "$cur"))
        _filedir
      fi
      ;;
  esac
} &&
  complete -F _tonnix tonnix
