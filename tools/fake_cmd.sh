#!/bin/bash
# Stand-in for a user's command file in tests: writes a report, sleeps, exits with a chosen code.
#
# Options (each may also come from the environment; an option wins):
#   --out FILE            FAKE_CMD_OUT         write "key=value" lines: pid, pgid, cwd, stdin and stdout
#                                              targets, open descriptors, NLS_LANG and FAKE_CMD_PROBE
#                                              as the child sees them
#   --args-file FILE      FAKE_CMD_ARGS_FILE   write every argument as given, each ended by a NUL byte
#   --sleep SECONDS       FAKE_CMD_SLEEP       sleep this long before exiting (fractions allowed)
#   --exit CODE           FAKE_CMD_EXIT        exit with this code (default 0)
#   --grandchild PIDFILE  FAKE_CMD_GRANDCHILD  start a long sleeper in the background first and
#                                              write its pid to PIDFILE
#   --ignore-term         FAKE_CMD_IGNORE_TERM=1  ignore SIGTERM (so do the grandchildren)
#   --stubborn-grandchild FAKE_CMD_STUBBORN=1  the grandchild alone ignores SIGTERM
#   --setsid-grandchild PIDFILE  FAKE_CMD_SETSID_GRANDCHILD  start a long sleeper in a session of
#                                              its own (setsid) from a shell that ends at once, so
#                                              the sleeper also loses its parent; write its pid
#                                              (--stubborn-grandchild: it ignores SIGTERM too)
#   --print TEXT          FAKE_CMD_PRINT       write TEXT to stdout and stderr (after the reports)
# Unknown arguments are ignored, so any command line can be passed through.
out=${FAKE_CMD_OUT-}
args_file=${FAKE_CMD_ARGS_FILE-}
secs=${FAKE_CMD_SLEEP-0}
code=${FAKE_CMD_EXIT-0}
grandchild=${FAKE_CMD_GRANDCHILD-}
ignore_term=${FAKE_CMD_IGNORE_TERM-}
stubborn=${FAKE_CMD_STUBBORN-}
print=${FAKE_CMD_PRINT-}
setsid_gc=${FAKE_CMD_SETSID_GRANDCHILD-}

if [ -n "$args_file" ]; then
  printf '%s\0' "$@" > "$args_file"
fi

while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --args-file) printf '%s\0' "$@" > "$2"; shift 2 ;;
    --sleep) secs=$2; shift 2 ;;
    --exit) code=$2; shift 2 ;;
    --grandchild) grandchild=$2; shift 2 ;;
    --ignore-term) ignore_term=1; shift ;;
    --stubborn-grandchild) stubborn=1; shift ;;
    --setsid-grandchild) setsid_gc=$2; shift 2 ;;
    --print) print=$2; shift 2 ;;
    *) shift ;;
  esac
done

if [ -n "$ignore_term" ]; then
  trap '' TERM
fi

if [ -n "$grandchild" ]; then
  if [ -n "$stubborn" ]; then
    (trap '' TERM; exec sleep 120) &
  else
    sleep 120 &
  fi
  echo "$!" > "$grandchild.tmp" && mv "$grandchild.tmp" "$grandchild"
fi

if [ -n "$setsid_gc" ]; then
  (
    if [ -n "$stubborn" ]; then trap '' TERM; fi
    # The sleeper writes its pid itself, once it leads its session.
    setsid sh -c 'echo $$ > "$1.tmp" && mv "$1.tmp" "$1" && exec sleep 120' sh "$setsid_gc" &
  )
fi

if [ -n "$out" ]; then
  stdout_target=$(readlink /proc/$$/fd/1)
  stdin_target=$(readlink /proc/$$/fd/0)
  open_fds=$(ls /proc/$$/fd | tr '\n' ' ')
  {
    echo "pid=$$"
    stat=$(< /proc/$$/stat)
    fields=(${stat##*) })
    echo "pgid=${fields[2]}"
    echo "cwd=$(pwd -P)"
    echo "stdout=$stdout_target"
    echo "stdin=$stdin_target"
    echo "fds=$open_fds"
    echo "NLS_LANG=${NLS_LANG-<unset>}"
    echo "FAKE_CMD_PROBE=${FAKE_CMD_PROBE-<unset>}"
  } > "$out.tmp" && mv "$out.tmp" "$out"
fi

# Last before the sleep: whoever reads this line finds the reports and pid files written.
if [ -n "$print" ]; then
  echo "$print"
  echo "$print" >&2
fi

if [ "$secs" != 0 ]; then
  # In the foreground, so that a signal to the group reaches the sleeper as well.
  sleep "$secs"
fi
exit "$code"
