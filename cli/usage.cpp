#include "usage.h"

namespace orvel::cli {

std::string_view UsageText() {
  return R"(Usage:
  orvel-cli list FILE.ORV [--dry-run] [--json] [--yes]
  orvel-cli list BASE TARGET [condition options] [--dry-run] [--json] [--yes]
  orvel-cli sync FILE.ORV [--json] [--yes] [--allow-empty-base]
                 [--allow-mass-delete]
  orvel-cli sync BASE TARGET [condition options] [--json] [--yes]
                 [--allow-empty-base] [--allow-mass-delete]
  orvel-cli show FILE.ORV
  orvel-cli --serve ROOT
  orvel-cli --help | --version

Commands:
  list   Compare the folder pairs and print one line per difference. No file
         is touched.
  sync   Compare and synchronise: newer files are copied over older ones,
         entries on one side only are copied to the other side (or deleted
         from the target with --complete). Nothing is asked before it starts.
  show   Load a condition file and print it as the program would save it.

  With FILE.ORV every condition of the file is processed, in file order; the
  file's conditions carry their own options. With BASE TARGET one condition is
  processed with the defaults of a new condition, changed by:

Condition options (BASE TARGET only):
  --no-subfolders        compare only the entries directly in the two folders
  --hide-same            do not list identical files
  --ext "EXE COM"        only files with these extensions take part
  --no-ext "TMP BAK"     files with these extensions do not take part
  --complete             complete sync: entries only in TARGET are deleted
  --tolerance N[s|m|h|d] times that differ by less than N seconds (minutes,
                         hours, days) count as equal; N is 0 to 40000, no
                         suffix means seconds
  --empty-folders        empty folders take part
  --include-recycler     trash folders (.Trash, .Trash-<digits>) take part
  --trash                complete sync moves deleted files to the trash
  --remember             remember the last sync: deletions travel, conflicts "!"
                         (a version is deleted or overwritten only when it is
                         known to have been synced)

Other options:
  -n, --dry-run          list creation (also with sync: nothing is touched),
                         then the plan of what a sync run would do with the
                         rows listed: copies each way with their bytes,
                         deletions (to the trash or for good), conflicts,
                         failures, conditions
  --json                 print JSON objects instead of text lines; what the
                         file systems of the run cannot do comes as objects
                         with the key "notice" (time_granularity,
                         metadata_skipped, folder_unlockable, lock_local_only,
                         temporary_unproven)
  -v, --verbose          say the step in which times are compared when a
                         folder's file system keeps them coarser than 1 ms,
                         and what copies left out because the destination
                         cannot hold it (said once per run)
  --lang en|ja           the language of the run's messages, questions and
                         progress line: English, or Japanese (the default)
  -y, --yes              answer Yes to "create the missing target folder?"
                         (otherwise it is asked on a terminal, and answered No
                         when standard input or standard error is not one)
  --allow-empty-base     complete sync may go on when the base folder holds
                         nothing at all (most often an unmounted disk): without
                         it such a run stops before deleting anything (--yes
                         does not answer this)
  --allow-mass-delete    a remembered sync may go on when it would delete more
                         than half of what it remembers of one side (and more
                         than five entries): without it such a run stops
                         before deleting anything (neither --yes nor
                         --allow-empty-base answers this)
  --ssh-command CMD      how remote folders (host:/path, ssh://host/path; as
                         BASE, TARGET or both) are reached: ssh and its options,
                         split like a shell command line (else ORVEL_SSH, else
                         "ssh"), as rsync takes its remote shell
  --remote-program PROG  the program on the far side (else "orvel-cli"), a
                         command placed as written: a path, or "sudo orvel-cli"
  --serve ROOT           serve the folder ROOT to orvel-cli or orvel on another
                         machine: the far side of a remote folder, started
                         through ssh, speaking the protocol on standard input
                         and output (never on a terminal)
  -h, --help             show this text
  --version              show the version
  Options may stand before or after the operands; "--" ends the options.

Output (standard output, one row at a time):
  Each row is written as soon as it is final, in list order: in list creation
  when it is listed, in a sync run once it has been executed (or needs
  nothing). A terminal or a pipe is handed the rows as they come (at least
  every 0.1 s, and before the run waits for anything); a regular file gets
  them in large blocks.
  Text: one line per list item with the five columns
    name, base date, result, target date, path
  separated by single tabs; an empty column is empty. In the texts a backslash
  is written as \\, a tab as \t, a line feed as \n, a carriage return as \r
  and any other control character (bytes 0x00-0x1F and 0x7F) as \xHH, two
  lower-case hex digits.
  JSON (--json): one object per line with the keys name, base_folder,
  target_folder, base_date, target_date, base_mtime, target_mtime, result (as
  shown) and mark (what the comparison decided), error (the reason) on a row
  that failed, and reason (why) on a conflict ("!"). base_mtime and target_mtime are the times the dates show,
  in UTC as RFC 3339 with nanoseconds ("2023-11-14T22:13:20.123456789Z"), or
  null where the date is empty. Bytes that are not valid UTF-8 are written as
  \udcXX.
  Results: = same, > base newer, >> base only, < target newer, << target only,
  X to be deleted, <X to be deleted from the base and ! conflict (both with
  --remember); after sync: >= copied to target, <= copied to base, X= and <X=
  deleted, ? failed. Dates are local time, YYYY/MM/DD hh:mm:ss.

  After the rows, --json writes {"plan": ...} (with --dry-run) and
  {"summary": ...}: what the run did (copies each way with their bytes,
  deletions, conflicts left, failures, seconds).

  Messages and questions of the run, and a progress line when standard error
  is a terminal (rows done and found, files and bytes copied, speed, time
  left), go to standard error, and its last line says what the run did; a row that failed (or whose entry
  could not be read) is followed there by "orvel-cli: PATH: reason". A folder
  that cannot be read is one "?" row; nothing below it is compared, copied or
  deleted. Ctrl+C, SIGTERM and SIGHUP stop the run after the entry in progress
  (in a sync run nothing further is executed); a second one ends the program
  at once. A folder another run works on ends the run (status 1).

Environment:
  ORVEL_LANG   en or ja: the language when --lang is not given (the locale
               plays no part)
  ORVEL_SSH    the ssh command when --ssh-command is not given
  TZ           the time zone of the dates
  XDG_STATE_HOME  where --remember keeps what the last sync left
               (orvel/sync-state.db; ~/.local/state without it)

Exit status (when several apply, the first of 130, 3, 1 is taken):
  0    done
  1    the run ended at a message (missing folder, equal folders, a folder
       another run works on, an empty base folder, a remembered sync that
       would delete too much) or a No
  2    usage error, or the condition file cannot be read
  3    at least one row failed ("?") or is a conflict ("!"), an entry could
       not be read, or the remembered state (--remember) could not be used
       or written
  4    the result could not be written to standard output (the run still
       goes on to its end)
  130  cancelled with Ctrl+C, SIGTERM or SIGHUP
)";
}

}  // namespace orvel::cli
