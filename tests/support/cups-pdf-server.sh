#!/usr/bin/env bash
# A private CUPS scheduler with one cups-pdf queue, for tests that print
# through the real printing system.
#
#   cups-pdf-server.sh start DIR [SECONDS]
#       Starts cupsd with its state in DIR, adds the queue QuillmerePDF, makes
#       it the default destination and waits (20 s at most, or SECONDS) until
#       it is idle. Then prints lines for the caller to eval:
#         CUPS_SERVER=<socket path>
#         QUILLMERE_PDF_OUT=DIR/out
#         export CUPS_SERVER QUILLMERE_PDF_OUT
#       A server already running for DIR is stopped first, and PDFs left in
#       DIR/out by an earlier run are removed.
#   cups-pdf-server.sh wait DIR [SECONDS]
#       Waits (60 s at most, or SECONDS) until the server has no unfinished
#       job; fails, listing the jobs, if one is still pending then.
#   cups-pdf-server.sh jobs DIR
#       Prints "JOBID<TAB>STATE<TAB>TITLE" for every job the server knows,
#       finished ones included; STATE is an IPP job-state keyword (completed,
#       aborted, processing, ...).
#   cups-pdf-server.sh stop DIR
#       Stops that cupsd and whatever it left running. Keeps DIR's files.
#
# The scheduler never reads the system's /etc/cups/cupsd.conf and listens only
# on a unix socket of its own, so it runs beside a system cupsd, if there is
# one, without touching it. libcups, and so lp, lpstat and QPrinter, talks to
# it once CUPS_SERVER holds the socket's path (PRINTER and LPDEST, if set,
# still override the default destination).
#
# Its filters run as user lp and must reach its configuration, spool and
# temporary files, and a socket's path is limited to about 100 bytes; so those
# live in DIR/cups when lp can reach DIR and the path is short enough, and in
# a directory of their own under /tmp otherwise. Logs are in DIR/log.
#
# The cups-pdf backend must run as root (cupsd runs it as root because it is
# mode 0700) and reads its settings from a fixed place: /etc/cups/cups-pdf.conf,
# or /etc/cups/cups-pdf-NAME.conf when the device URI is cups-pdf:/NAME. The
# queue therefore uses an instance name of its own, derived from DIR, whose
# settings file sends the PDFs to DIR/out; stop removes that file again.
#
# cups-pdf names each PDF after the job's title (job-name, which is what
# lp -t and QPrinter::setDocName set): every byte other than an ASCII letter,
# digit, '-', '_' or '.' becomes '_' (so "é" becomes "__"), leading and
# trailing '_' are dropped, the name is cut to 64 characters and "-job_ID.pdf"
# follows. "My Entry: 11 May" printed as job 3 gives
# DIR/out/My_Entry__11_May-job_3.pdf.
#
# lpstat does not show job titles (neither -o nor -l print job-name), so
# "jobs" asks the scheduler for them over IPP with ipptool.
#
# Needs root and the Debian packages cups, cups-client, cups-ipp-utils,
# printer-driver-cups-pdf and poppler-utils (scripts/install-deps has them).
set -euo pipefail

queue=QuillmerePDF
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
backend=/usr/lib/cups/backend/cups-pdf
PATH=$PATH:/usr/sbin:/sbin

die() {
  echo "cups-pdf-server: $*" >&2
  exit 1
}

usage() {
  echo "usage: $0 start DIR [SECONDS] | wait DIR [SECONDS] | jobs DIR | stop DIR" >&2
  exit 2
}

if [ $# -lt 2 ] || [ $# -gt 3 ] || [ -z "$2" ]; then usage; fi
command=$1
timeout=${3:-}
case $timeout in
  '' | *[!0-9]*) [ -z "$timeout" ] || usage ;;
esac
mkdir -p "$2"
dir=$(cd "$2" && pwd -P)

# The directory with cupsd's configuration, spool and socket, as recorded by
# start.
runtime() {
  [ -f "$dir/runtime" ] && cat "$dir/runtime"
}

socket() {
  echo "$(runtime)/cups.sock"
}

instance() {
  echo "quillmere-$(printf '%s' "$dir" | md5sum | cut -c1-12)"
}

# The pid recorded by start, if that process is still a cupsd.
running_pid() {
  local pid
  [ -f "$dir/cupsd.pid" ] || return 1
  pid=$(cat "$dir/cupsd.pid")
  [ -n "$pid" ] && [ -r "/proc/$pid/comm" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = cupsd ] ||
    return 1
  echo "$pid"
}

error_log_tail() {
  if [ -s "$dir/log/error_log" ]; then
    echo "--- last lines of $dir/log/error_log:" >&2
    tail -n 25 "$dir/log/error_log" >&2
  fi
  if [ -s "$dir/log/cupsd.out" ]; then
    echo "--- cupsd's own output:" >&2
    tail -n 10 "$dir/log/cupsd.out" >&2
  fi
}

# Processes in the session that start gave cupsd: cupsd itself and the
# filters and backends it runs.
session_pids() {
  local stat line fields
  for stat in /proc/[0-9]*/stat; do
    line=$(cat "$stat" 2>/dev/null) || continue
    # After the command's name in parentheses: state, ppid, pgrp, session.
    read -r -a fields <<<"${line##*) }"
    [ "${fields[3]:-}" = "$1" ] || continue
    stat=${stat#/proc/}
    echo "${stat%/stat}"
  done
}

stop_server() {
  local pid left
  if pid=$(running_pid); then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
      [ -d "/proc/$pid" ] || break
      sleep 0.05
    done
    for _ in $(seq 40); do
      left=$(session_pids "$pid")
      [ -n "$left" ] || break
      # shellcheck disable=SC2086
      kill -KILL $left 2>/dev/null || true
      sleep 0.05
    done
  fi
  rm -f "$dir/cupsd.pid"
  rm -f "/etc/cups/cups-pdf-$(instance).conf"
  local rt
  rt=$(runtime) || true
  case $rt in
    /tmp/quillmere-cups.*) rm -rf "$rt" ;;
    ?*) rm -f "$rt/cups.sock" ;;
  esac
  rm -f "$dir/runtime"
}

start_failed() {
  error_log_tail
  stop_server
  die "$@"
}

start_server() {
  local start_timeout=${timeout:-20}
  [ "$(id -u)" -eq 0 ] || die "must run as root: the cups-pdf backend only runs as root"
  local tool
  for tool in cupsd lpadmin lpstat cupsenable cupsaccept ipptool setpriv md5sum; do
    command -v "$tool" >/dev/null 2>&1 ||
      die "$tool not found: install cups, cups-client, cups-ipp-utils and util-linux"
  done
  [ -x "$backend" ] || die "$backend not found: install printer-driver-cups-pdf"
  [ -r "$ppd" ] || die "$ppd not found: install printer-driver-cups-pdf"
  id lp >/dev/null 2>&1 || die "there is no user lp for cupsd to run its filters as"

  stop_server

  local rt
  if [ ${#dir} -le 90 ] && setpriv --reuid=lp --regid=lp --clear-groups -- test -x "$dir"; then
    rt=$dir/cups
    rm -rf "$rt"
    mkdir -p "$rt"
  else
    rt=$(mktemp -d /tmp/quillmere-cups.XXXXXX)
  fi
  chmod 755 "$rt"
  echo "$rt" >"$dir/runtime"

  # Job ids start at 1 again, so PDFs of an earlier run would be mistaken
  # for new ones.
  rm -rf "$dir/log" "$dir/cups-pdf" "$dir/out"
  mkdir -p "$rt/etc/ppd" "$rt/etc/ssl" "$rt/spool/tmp" "$rt/cache" "$rt/state" \
           "$dir/log" "$dir/out" "$dir/cups-pdf/spool" "$dir/cups-pdf/tmp"
  chmod 755 "$dir/out"

  local sock name
  sock=$(socket)
  name=$(instance)

  cat >"$rt/etc/cups-files.conf" <<EOF
ServerRoot $rt/etc
RequestRoot $rt/spool
TempDir $rt/spool/tmp
CacheDir $rt/cache
StateDir $rt/state
Printcap $rt/state/printcap
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
LogFilePerm 0644
User lp
Group lp
SystemGroup root
FileDevice No
EOF

  # Everyone on the socket may do anything, and job titles are not hidden
  # from other users, so that any test process can list them. Finished jobs
  # keep their files, and with them all their attributes: without
  # PreserveJobFiles, Get-Jobs leaves job-name out as soon as a job is done.
  # A job whose filter or backend fails is aborted rather than retried.
  cat >"$rt/etc/cupsd.conf" <<EOF
LogLevel info
MaxLogSize 0
Listen $sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
ErrorPolicy abort-job
PreserveJobHistory Yes
PreserveJobFiles Yes
MaxJobs 0
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

  # What cups-pdf reads for the device URI cups-pdf:/$name. Settings that the
  # PPD also offers (title, label, truncation) are taken from the queue, not
  # from here.
  mkdir -p /etc/cups
  cat >"/etc/cups/cups-pdf-$name.conf" <<EOF ||
# Written by Quillmere's test support for the private CUPS server in
# $dir; removed when that server stops.
Out $dir/out
AnonDirName $dir/out
Spool $dir/cups-pdf/spool
GSTmp $dir/cups-pdf/tmp
Log $dir/log
Grp lp
UserUMask 0022
AnonUMask 0022
Cut -1
EOF
    start_failed "could not write /etc/cups/cups-pdf-$name.conf"

  # In a session of its own and with no terminal, so that it outlives this
  # script and its caller's signals; stop ends it and its session by pid.
  setsid cupsd -f -c "$rt/etc/cupsd.conf" -s "$rt/etc/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
  local pid=$!
  echo "$pid" >"$dir/cupsd.pid"

  export CUPS_SERVER=$sock
  unset PRINTER LPDEST
  local deadline=$((SECONDS + start_timeout))
  until [ -S "$sock" ] && lpstat -r 2>/dev/null | grep -q 'is running'; do
    [ -d "/proc/$pid" ] || start_failed "cupsd exited while starting"
    [ $SECONDS -lt $deadline ] || start_failed "cupsd did not answer on $sock within ${start_timeout}s"
    sleep 0.05
  done

  # The PPD's option defaults win over cups-pdf's settings file, so the file
  # naming options are set on the queue: the title comes from job-name (the
  # %%Title line in the PostScript can carry stray text), suffixed with the
  # job id. PDFs reach cups-pdf as PostScript; only the pdftocairo renderer
  # keeps their text extractable (with the others, pdftotext reads garbage
  # from the final PDF). lpadmin warns that PPD files are deprecated; the
  # queue works all the same.
  local out
  out=$(lpadmin -p "$queue" -v "cups-pdf:/$name" -P "$ppd" \
                -o printer-error-policy=abort-job \
                -o TitlePref=1 -o Label=2 -o PDFVer=1.4 -o Truncate=64 \
                -o pdftops-renderer-default=pdftocairo -E 2>&1) ||
    start_failed "could not add the queue $queue: $out"
  out=$({ cupsenable "$queue" && cupsaccept "$queue" && lpadmin -d "$queue"; } 2>&1) ||
    start_failed "could not enable $queue or make it the default: $out"

  until lpstat -p "$queue" 2>/dev/null | grep -q 'is idle'; do
    [ $SECONDS -lt $deadline ] ||
      start_failed "$queue did not become idle within ${start_timeout}s: $(lpstat -p "$queue" 2>&1)"
    sleep 0.05
  done

  printf 'CUPS_SERVER=%q\n' "$sock"
  printf 'QUILLMERE_PDF_OUT=%q\n' "$dir/out"
  echo 'export CUPS_SERVER QUILLMERE_PDF_OUT'
}

require_running() {
  if [ -z "$(runtime)" ] || ! running_pid >/dev/null; then die "no server is running for $dir"; fi
  export CUPS_SERVER
  CUPS_SERVER=$(socket)
}

list_jobs() {
  require_running
  local rt sock uri id
  rt=$(runtime)
  cat >"$rt/get-jobs.test" <<'EOF'
{
  OPERATION Get-Jobs
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR keyword which-jobs all
  ATTR keyword requested-attributes job-id
  STATUS successful-ok
  DISPLAY job-id
}
EOF
  cat >"$rt/get-job.test" <<'EOF'
{
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR integer job-id $job
  ATTR keyword requested-attributes job-id,job-state,job-name
  STATUS successful-ok
  DISPLAY job-id
  DISPLAY job-state
  DISPLAY job-name
}
EOF
  # ipptool reaches a unix socket through a URI whose host is the socket's
  # path, percent-encoded. Get-Jobs leaves job-name out for a finished job
  # that cupsd has dropped from memory, so each job's attributes are asked
  # for on their own. -c prints a header line and then a CSV line; a value
  # with a comma, quote or backslash is quoted, and inside it each quote and
  # backslash is escaped twice over with backslashes.
  sock=$(socket)
  uri="ipp://${sock//\//%2F}/printers/$queue"
  for id in $(ipptool -c "$uri" "$rt/get-jobs.test" | tail -n +2); do
    ipptool -c -d "job=$id" "$uri" "$rt/get-job.test" | tail -n +2
  done | awk '
    function unescape(s,    out, i, c) {
      out = ""
      for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c == "\\" && i < length(s)) { i++; c = substr(s, i, 1) }
        out = out c
      }
      return out
    }
    {
      id = $0; sub(/,.*/, "", id); rest = substr($0, length(id) + 2)
      state = rest; sub(/,.*/, "", state); name = substr(rest, length(state) + 2)
      if (name ~ /^".*"$/) name = unescape(unescape(substr(name, 2, length(name) - 2)))
      print id "\t" state "\t" name
    }'
}

wait_idle() {
  require_running
  local deadline=$((SECONDS + ${timeout:-60}))
  while [ -n "$(lpstat -o "$queue" 2>/dev/null)" ]; do
    if [ $SECONDS -ge $deadline ]; then
      lpstat -l -o "$queue" >&2 || true
      die "jobs still unfinished after ${timeout:-60}s"
    fi
    sleep 0.05
  done
}

case $command in
  start) start_server ;;
  wait) wait_idle ;;
  jobs) list_jobs ;;
  stop) [ -z "$timeout" ] || usage; stop_server ;;
  *) usage ;;
esac
