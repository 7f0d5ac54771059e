# fish completion for tonnix

set -l commands sets import export theme remove convert baseline assign selection play run quit catalogue mappings update-keys help

complete -c tonnix -f
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -F
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -l help -d 'Print help'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a sets -d 'List the installed sound sets'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a import -d 'Install sound sets and classic sound set files'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a export -d 'Save every sound that plays now as a new set'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a theme -d 'Write, apply or revert the desktop sound theme'
complete -c tonnix -n "__fish_seen_subcommand_from theme; and not __fish_seen_subcommand_from export apply revert" -f -a 'export apply revert'
complete -c tonnix -n "__fish_seen_subcommand_from theme" -l with-feedback -d 'Also the menu, button and window sounds'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a remove -d 'Move an installed set to the trash'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a convert -d 'Convert a classic sound set file'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a baseline -d 'Print or choose the baseline set'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a assign -d 'Choose what one event plays'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a selection -d 'Print what each event plays'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a play -d "Play an event's sound"
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a run -d 'Listen to the desktop without a window'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a quit -d 'End the Tonnix of this session'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a catalogue -d 'Print every sound Tonnix knows'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a mappings -d 'Print what each notification plays'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a update-keys -d 'Make the update signing key or sign an update'
complete -c tonnix -n "not __fish_seen_subcommand_from $commands" -a help -d 'Print help for a command'

complete -c tonnix -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Print help'
complete -c tonnix -n "__fish_seen_subcommand_from import convert export" -F
complete -c tonnix -n "__fish_seen_subcommand_from export" -l replace -d 'Replace what is there already'
complete -c tonnix -n "__fish_seen_subcommand_from run" -l monitor -d 'Print each event heard'
complete -c tonnix -n "__fish_seen_subcommand_from run" -l simulate -r -F -d 'Play a made-up desktop'
complete -c tonnix -n "__fish_seen_subcommand_from baseline remove" -a "(tonnix sets 2>/dev/null | cut -f2)"
complete -c tonnix -n "__fish_seen_subcommand_from play selection assign" -a "(tonnix catalogue 2>/dev/null | cut -f1,3)"
complete -c tonnix -n "__fish_seen_subcommand_from assign" -a "baseline silent (tonnix sets 2>/dev/null | cut -f2 | sed 's/^/set:/')" -F
complete -c tonnix -n "__fish_seen_subcommand_from help" -a "$commands"
