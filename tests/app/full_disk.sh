#!/usr/bin/env bash
# The built program against a real full file system and a real full console:
# a 16 KiB tmpfs for the storage file and the exports, /dev/full for standard
# output. Needs root to mount; elsewhere it says so and counts as skipped.
#
#   full_disk.sh QUILLOMATE DEFAULTS_FILE DESIGN_FILE STACK_FILE
set -u
program=$(realpath "$1") defaults=$(realpath "$2") design=$(realpath "$3") stack=$(realpath "$4")
work=$(mktemp -d)
full=$work/full
mkdir "$full"
cleanup() { umount "$full" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

failed=0
check() {  # check WHAT CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}

# /dev/full as the console: the command line and the dialogue.
"$program" analyse "$design" >/dev/full 2>"$work/err"
check "analyse to /dev/full exits 4" test $? -eq 4
check "analyse to /dev/full names standard output and the reason" \
  grep -q "cannot write standard output: No space left on device" "$work/err"
(cd "$work" && cp "$defaults" Quillomate.DEF && printf '\n\n\n\n\n\n\n\n\n\n4\n' | "$program" >/dev/full 2>err)
check "the dialogue to /dev/full exits 4" test $? -eq 4
check "the dialogue to /dev/full says why" grep -q "cannot write standard output: No space left on device" "$work/err"

# Outputs that are no regular file are written in place and never replaced:
# a named pipe read by cat; standard output, redirected to a file, given as -
# and as /dev/stdout names it (through a link of our own, so that a fault
# never reaches the system's /dev/stdout); a pipe closed early; and a device
# node of our own (mknod needs root; never the system's /dev/full).
"$program" analyse "$design" -q --touchstone "$work/file.s4p"
mkfifo "$work/pipe"
timeout 60 cat "$work/pipe" >"$work/from-pipe" &  # a program that never opens it cannot hang the test
reader=$!
"$program" analyse "$design" -q --touchstone "$work/pipe" 2>"$work/err"
check "analyse into a named pipe exits 0" test $? -eq 0
wait $reader
check "the pipe carried the file's bytes" cmp -s "$work/from-pipe" "$work/file.s4p"
check "the pipe is still a pipe" test -p "$work/pipe"
ln -s /proc/self/fd/1 "$work/stdout"
for out in - "$work/stdout"; do
  (cd "$work" && "$program" analyse "$design" -q --touchstone "$out" >"$work/stdout.s4p" 2>"$work/err")
  check "analyse --touchstone $out exits 0" test $? -eq 0
  check "analyse --touchstone $out gives the file's bytes" cmp -s "$work/stdout.s4p" "$work/file.s4p"
done
"$program" analyse "$design" -q --step 1 --touchstone "$work/stdout" 2>"$work/err" | head -c 300 >"$work/head"
check "a reader that stops early got the file's start" cmp -s "$work/head" <(head -c 300 "$work/file.s4p")
if mknod "$work/full-node" c 1 7 2>"$work/mknod"; then
  "$program" analyse "$design" -q --touchstone "$work/full-node" 2>"$work/err"
  check "analyse into a full device node exits 4" test $? -eq 4
  check "analyse into a full device node names it and the reason" \
    grep -qx "quillomate analyse: cannot write $work/full-node: No space left on device" "$work/err"
  check "the full node is still a character device" test -c "$work/full-node"
else
  echo "SKIPPED: a device node cannot be made here ($(cat "$work/mknod")): no device-node checks"
fi

if ! mount -t tmpfs -o size=16k quillomate-full "$full" 2>"$work/mount"; then
  echo "SKIPPED: a 16 KiB tmpfs cannot be mounted here ($(cat "$work/mount")): no full-disk checks"
  [ $failed -eq 0 ] && exit 77
  exit 1
fi

# The dialogue storing a 200,001-point report on the full disk: said, kept, ended.
cp "$defaults" "$full/Quillomate.DEF"
printf '3\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n1000\n201000\n1\n\n1\nbig.txt\n4\n' >"$work/typed"
(cd "$full" && "$program" <"$work/typed" >"$work/console" 2>"$work/err")
check "a full storage disk ends the dialogue with 4" test $? -eq 4
check "the error stream names the storage file and the reason" \
  grep -q "cannot write the storage file big.txt: No space left on device" "$work/err"
check "the console says so too" grep -q "Output Data storage failed: big.txt: No space left on device" "$work/console"
check "what fitted stays" test -s "$full/big.txt"
check "the dialogue went on to its menu" grep -q "OPERATION selected" "$work/console"
rm -f "$full/big.txt"

# The command line's exports on the full disk: a failure, and no file left.
for option in --touchstone --csv --plot --report; do
  "$program" analyse "$design" -q --step 1 "$option" "$full/out" 2>"$work/err"
  check "analyse $option on a full disk exits 4" test $? -eq 4
  check "analyse $option names the file and the reason" \
    grep -q "cannot write $full/out: No space left on device; the file was removed" "$work/err"
  check "analyse $option leaves no file, whole or partial" test -z "$(ls -A "$full" | grep -v Quillomate.DEF)"
done

# The artwork: the files are written together and kept together, or none is.
"$program" layout "$design" --stackup "$stack" --gerber "$full" --dxf "$full/c.dxf" --svg "$full/c.svg" \
  --kicad "$full/c.kicad_mod" >/dev/null 2>"$work/err"
check "layout on a full disk exits 4" test $? -eq 4
check "layout names the file, the reason, and keeps nothing" \
  grep -q "No space left on device; no artwork file was kept" "$work/err"
check "layout leaves no file, whole or partial" test -z "$(ls -A "$full" | grep -v Quillomate.DEF)"

[ $failed -eq 0 ] && echo "full disk: every check passed"
exit $failed
