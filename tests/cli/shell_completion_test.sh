#!/usr/bin/env bash
# quillmar-cli's completion in the three shells it writes scripts for, driven
# as each shell drives it: bash through bash-completion's loader and its
# word splitting, zsh through compinit in a pseudo-terminal (zpty), fish
# through `complete --do-complete`.
#
# Usage: shell_completion_test.sh PROGRAM [installed]
#   PROGRAM    the quillmar-cli to complete (and that the scripts ask for ports)
#   installed  use the scripts where the Debian package puts them instead of
#              writing them with PROGRAM into a directory of the test's own
# A shell that is not installed is skipped and said so, unless it is in
# QUILLMAR_COMPLETION_SHELLS (space separated), which makes it required.
set -uo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
mode=${2:-generated}
required=" ${QUILLMAR_COMPLETION_SHELLS:-} "
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash_script=/usr/share/bash-completion/completions/quillmar-cli
zsh_dir=/usr/share/zsh/vendor-completions
fish_script=/usr/share/fish/vendor_completions.d/quillmar-cli.fish
if [ "$mode" != installed ]; then
  mkdir -p "$work/zsh"
  bash_script=$work/quillmar-cli.bash
  zsh_dir=$work/zsh
  fish_script=$work/quillmar-cli.fish
  "$program" completion bash >"$bash_script" && "$program" completion zsh >"$zsh_dir/_quillmar-cli" \
    && "$program" completion fish >"$fish_script" || { echo "FAILED: quillmar-cli completion" >&2; exit 1; }
fi

# The program under its own name first on PATH, a port that is there (COM3)
# and one that is not (COM4), and files to complete.
mkdir -p "$work/bin" "$work/files/site" "$work/home"
ln -s "$program" "$work/bin/quillmar-cli"
touch "$work/com3" "$work/files/firmware.bin" "$work/files/fleet.csv"
export PATH="$work/bin:$PATH" HOME="$work/home" QUILLMAR_COM3="$work/com3" QUILLMAR_COM4="$work/missing"
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
cd "$work/files" || exit 1

passes=0
failures=0
# check SHELL LINE WANTED... [-- UNWANTED...]: the candidates for the last word
# of LINE hold every WANTED word and no UNWANTED one.
check() {
  local shell=$1 line=$2
  shift 2
  local got
  got=$("complete_$shell" "$line" 2>"$work/stderr")
  local wanted=1 word ok=1
  for word in "$@"; do
    if [ "$word" = -- ]; then wanted=0; continue; fi
    if printf '%s\n' "$got" | grep -qxF -- "$word"; then
      [ $wanted -eq 1 ] || ok=0
    else
      [ $wanted -eq 0 ] || ok=0
    fi
  done
  if [ $ok -eq 1 ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    {
      echo "FAILED: $shell: '$line' offers:"
      printf '  %s\n' $got
      sed 's/^/  (stderr) /' "$work/stderr"
    } >&2
  fi
}

# bash as bash-completion runs it: the script found by its loader, the words
# split at "=" and ":" as bash splits them, then joined again by the script.
complete_bash() {
  LINE=$1 SCRIPT=$bash_script MODE=$mode bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    if [ "$MODE" = installed ]; then __load_completion quillmar-cli; else source "$SCRIPT"; fi
    function=$(complete -p quillmar-cli | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
    COMP_LINE=$LINE COMP_POINT=${#LINE}
    COMP_WORDS=()
    read -ra spaced <<<"$LINE"
    [[ $LINE == *" " ]] && spaced+=("")
    for word in "${spaced[@]}"; do
      while [[ $word =~ ^([^=:]*)([=:])(.*)$ ]]; do
        [ -n "${BASH_REMATCH[1]}" ] && COMP_WORDS+=("${BASH_REMATCH[1]}")
        COMP_WORDS+=("${BASH_REMATCH[2]}")
        word=${BASH_REMATCH[3]}
      done
      [ -n "$word" ] || [ ${#COMP_WORDS[@]} -eq 0 ] || [[ ${COMP_WORDS[-1]} == [=:] ]] || COMP_WORDS+=("")
      [ -n "$word" ] && COMP_WORDS+=("$word")
    done
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    "$function" quillmar-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"
  '
}

# zsh with compinit in a pseudo-terminal: every match compadd is given is
# printed, with its suffix and between marks (the terminal may add its
# codes to a line), before it is added; a line of its own ends the list. The shell sources the set-up from a file, so that the terminal's echo
# of what is typed never holds the marks.
cat >"$work/zsh-setup" <<EOF
PROMPT= RPROMPT=
unsetopt zle_bracketed_paste 2>/dev/null
fpath=($zsh_dir \$fpath)
autoload -U compinit
compinit -u -D
zstyle ':completion:*' insert-tab false
compadd() {
  if [[ \${@[1,(i)(-|--)]} == *-(O|A|D)\\ * ]]; then
    builtin compadd "\$@"
    return
  fi
  local -a hits
  local suffix= at=\${@[(i)-S]}
  (( at < \$# )) && suffix=\${@[at+1]}
  builtin compadd -O hits "\$@"
  print -rl -- "MATCH<"\${^hits}\$suffix">"
  builtin compadd "\$@"
}
comppostfuncs=(quillmar_end)
quillmar_end() { print -r -- END-OF-MATCHES }
EOF
complete_zsh() {
  LINE=$1 SETUP=$work/zsh-setup timeout 30 zsh -f -c '
    zmodload zsh/zpty
    zpty shell zsh -f -i
    zpty -w shell "source $SETUP"
    zpty -w -n shell "$LINE"$'"'"'\t'"'"'
    zpty -r shell out "*END-OF-MATCHES*"
    print -r -- "$out" | grep -ao "MATCH<[^>]*>" | sed "s/^MATCH<//; s/>\$//"
    zpty -d shell
  '
}

# fish's own completion engine on the line. The installed script is found as
# fish finds it for a user: through the completion path its own configuration
# sets up, which --no-config leaves out; an empty home keeps a user's out.
complete_fish() {
  if [ "$mode" = installed ]; then
    LINE=$1 HOME=$work/home XDG_CONFIG_HOME=$work/home/.config fish -c '
      complete --do-complete "$LINE" | string replace -r "\t.*" ""
    '
  else
    LINE=$1 SCRIPT=$fish_script fish --no-config -c '
      source $SCRIPT
      complete --do-complete "$LINE" | string replace -r "\t.*" ""
    '
  fi
}

for shell in bash zsh fish; do
  if ! command -v "$shell" >/dev/null || { [ $shell = bash ] && [ ! -f /usr/share/bash-completion/bash_completion ]; }; then
    if [[ $required == *" $shell "* ]]; then
      echo "FAILED: $shell (or bash-completion) is not installed" >&2
      failures=$((failures + 1))
    else
      echo "skipped: $shell is not installed"
    fi
    continue
  fi
  check $shell "quillmar-cli con" config -- discover
  check $shell "quillmar-cli " discover config com usb reboot upgrade web log completion
  check $shell "quillmar-cli config s" set show -- export
  check $shell "quillmar-cli discover --fam" --family
  check $shell "quillmar-cli discover --family " 1 2
  check $shell "quillmar-cli config set 192.0.2.10 ss" ssid=
  check $shell "quillmar-cli config set 192.0.2.10 ip" ipAddress= ipMode= -- ssid=
  check $shell "quillmar-cli config set --all ip" ipAddress= ipMode=
  check $shell "quillmar-cli usb write t" -- tcpPort=
  check $shell "quillmar-cli com read --port " COM3 -- COM4
  check $shell "quillmar-cli upgrade 192.0.2.10 00:1f:7c:00:02:14 fi" firmware.bin -- fleet.csv
  check $shell "quillmar-cli completion " bash zsh fish
  # After a coded field's "=", its values: bash and zsh replace what follows
  # the "=", fish the whole word.
  if [ $shell = fish ]; then
    check $shell "quillmar-cli config set 192.0.2.10 authMode=WPA" authMode=WPAPSK authMode=WPA2PSK authMode=WPANONE
  else
    check $shell "quillmar-cli config set 192.0.2.10 authMode=WPA" WPAPSK WPA2PSK WPANONE -- OPEN
  fi
done
if [ $((passes + failures)) -eq 0 ]; then
  echo "no shell to test"
  exit 77
fi
echo "shell completion: $passes passed, $failures failed"
[ $failures -eq 0 ]
