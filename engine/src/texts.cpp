#include "engine/texts.h"

#include "engine/conflict_reason.h"
#include "platform/error.h"

#include <cerrno>
#include <utility>

namespace orvel::engine {

namespace {

using T = TextId;

// Japanese first: it is the program's own language. English for a reader of no
// Japanese: whole sentences, the folders named by their role.
constexpr TextEntry kTexts[] = {
    {T::BaseMissing, "message.base_missing",
     "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい",
     "The base folder does not exist.\nChoose an existing folder as the base folder."},
    {T::TargetMissingAsk, "message.target_missing_ask", "「対照フォルダ」は存在しません\n新規に作成して作業を続けますか？",
     "The target folder does not exist.\nDo you want to create it and continue?"},
    {T::TargetCannotCreate, "message.target_cannot_create", "対照フォルダを作成できません",
     "The target folder cannot be created."},
    {T::TargetNotFolder, "message.target_not_folder",
     "「対照フォルダ」は存在しません\n「対照フォルダ」は存在するフォルダを\n指定して下さい",
     "The target folder does not exist.\nChoose an existing folder as the target folder."},
    {T::SameFolders, "message.same_folders", "「基本フォルダ」と「対照フォルダ」が同じです",
     "The base folder and the target folder are the same folder."},
    {T::FolderUnreadable, "message.folder_unreadable", "フォルダを読み込めません\n%1\n%2",
     "The folder cannot be read.\n%1\n%2"},
    {T::FolderBusyAsk, "message.folder_busy_ask", "フォルダは他の同期処理で使用中です\n%1\n再試行しますか？",
     "The folder is in use by another synchronization.\n%1\nDo you want to try again?"},
    {T::EmptyBaseAsk, "message.empty_base_ask",
     "「基本フォルダ」は空です\n%1\n完全同期を続けると「対照フォルダ」の中身がすべて削除されます\n%2\n本当によろしいですか？",
     "The base folder is empty.\n%1\nIf complete sync goes on, everything in the target folder will be deleted.\n%2\n"
     "Do you really want to continue?"},
    {T::ConfirmSync, "message.confirm_sync", "同期実行します\nよろしいですか？",
     "The folders will be synchronized.\nDo you want to continue?"},
    {T::ConfirmForceBase1, "message.confirm_force_base_1", "強制基本同期実行します\nよろしいですか？",
     "The selected files will be synchronized from the base folder, whatever their dates.\nDo you want to continue?"},
    {T::ConfirmForceBase2, "message.confirm_force_base_2",
     "基本フォルダから強制的に対照フォルダへ同期実行します\n本当によろしいですか？",
     "The base folder's versions of the selected files will replace the target folder's.\nAre you sure?"},
    {T::ConfirmForceTarget1, "message.confirm_force_target_1", "強制対照同期実行します\nよろしいですか？",
     "The selected files will be synchronized from the target folder, whatever their dates.\nDo you want to continue?"},
    {T::ConfirmForceTarget2, "message.confirm_force_target_2",
     "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？",
     "The target folder's versions of the selected files will replace the base folder's.\nAre you sure?"},
    {T::DeleteConditionAsk, "message.delete_condition_ask", "%1\nを削除します\nよろしいですか？",
     "The condition\n%1\nwill be deleted.\nDo you want to continue?"},
    {T::MemoryReplaced, "message.memory_replaced", "フォルダが入れ替わっているため前回の同期の記憶を使いません\n%1\n%2",
     "A folder of the pair has been replaced, so the last sync's state is not used.\n%1\n%2"},
    {T::MemoryUnavailable, "message.memory_unavailable", "同期の記憶を読み書きできません\n%1\n%2",
     "The last sync's state cannot be read or written.\n%1\n%2"},
    {T::MemoryUntrusted, "message.memory_untrusted", "同期の記憶はこのユーザーだけのものではないため使いません\n%1\n%2",
     "The last sync's state is not used: it is not yours alone.\n%1\n%2"},
    {T::MemoryRemote, "message.memory_remote",
     "別のマシンのフォルダを含む組では同期の記憶を使いません（記憶による削除はありません）\n%1\n%2",
     "The last sync's state is not used for a pair with a folder on another machine (nothing is deleted because it "
     "was remembered).\n%1\n%2"},
    {T::MassDeleteBaseAsk, "message.mass_delete_base_ask",
     "前回の同期で記憶した %3 個のうち %2 個が「対照フォルダ」にありません\n%4\n"
     "同期を続けると「基本フォルダ」からも削除されます\n%1\n本当によろしいですか？",
     "%2 of the %3 entries remembered from the last sync are gone from the target folder.\n%4\n"
     "If the sync goes on, they will be deleted from the base folder too.\n%1\nDo you really want to continue?"},
    {T::MassDeleteTargetAsk, "message.mass_delete_target_ask",
     "前回の同期で記憶した %3 個のうち %2 個が「基本フォルダ」にありません\n%4\n"
     "同期を続けると「対照フォルダ」からも削除されます\n%1\n本当によろしいですか？",
     "%2 of the %3 entries remembered from the last sync are gone from the base folder.\n%4\n"
     "If the sync goes on, they will be deleted from the target folder too.\n%1\nDo you really want to continue?"},
    {T::FolderUnlockable, "message.folder_unlockable",
     "このファイルシステムではフォルダをロックできません。同期中に他のプログラムが変更する可能性があります\n%1\n%2",
     "The folder cannot be locked on this file system; another program may change it during the run.\n%1\n%2"},
    {T::LockLocalOnly, "message.lock_local_only", "フォルダのロックはこのコンピュータからしか見えません (%2)\n%1",
     "The lock on the folder is only seen by this machine (%2).\n%1"},
    {T::TimeGranularity, "message.time_granularity",
     "このファイルシステムは時刻を %2 単位で記録するため、%2 単位で比較します (%3)\n%1",
     "The file system keeps times in steps of %2, so times are compared in steps of %2 (%3).\n%1"},
    {T::MetadataSkipped, "message.metadata_skipped", "このファイルシステムが保持できないため省きました: %2 (%3)\n%1",
     "Left out what the file system cannot hold: %2 (%3).\n%1"},
    {T::FarSideSilent, "message.far_side_silent", "タイムアウト: %1 から %2 秒間応答がないため接続を切りました",
     "Timeout: no answer from %1 for %2 s; the connection was ended."},
    {T::NotDurable, "message.not_durable", "変更をディスクに確実に書き込めなかったため、今回の同期を記憶しません\n%1\n%2",
     "The changes could not be made safe on the disk, so this sync is not remembered.\n%1\n%2"},
    {T::TemporaryUnproven, "message.temporary_unproven",
     "このファイルシステムは印を保持できないため、一時ファイルに似た名前のファイル %2 個を通常のファイルとして扱いました (%3)\n%1",
     "The file system cannot hold marks, so %2 files named like the program's temporary files were kept and treated "
     "as ordinary files (%3).\n%1"},

    {T::ConflictAsk, "conflict.ask",
     "前回の同期の後に両方のフォルダで変更があります\n%1\n基本: %2\n対照: %3\nどちらを残しますか？",
     "Both folders changed this entry since the last sync:\n%1\nBase: %2\nTarget: %3\nWhich version do you want to "
     "keep?"},
    {T::ConflictDeletedSide, "conflict.deleted_side", "削除された側を残すと、もう一方からも削除されます",
     "Keeping the side where it was deleted deletes it from the other side too."},

    {T::StatusSearching, "status.searching", "同期ファイル検索中...", "Searching for files to synchronize…"},
    {T::StatusBasePass, "status.base_pass", "基本同期実行中...", "Processing the base folder's files…"},
    {T::StatusTargetPass, "status.target_pass", "対照同期実行中...", "Processing the target folder's files…"},
    {T::StatusIndividualSync, "status.individual_sync", "個別同期中...", "Synchronizing the selected files…"},
    {T::StatusLaunching, "status.launching", "起動中...", "Starting the external tool…"},
    {T::StatusConnecting, "status.connecting", "接続中...", "Connecting…"},

    {T::SkippedPlainRename, "skipped.plain_rename",
     "置き換え直前の確認と置き換えの同時実行（最後の確認の後に通常の名前変更）",
     "replacing without a check at the same moment (plain rename after the last check)"},
    {T::SkippedMode, "skipped.mode", "アクセス権", "permission bits"},
    {T::SkippedOwner, "skipped.owner", "所有者", "owners"},
    {T::SkippedTimes, "skipped.times", "更新日時", "last-write times"},
    {T::SkippedAttributes, "skipped.attributes", "拡張属性と ACL", "extended attributes and ACLs"},
    {T::SkippedHardLinks, "skipped.hard_links", "ハードリンク（別々のファイルとしてコピー）",
     "hard links (copied as separate files)"},
    {T::SkippedLinkTimes, "skipped.link_times", "シンボリックリンクの日時（リンクは内容で比較）",
     "the times of symbolic links (links are compared by their text)"},

    {T::ConflictEditedBoth, "reason.edited_both", "前回の同期の後に両方で変更されています",
     "edited on both sides since the last sync"},
    {T::ConflictEditedBaseDeletedTarget, "reason.edited_base_deleted_target",
     "基本フォルダで変更され、対照フォルダで削除されています", "edited in the base, deleted in the target"},
    {T::ConflictEditedTargetDeletedBase, "reason.edited_target_deleted_base",
     "対照フォルダで変更され、基本フォルダで削除されています", "edited in the target, deleted in the base"},
    {T::ConflictCreatedBoth, "reason.created_both", "両方で別々に作成され、内容が異なります",
     "created on both sides with different contents"},
    {T::ConflictKindChangedBoth, "reason.kind_changed_both", "一方ではファイル、他方ではフォルダで、両方で変更されています",
     "a file on one side and a folder on the other, changed on both sides"},
    {T::ConflictFileAndFolder, "reason.file_and_folder",
     "一方ではファイル、他方ではフォルダで、同期されたことがありません",
     "a file on one side and a folder on the other, never synced"},

    {T::FaultChangedSinceList, "reason.changed_since_list", "リスト作成の後に変更されています",
     "changed since the list was made"},
    {T::FaultReadOnly, "reason.read_only", "読み取り専用です（書き込みの許可がありません）",
     "read-only (no write permission bit)"},
    {T::FaultLinkInPath, "reason.link_in_path", "フォルダのあるべき場所にシンボリックリンクがあります",
     "a symbolic link stands where a folder was expected"},
    {T::FaultSpecialFile, "reason.special_file", "通常のファイル、リンク、フォルダのいずれでもありません",
     "not a regular file, link or folder"},
    {T::FaultFolderReplaced, "reason.folder_replaced", "リスト作成の後にフォルダが置き換えられています",
     "the folder was replaced since the list was made"},
    {T::FaultOtherRoot, "reason.other_root", "ここには組のもう一方のフォルダがあります",
     "the other folder of the pair lies here"},
    {T::FaultBusy, "reason.busy", "このフォルダは他の同期処理で使用中です", "another run is working on this folder"},
    {T::FaultNulInPath, "reason.nul_in_path", "パスに NUL 文字が含まれています", "the path holds a NUL byte"},

    // The English texts are the system's own, so that an English run reads as before.
    {T::ErrnoPermission, "errno.eperm", "操作は許可されていません", "Operation not permitted"},
    {T::ErrnoNoEntry, "errno.enoent", "そのようなファイルやフォルダはありません", "No such file or directory"},
    {T::ErrnoInterrupted, "errno.eintr", "処理が中断されました", "Interrupted system call"},
    {T::ErrnoIo, "errno.eio", "入出力エラーです", "Input/output error"},
    {T::ErrnoNoDevice, "errno.enxio", "そのようなデバイスやアドレスはありません", "No such device or address"},
    {T::ErrnoBadDescriptor, "errno.ebadf", "ファイル記述子が正しくありません", "Bad file descriptor"},
    {T::ErrnoTryAgain, "errno.eagain", "リソースが一時的に使えません", "Resource temporarily unavailable"},
    {T::ErrnoNoMemory, "errno.enomem", "メモリを確保できません", "Cannot allocate memory"},
    {T::ErrnoAccess, "errno.eacces", "アクセスが拒否されました", "Permission denied"},
    {T::ErrnoBusy, "errno.ebusy", "デバイスまたはリソースが使用中です", "Device or resource busy"},
    {T::ErrnoExists, "errno.eexist", "ファイルがすでに存在します", "File exists"},
    {T::ErrnoCrossDevice, "errno.exdev", "別のデバイスをまたぐリンクはできません", "Invalid cross-device link"},
    {T::ErrnoNotFolder, "errno.enotdir", "フォルダではありません", "Not a directory"},
    {T::ErrnoIsFolder, "errno.eisdir", "フォルダです", "Is a directory"},
    {T::ErrnoInvalid, "errno.einval", "引数が正しくありません", "Invalid argument"},
    {T::ErrnoTooManyOpen, "errno.emfile", "開いているファイルが多すぎます", "Too many open files"},
    {T::ErrnoTextBusy, "errno.etxtbsy", "実行中のファイルです", "Text file busy"},
    {T::ErrnoTooLarge, "errno.efbig", "ファイルが大きすぎます", "File too large"},
    {T::ErrnoNoSpace, "errno.enospc", "デバイスに空き領域がありません", "No space left on device"},
    {T::ErrnoReadOnlyFs, "errno.erofs", "読み取り専用のファイルシステムです", "Read-only file system"},
    {T::ErrnoTooManyLinks, "errno.emlink", "リンクが多すぎます", "Too many links"},
    {T::ErrnoBrokenPipe, "errno.epipe", "パイプが切断されました", "Broken pipe"},
    {T::ErrnoNameTooLong, "errno.enametoolong", "ファイル名が長すぎます", "File name too long"},
    {T::ErrnoNotEmpty, "errno.enotempty", "フォルダが空ではありません", "Directory not empty"},
    {T::ErrnoLoop, "errno.eloop", "シンボリックリンクの階層が多すぎます", "Too many levels of symbolic links"},
    {T::ErrnoNoData, "errno.enodata", "データがありません", "No data available"},
    {T::ErrnoOverflow, "errno.eoverflow", "値がデータ型に収まりません", "Value too large for defined data type"},
    {T::ErrnoNotSupported, "errno.eopnotsupp", "この操作には対応していません", "Operation not supported"},
    {T::ErrnoConnReset, "errno.econnreset", "接続が相手側からリセットされました", "Connection reset by peer"},
    {T::ErrnoTimedOut, "errno.etimedout", "接続がタイムアウトしました", "Connection timed out"},
    {T::ErrnoConnRefused, "errno.econnrefused", "接続を拒否されました", "Connection refused"},
    {T::ErrnoHostUnreach, "errno.ehostunreach", "ホストへの経路がありません", "No route to host"},
    {T::ErrnoStale, "errno.estale", "ファイルハンドルが古くなっています", "Stale file handle"},
    {T::ErrnoQuota, "errno.edquot", "ディスク使用量の上限を超えました", "Disk quota exceeded"},
    {T::ErrnoCancelled, "errno.ecanceled", "操作は取り消されました", "Operation canceled"},
    // %1 the number, %2 the system's words.
    {T::ErrnoOther, "errno.other", "システムのエラー %1 (%2)", "%2 (errno %1)"},
    {T::OtherReason, "reason.other", "%1", "%1", true},

    // %1 is the host where a text names it; the connection's other faults
    // also stand as the reasons of rows, which know no host.
    {T::RemoteBadFrame, "remote.bad_frame", "相手側がプロトコルにないものを送りました",
     "the far side sent something the protocol does not allow"},
    {T::RemoteUnknownRequest, "remote.unknown_request", "相手側が知らない要求です", "a request the far side does not know"},
    {T::RemoteUnsupported, "remote.unsupported", "相手側のこの版では行えない要求です",
     "a request this version of the far side does not carry out"},
    // %2 and %3 the far side's program and protocol versions, %4 and %5 this side's.
    {T::RemoteVersionMismatch, "remote.version_mismatch",
     "両側のプロトコルの版が異なります: %1 は orvel-cli %2 (プロトコル %3)、こちらは orvel-cli %4 (プロトコル %5)",
     "the two sides speak different protocol versions: %1 runs orvel-cli %2 (protocol %3), this side orvel-cli %4 "
     "(protocol %5)"},
    {T::RemoteNotOpen, "remote.not_open", "相手側でフォルダが開かれていません", "the far side's folder is not open"},
    {T::RemoteConnectionClosed, "remote.connection_closed", "接続が切れました", "the connection ended"},
    {T::RemoteTimeout, "remote.timeout", "タイムアウト（%1 から 60 秒間応答がありません）",
     "timeout (no answer from %1 for 60 s)"},
    {T::RemoteHostUnreachable, "remote.host_unreachable", "ホスト %1 に接続できません", "the host %1 cannot be reached"},
    {T::RemoteAuthRefused, "remote.auth_refused", "ホスト %1 にログインできません（拒否されました）",
     "the host %1 refused the login"},
    // %2 the far side's program.
    {T::RemoteProgramMissing, "remote.program_missing", "%1 に %2 がインストールされていません",
     "%2 is not installed on %1"},
    {T::RemoteFarSideFailed, "remote.far_side_failed", "相手側のプログラムが途中で終了しました",
     "the program on the far side ended unexpectedly"},
    {T::RemoteNotAServer, "remote.not_a_server", "相手側が orvel-cli --serve として応答しません",
     "the far side did not answer as orvel-cli --serve"},
    {T::RemoteHostKeyUnknown, "remote.host_key_unknown",
     "ホスト %1 の鍵はまだ登録されていません（確認して登録するまで接続しません）",
     "the host key of %1 is not known yet (no connection until it is checked and accepted)"},
    {T::RemoteHostKeyChanged, "remote.host_key_changed",
     "ホスト %1 の鍵が登録済みの鍵と違います（なりすましの恐れがあるため接続しません）",
     "the host key of %1 differs from the known one (possibly an impostor, so no connection)"},
    // %1 the ssh command.
    {T::RemoteSshNotStarted, "remote.ssh_not_started", "ssh コマンド '%1' を起動できません",
     "the ssh command '%1' cannot be started"},
    // Why a folder text is no folder on another machine; %1 the part it names.
    {T::AddressUserEscape, "address.user_escape", "ユーザー名のパーセントエスケープが正しくありません",
     "invalid percent escape in the user name"},
    {T::AddressUser, "address.user", "ユーザー名 '%1' は使えません", "invalid user name '%1'"},
    {T::AddressBracket, "address.bracket", "ホストの '[' が閉じていません", "unclosed '[' in the host"},
    {T::AddressIpv6, "address.ipv6", "IPv6 アドレス '%1' が正しくありません", "invalid IPv6 address '%1'"},
    {T::AddressNoHost, "address.no_host", "ホスト名がありません", "no host name"},
    {T::AddressHost, "address.host", "ホスト名 '%1' は使えません", "invalid host name '%1'"},
    {T::AddressPort, "address.port", "ポート '%1' が正しくありません", "invalid port '%1'"},
    {T::AddressPathEscape, "address.path_escape", "パスのパーセントエスケープが正しくありません",
     "invalid percent escape in the path"},
    {T::RemoteAdviceInstall, "remote.advice_install", "%1 に orvel-cli パッケージをインストールしてください",
     "Install the orvel-cli package on %1"},
    {T::RemoteAdviceSameVersion, "remote.advice_same_version",
     "両方のマシンに同じ版の orvel-cli パッケージをインストールしてください",
     "Install the same version of the orvel-cli package on both machines"},
    {T::ReasonSeparator, "reason.separator", "。", ". "},

    {T::PlanHeading, "plan.heading", "リストの内容（実行時にリストを作り直します）:",
     "As listed (a sync run makes the list afresh):"},
    {T::PlanToTarget, "plan.to_target", "基本→対照へコピー: %1 件 (%2)", "Copy base to target: %1 (%2)"},
    {T::PlanToBase, "plan.to_base", "対照→基本へコピー: %1 件 (%2)", "Copy target to base: %1 (%2)"},
    {T::PlanDeleteTarget, "plan.delete_target", "対照フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
     "Delete in the target folder: %1 (%2 to the trash, %3 for good)"},
    {T::PlanDeleteBase, "plan.delete_base", "基本フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
     "Delete in the base folder: %1 (%2 to the trash, %3 for good)"},
    {T::PlanTimesSet, "plan.times_set", "時刻だけ揃える（内容が同じ）: %1 件", "Set the time only (same contents): %1"},
    {T::PlanConflicts, "plan.conflicts", "競合（同期しません）: %1 件", "Conflicts (not synchronized): %1"},
    {T::PlanFailures, "plan.failures", "失敗: %1 件", "Failures: %1"},
    {T::PlanConditions, "plan.conditions", "実行する条件: %1 件", "Conditions to run: %1"},
    {T::FiguresLine, "figures.line", "%1/%2 件  コピー %3 件 (%4)  %5/秒", "%1/%2 done  copied %3 (%4)  %5/s"},
    {T::FiguresLeft, "figures.left", "残り %1", "%1 left"},
    {T::FiguresDone, "figures.done", "%1 / %2 件処理  コピー %3 件 (%4)", "%1 of %2 done  copied %3 (%4)"},
    {T::FiguresSpeed, "figures.speed", "%1/秒", "%1/s"},
    {T::FiguresLeftUnknown, "figures.left_unknown", "残り時間 計算中", "time left not known yet"},
    {T::FiguresElapsed, "figures.elapsed", "経過 %1", "%1 elapsed"},
    {T::SummaryListCreation, "summary.list_creation", "リスト作成", "List creation"},
    {T::SummarySyncRun, "summary.sync_run", "同期実行", "Sync run"},
    {T::SummaryRowCommand, "summary.row_command", "個別同期", "Selected rows"},
    {T::SummaryCancelled, "summary.cancelled", "（中止）", " (cancelled)"},
    {T::SummaryRows, "summary.rows", "%1 行", "%1 rows"},
    {T::SummaryToTarget, "summary.to_target", "基本→対照 %1 件 (%2)", "base to target %1 (%2)"},
    {T::SummaryToBase, "summary.to_base", "対照→基本 %1 件 (%2)", "target to base %1 (%2)"},
    {T::SummaryDeleted, "summary.deleted", "削除 %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
     "deleted %1 (%2 to the trash, %3 for good)"},
    {T::SummaryTimesSet, "summary.times_set", "時刻のみ %1 件", "time only %1"},
    {T::SummaryLeftovers, "summary.leftovers", "中断された同期の一時ファイルを削除 %1 件",
     "leftover temporary files removed %1"},
    {T::SummaryConflicts, "summary.conflicts", "競合 %1 件", "conflicts %1"},
    {T::SummaryFailures, "summary.failures", "失敗 %1 件", "failures %1"},
    {T::SummaryTime, "summary.time", "時間 %1", "time %1"},
    {T::SummarySeparator, "summary.separator", "、", ", "},
};

constexpr bool InTextIdOrder() {
  for (std::size_t i = 0; i < std::size(kTexts); ++i)
    if (kTexts[i].id != static_cast<TextId>(i)) return false;
  return std::size(kTexts) == static_cast<std::size_t>(TextId::Count);
}
static_assert(InTextIdOrder(), "the table lists every text once, in TextId order");
// One text per message and per status, in their order.
static_assert(static_cast<int>(T::TemporaryUnproven) - static_cast<int>(T::BaseMissing) ==
              static_cast<int>(RunMessage::TemporaryUnproven));
static_assert(static_cast<int>(T::StatusConnecting) - static_cast<int>(T::StatusSearching) ==
              static_cast<int>(RunStatus::Connecting));

constexpr std::pair<int, TextId> kErrnoTexts[] = {
    {EPERM, T::ErrnoPermission},   {ENOENT, T::ErrnoNoEntry},       {EINTR, T::ErrnoInterrupted},
    {EIO, T::ErrnoIo},             {ENXIO, T::ErrnoNoDevice},       {EBADF, T::ErrnoBadDescriptor},
    {EAGAIN, T::ErrnoTryAgain},    {ENOMEM, T::ErrnoNoMemory},      {EACCES, T::ErrnoAccess},
    {EBUSY, T::ErrnoBusy},         {EEXIST, T::ErrnoExists},        {EXDEV, T::ErrnoCrossDevice},
    {ENOTDIR, T::ErrnoNotFolder},  {EISDIR, T::ErrnoIsFolder},      {EINVAL, T::ErrnoInvalid},
    {EMFILE, T::ErrnoTooManyOpen}, {ENFILE, T::ErrnoTooManyOpen},   {ETXTBSY, T::ErrnoTextBusy},
    {EFBIG, T::ErrnoTooLarge},     {ENOSPC, T::ErrnoNoSpace},       {EROFS, T::ErrnoReadOnlyFs},
    {EMLINK, T::ErrnoTooManyLinks}, {EPIPE, T::ErrnoBrokenPipe},    {ENAMETOOLONG, T::ErrnoNameTooLong},
    {ENOTEMPTY, T::ErrnoNotEmpty}, {ELOOP, T::ErrnoLoop},           {ENODATA, T::ErrnoNoData},
    {EOVERFLOW, T::ErrnoOverflow}, {EOPNOTSUPP, T::ErrnoNotSupported}, {ECONNRESET, T::ErrnoConnReset},
    {ETIMEDOUT, T::ErrnoTimedOut}, {ECONNREFUSED, T::ErrnoConnRefused}, {EHOSTUNREACH, T::ErrnoHostUnreach},
    {ENETUNREACH, T::ErrnoHostUnreach}, {ESTALE, T::ErrnoStale},    {EDQUOT, T::ErrnoQuota},
    {ECANCELED, T::ErrnoCancelled},
};

constexpr std::pair<std::string_view, TextId> kSkipped[] = {
    {"plain-rename", T::SkippedPlainRename}, {"mode", T::SkippedMode},
    {"owner", T::SkippedOwner},              {"times", T::SkippedTimes},
    {"attributes", T::SkippedAttributes},    {"hard-links", T::SkippedHardLinks},
    {"link-times", T::SkippedLinkTimes},
};

TextId Offset(TextId first, int by) { return static_cast<TextId>(static_cast<int>(first) + by); }

}  // namespace

std::span<const TextEntry> TextCatalogue() { return kTexts; }

const TextEntry& EntryOf(TextId id) {
  const auto index = static_cast<std::size_t>(id);
  return kTexts[index < std::size(kTexts) ? index : static_cast<std::size_t>(T::OtherReason)];
}

std::string_view Words(Language language, TextId id) {
  const TextEntry& entry = EntryOf(id);
  return language == Language::English ? entry.english : entry.japanese;
}

TextId MessageTextId(RunMessage message) { return Offset(T::BaseMissing, static_cast<int>(message)); }

TextId StatusTextId(RunStatus status) { return Offset(T::StatusSearching, static_cast<int>(status)); }

std::optional<TextId> SkippedTextId(std::string_view what) {
  for (const auto& [name, id] : kSkipped)
    if (name == what) return id;
  return std::nullopt;
}

Reason ReasonOf(std::error_code error) {
  Reason reason;
  if (IsConflict(error) && error.value() >= static_cast<int>(ConflictReason::EditedBoth) &&
      error.value() <= static_cast<int>(ConflictReason::FileAndFolder)) {
    reason.id = Offset(T::ConflictEditedBoth, error.value() - static_cast<int>(ConflictReason::EditedBoth));
  } else if (error.category() == platform::FaultCategory() &&
             error.value() >= static_cast<int>(platform::Fault::ChangedSinceList) &&
             error.value() <= static_cast<int>(platform::Fault::NulInPath)) {
    reason.id = Offset(T::FaultChangedSinceList, error.value() - static_cast<int>(platform::Fault::ChangedSinceList));
  } else if (error.category() == std::system_category() || error.category() == std::generic_category()) {
    reason.id = T::ErrnoOther;
    reason.args = {std::to_string(error.value()), error.message()};
    for (const auto& [value, id] : kErrnoTexts) {
      if (value == error.value()) {
        reason.id = id;
        reason.args.clear();
      }
    }
  } else {
    reason.args = {error.message()};
  }
  return reason;
}

std::string ReasonText(const Reason& reason, const TextSource& words) {
  std::string text = FillArguments(words(reason.id), reason.args);
  if (reason.cause) text += ": " + ReasonText(ReasonOf(reason.cause), words);
  if (!reason.detail.empty()) text += " (" + reason.detail + ")";
  if (reason.advice != T::Count) text += words(T::ReasonSeparator) + FillArguments(words(reason.advice), reason.adviceArgs);
  return text;
}

std::string ReasonText(Language language, const Reason& reason) {
  return ReasonText(reason, [language](TextId id) { return std::string(Words(language, id)); });
}

}  // namespace orvel::engine
