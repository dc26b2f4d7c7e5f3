#!/usr/bin/env bash
# Drives the built program in a real pseudo-terminal (tmux), as a user would:
# the default road of a symmetrical synthesis with its report, then the strip
# dimensions, then the end of the program. Checks that every answer appears on
# its prompt's line (the terminal's own echo ends the line, the program adds
# nothing), that the reports reach the screen, and that the exit status is 0.
#
# usage: default_road.sh QUILLOMATE DEFAULTS_FILE [TMUX]
set -euo pipefail

bin=$(realpath "$1")
defaults=$(realpath "$2")
tmux_bin=${3:-tmux}
limit=10          # seconds allowed for any one prompt to appear

work=$(mktemp -d "${TMPDIR:-/tmp}/quillomate-terminal.XXXXXX")
# A private tmux server whose socket lives in the temporary folder, so that
# neither the user's tmux nor a stale socket is ever touched.
socket="quillomate-terminal-$$"
export TMUX_TMPDIR=$work
unset TMUX
t() { "$tmux_bin" -L "$socket" -f "$work/tmux.conf" "$@"; }
cleanup() {
  t kill-server >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "FAIL: unexpected error at line $LINENO" >&2' ERR

screen() { t capture-pane -p -J -t road -S - -E -; }

fail() {
  echo "FAIL: $*" >&2
  echo "---- screen ----" >&2
  screen >&2 || true
  echo "----------------" >&2
  exit 1
}

run="$work/run"   # the program's working folder
mkdir "$run"
cp "$defaults" "$run/Quillomate.DEF"
printf 'set -g history-limit 20000\nset -g remain-on-exit on\n' >"$work/tmux.conf"
# Wide enough that no report line wraps; the exit status lands in a file.
t new-session -d -s road -x 160 -y 60 -c "$run" \
  "cd '$run' && '$bin'; echo \$? > '$work/exit-status'"

# How often each prompt has been answered so far: the same prompt text comes
# back (menus share "Enter integer value from above list ="), so waiting for a
# prompt means waiting for one more occurrence of it, at the end of the screen.
declare -A seen=()

# Waits until the screen ends with one more occurrence of the prompt.
wait_prompt() {
  local prompt=${1% }   # the capture drops the prompt's trailing blank
  local want=$(( ${seen[$prompt]:-0} + 1 ))
  local deadline=$(( SECONDS + limit ))
  while :; do
    local text last count
    # The screen is empty until the program has started: no match is no error.
    text=$( (screen || true) | sed -e 's/[[:space:]]*$//')
    last=$(awk 'NF { l = $0 } END { print l }' <<<"$text")
    count=$( (grep -o -F -- "$prompt" <<<"$text" || true) | wc -l)
    if [[ $last == *"$prompt" && $count -ge $want ]]; then
      seen[$prompt]=$want
      return 0
    fi
    (( SECONDS < deadline )) || fail "prompt \"$prompt\" (occurrence $want) did not appear"
    sleep 0.02
  done
}

# answer PROMPT [TEXT]: waits for the prompt and types TEXT (or just Enter).
answer() {
  wait_prompt "$1"
  if [[ -n ${2:-} ]]; then t send-keys -t road -l -- "$2"; fi
  t send-keys -t road Enter
}

expect_screen() {
  screen | grep -q -F -- "$1" || fail "screen does not show \"$1\""
}

# The default road: symmetrical synthesis, every other answer left empty.
answer "Program FUNCTION selected = " 1
answer "Lowest  Operating Frequency, MHz = "
answer "Highest Operating Frequency, MHz = "
answer "Enter integer value from above list = "        # coupling level
answer "Enter integer value from above list = "        # ripple
answer "Impedance level of the Coupler: Zo,Ohms = "
answer "Relative Dielectric Constant in Coupler = "
answer "Enter integer value from above list = "        # phase velocity
answer "Enter integer value from above list = "        # loss
answer "Analysis Start Frequency, MHz = "
answer "Analysis Stop  Frequency, MHz = "
answer "Analysis Step  Frequency, MHz = "
answer "Print FORMAT selected = "
answer "Is Output Data STORAGE desired? (1=YES)  = "
wait_prompt "OPERATION selected = "

# The typed answer sits on its prompt's line; empty answers leave the prompt alone.
expect_screen "Program FUNCTION selected = 1"
screen | grep -q -E -- '- Lowest  Operating Frequency, MHz = *$' \
  || fail "the empty answer's line holds more than its prompt"
expect_screen "Number of coupled sections needed: N = 3 for your  8.34 dB coupler."
expect_screen "Frequency Response of your Directional Coupler:"
expect_screen "         2000.000   1.000   -9.715  -90.00   -0.490    90.00    0.000"
expect_screen "         6000.000   1.000   -8.643  -90.00   -0.638    90.00    0.000"
expect_screen "        10000.000   1.000   -9.715  -90.00   -0.490    90.00   -0.000"

# Strip dimensions with the defaults file's B and S and the default overlap.
t send-keys -t road -l -- 3
t send-keys -t road Enter
answer "Coupler\`s Ground Plane Spacing: B, Inches      = "
answer "Spacing between top and bottom strips: S,Inches= "
answer "Select desired overlap design from above list = "
wait_prompt "OPERATION selected = "
expect_screen "OPERATION selected = 3"
expect_screen "      Section  Strip   Strip   Strip   Strip  | Strip   Strip   Strip   Strip"
expect_screen "Maximum usable operating frequency ="
expect_screen "1. Change dimensional parameters & re-synthesize."

# Enter at the dimension menu ends the program.
t send-keys -t road Enter
deadline=$(( SECONDS + limit ))
until [[ -s $work/exit-status ]]; do
  (( SECONDS < deadline )) || fail "the program did not end"
  sleep 0.02
done
status=$(<"$work/exit-status")
[[ $status == 0 ]] || fail "exit status $status, expected 0"
leftover=$(cd "$run" && ls -A | grep -v -x -e Quillomate.DEF || true)
[[ -z $leftover ]] || fail "files left in the working folder: $leftover"
echo "terminal default road: OK"
