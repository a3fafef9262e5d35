#!/bin/bash
# Stand-in for the Oracle client's export and import programs in tests. Called as (or through a
# link named) fake_exp.sh it acts as the export, as fake_imp.sh as the import.
#
# Settings come from the environment:
#   FAKE_ORA_ARGS_FILE   write every argument as given, each ended by a NUL byte
#   FAKE_ORA_REPORT      write "key=value" lines: NLS_LANG as the child sees it, and for the
#                        import the dump it was given, its character-set id and its size
#   FAKE_ORA_CHARSET_ID  export: the dump begins with byte 3 and this id (big-endian, two bytes)
#   FAKE_ORA_PAYLOAD     export: the text written after those three bytes
#   FAKE_ORA_PAYLOAD_FILE  export: the bytes of this file written after them instead
#   FAKE_ORA_EXIT        exit with this code (default 0)
#   FAKE_ORA_SLEEP       sleep this long (seconds) after writing the dump, before exiting
#   FAKE_ORA_PID_FILE    write the program's pid here first
#   FAKE_ORA_LOG_FILE    the log gets the bytes of this file instead of its one line
# The dump is the value of file=, the log the value of log= (any letter case of the names).
args_file=${FAKE_ORA_ARGS_FILE-}
report=${FAKE_ORA_REPORT-}
code=${FAKE_ORA_EXIT-0}
mode=exp
case "$(basename "$0")" in *imp*) mode=imp ;; esac

[ -n "${FAKE_ORA_PID_FILE-}" ] && echo $$ > "$FAKE_ORA_PID_FILE"
[ -n "$args_file" ] && printf '%s\0' "$@" > "$args_file"

dump=
log=
for a in "$@"; do
  case "${a%%=*}" in
    [Ff][Ii][Ll][Ee]) dump=${a#*=} ;;
    [Ll][Oo][Gg]) log=${a#*=} ;;
  esac
done

if [ "$mode" = exp ] && [ -n "$dump" ]; then
  id=${FAKE_ORA_CHARSET_ID-0}
  printf "\\x03\\x$(printf %02x $((id >> 8)))\\x$(printf %02x $((id & 255)))%s" "${FAKE_ORA_PAYLOAD-}" > "$dump"
  [ -n "${FAKE_ORA_PAYLOAD_FILE-}" ] && cat "$FAKE_ORA_PAYLOAD_FILE" >> "$dump"
fi

if [ -n "$report" ]; then
  {
    echo "NLS_LANG=${NLS_LANG-<unset>}"
    if [ "$mode" = imp ] && [ -n "$dump" ]; then
      echo "dump=$dump"
      echo "dump_id=$(od -An -tu1 -j1 -N2 "$dump" | awk '{print $1 * 256 + $2}')"
      echo "dump_size=$(stat -c %s "$dump")"
    fi
  } > "$report"
fi

[ -n "${FAKE_ORA_SLEEP-}" ] && sleep "$FAKE_ORA_SLEEP"
if [ -n "$log" ]; then
  if [ -n "${FAKE_ORA_LOG_FILE-}" ]; then cat "$FAKE_ORA_LOG_FILE" > "$log"; else echo "$mode: finished with code $code" > "$log"; fi
fi
exit "$code"
