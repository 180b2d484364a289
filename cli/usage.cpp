#include "usage.h"

namespace orvel::cli {

namespace {

constexpr std::string_view kEnglish = R"(Usage:
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
  --lang en|ja           the language of the run's messages, questions,
                         progress line and usage: English, or Japanese (the
                         default)
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

constexpr std::string_view kJapanese = R"(使い方:
  orvel-cli list FILE.ORV [--dry-run] [--json] [--yes]
  orvel-cli list BASE TARGET [条件オプション] [--dry-run] [--json] [--yes]
  orvel-cli sync FILE.ORV [--json] [--yes] [--allow-empty-base]
                 [--allow-mass-delete]
  orvel-cli sync BASE TARGET [条件オプション] [--json] [--yes]
                 [--allow-empty-base] [--allow-mass-delete]
  orvel-cli show FILE.ORV
  orvel-cli --serve ROOT
  orvel-cli --help | --version

コマンド:
  list   フォルダの組を比べ、違いを 1 行に 1 つずつ書き出します。ファイルには
         触れません。
  sync   比べて同期します: 新しいファイルが古いファイルに上書きコピーされ、
         片側にしかないものはもう一方へコピーされます（--complete では対照
         フォルダから削除されます）。始める前に何も尋ねません。
  show   条件ファイルを読み込み、このプログラムが保存するとおりに書き出します。

  FILE.ORV ではファイルのすべての条件をファイルの順に処理します。条件ごとに
  そのオプションが使われます。BASE TARGET では新しい条件の既定値で 1 つの
  条件を処理します。既定値は次のオプションで変えられます:

条件オプション（BASE TARGET のときだけ）:
  --no-subfolders        2 つのフォルダの直下のものだけを比べる
  --hide-same            同じファイルを一覧に出さない
  --ext "EXE COM"        これらの拡張子のファイルだけを対象にする
  --no-ext "TMP BAK"     これらの拡張子のファイルを対象にしない
  --complete             完全同期: TARGET にしかないものを削除する
  --tolerance N[s|m|h|d] 差が N 秒（分、時間、日）未満の時刻を同じとみなす。
                         N は 0 から 40000、単位を付けなければ秒
  --empty-folders        空のフォルダも対象にする
  --include-recycler     ゴミ箱のフォルダ（.Trash、.Trash-<数字>）も対象にする
  --trash                完全同期で削除するファイルをゴミ箱へ移す
  --remember             前回の同期を記憶する: 削除も伝わり、競合は "!"
                         （同期済みと分かっている版だけを削除・上書きする）

その他のオプション:
  -n, --dry-run          リスト作成（sync でも何にも触れません）の後、一覧の
                         行で同期を実行したら何をするかを書き出す: 向きごとの
                         コピーとそのバイト数、削除（ゴミ箱へ、または完全に）、
                         競合、失敗、条件の数
  --json                 テキストの行の代わりに JSON のオブジェクトを書き出す。
                         実行中のファイルシステムにできないことは、キー
                         "notice" のオブジェクトになる（time_granularity、
                         metadata_skipped、folder_unlockable、lock_local_only）
  -v, --verbose          フォルダのファイルシステムが時刻を 1 ms より粗く記録
                         するときの比較の単位と、コピー先が保持できずに省いた
                         ものを知らせる（実行ごとに 1 度）
  --lang en|ja           実行のメッセージ、質問、進行状況の行、使い方の言語:
                         英語、または日本語（既定）
  -y, --yes              「対照フォルダを作成しますか？」に「はい」と答える
                         （付けなければ端末で尋ね、標準入力か標準エラー出力が
                         端末でなければ「いいえ」と答える）
  --allow-empty-base     基本フォルダに何もないとき（多くはマウントされていない
                         ディスク）にも完全同期を続ける。付けなければ何かを
                         削除する前に止まる（--yes はこれに答えない）
  --allow-mass-delete    記憶による同期が片側で記憶した中の半分より多く（かつ
                         5 個より多く）を削除するときにも続ける。付けなければ
                         何かを削除する前に止まる（--yes も --allow-empty-base
                         もこれに答えない）
  --ssh-command CMD      別のマシンのフォルダ（host:/path、ssh://host/path。
                         BASE、TARGET、または両方）に届く方法: ssh とその
                         オプション。シェルのコマンド行のように分割する（なければ
                         ORVEL_SSH、それもなければ "ssh"）。rsync のリモート
                         シェルと同じ
  --remote-program PROG  相手側のプログラム（なければ "orvel-cli"）。書かれた
                         とおりに置かれるコマンド: パス、または "sudo orvel-cli"
  --serve ROOT           別のマシンの orvel-cli や orvel に ROOT フォルダを提供
                         する: 別のマシンのフォルダの相手側。ssh 経由で起動され、
                         標準入出力でプロトコルを話す（端末では動かない）
  -h, --help             この説明を表示する
  --version              版を表示する
  オプションはオペランドの前にも後にも置けます。"--" でオプションが終わります。

出力（標準出力、1 行ずつ）:
  各行は確定した時点で一覧の順に書き出されます: リスト作成では一覧に加えた
  とき、同期の実行ではその行を実行した後（または何も要らないとき）。端末や
  パイプには来たとおりに渡され（少なくとも 0.1 秒ごと、また実行が何かを待つ
  前に）、通常のファイルには大きなまとまりで書かれます。
  テキスト: 一覧の項目ごとに 1 行、次の 5 つの列
    名前、基本の日時、結果、対照の日時、パス
  を 1 つのタブで区切ります。空の列は空のままです。テキストの中では
  バックスラッシュを \\、タブを \t、改行を \n、復帰を \r、その他の制御文字
  （バイト 0x00-0x1F と 0x7F）を \xHH（小文字の 16 進数 2 桁）と書きます。
  JSON (--json): 1 行に 1 つのオブジェクトで、キーは name、base_folder、
  target_folder、base_date、target_date、base_mtime、target_mtime、result
  （表示のとおり）と mark（比較が決めたこと）、失敗した行には error（理由）、
  競合（"!"）には reason（なぜか）。base_mtime と target_mtime は日時の列が
  示す時刻で、UTC の RFC 3339 をナノ秒まで
  （"2023-11-14T22:13:20.123456789Z"）、日時が空なら null です。UTF-8 として
  正しくないバイトは \udcXX と書きます。
  結果: = 同じ、> 基本が新しい、>> 基本にしかない、< 対照が新しい、
  << 対照にしかない、X 削除予定、<X 基本から削除予定、! 競合（この 2 つは
  --remember のとき）。同期の後: >= 対照へコピー済み、<= 基本へコピー済み、
  X= と <X= 削除済み、? 失敗。日時はローカル時刻の YYYY/MM/DD hh:mm:ss です。

  行の後に、--json は {"plan": ...}（--dry-run のとき）と {"summary": ...}
  を書きます: 実行したこと（向きごとのコピーとそのバイト数、削除、残った競合、
  失敗、秒数）。

  実行のメッセージと質問、標準エラー出力が端末なら進行状況の行（処理した行と
  見つけた行、コピーしたファイルとバイト数、速さ、残り時間）は標準エラー出力へ
  書かれ、その最後の行は実行したことを示します。失敗した行（またはその項目を
  読めなかった行）の後には、そこに "orvel-cli: パス: 理由" が続きます。読めない
  フォルダは 1 つの "?" 行になり、その下のものは比べられず、コピーも削除も
  されません。Ctrl+C、SIGTERM、SIGHUP は処理中の項目の後で実行を止めます
  （同期の実行ではその先は何も実行しません）。2 度目ですぐにプログラムを
  終えます。他の実行が使っているフォルダがあると実行を終えます（終了状態 1）。

環境変数:
  ORVEL_LANG   en または ja: --lang がないときの言語（ロケールは関係しません）
  ORVEL_SSH    --ssh-command がないときの ssh コマンド
  TZ           日時のタイムゾーン
  XDG_STATE_HOME  --remember が前回の同期の結果を置く場所
               （orvel/sync-state.db。なければ ~/.local/state）

終了状態（複数が当てはまるときは 130、3、1 の順で最初のもの）:
  0    完了
  1    実行がメッセージで終わった（フォルダがない、フォルダが同じ、他の実行が
       使っているフォルダ、空の基本フォルダ、削除が多すぎる記憶による同期）、
       または「いいえ」と答えた
  2    使い方の誤り、または条件ファイルを読めない
  3    少なくとも 1 行が失敗（"?"）か競合（"!"）、読めない項目があった、または
       記憶（--remember）を使えない・書けなかった
  4    結果を標準出力に書けなかった（実行は最後まで続きます）
  130  Ctrl+C、SIGTERM、SIGHUP で中止した
)";

}  // namespace

std::string_view UsageText(Language language) { return language == Language::English ? kEnglish : kJapanese; }

}  // namespace orvel::cli
