#pragma once

#include "engine/run_message.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace orvel::engine {

// The languages of the two front ends. Japanese is the default.
enum class Language { Japanese, English };

// Every text both front ends say about a run, its reasons and its figures: one
// table with both languages. orvel-cli reads it directly; the desktop program
// through Qt's translation (the Japanese text is the source, the key the
// disambiguation), so that its texts follow the translators it installs.
enum class TextId : int {
  // The run's messages and questions, in the order of RunMessage.
  BaseMissing,
  TargetMissingAsk,
  TargetCannotCreate,
  TargetNotFolder,
  SameFolders,
  FolderUnreadable,
  FolderBusyAsk,
  EmptyBaseAsk,
  ConfirmSync,
  ConfirmForceBase1,
  ConfirmForceBase2,
  ConfirmForceTarget1,
  ConfirmForceTarget2,
  DeleteConditionAsk,
  MemoryReplaced,
  MemoryUnavailable,
  MemoryUntrusted,
  MemoryRemote,
  MassDeleteBaseAsk,
  MassDeleteTargetAsk,
  FolderUnlockable,
  LockLocalOnly,
  TimeGranularity,
  MetadataSkipped,
  FarSideSilent,
  NotDurable,
  TemporaryUnproven,
  // The conflict question.
  ConflictAsk,
  ConflictDeletedSide,
  // Status lines, in the order of RunStatus.
  StatusSearching,
  StatusBasePass,
  StatusTargetPass,
  StatusIndividualSync,
  StatusLaunching,
  StatusConnecting,
  // What a MetadataSkipped notice names.
  SkippedPlainRename,
  SkippedMode,
  SkippedOwner,
  SkippedTimes,
  SkippedAttributes,
  SkippedHardLinks,
  SkippedLinkTimes,
  // Why a row stopped at "!", in the order of ConflictReason.
  ConflictEditedBoth,
  ConflictEditedBaseDeletedTarget,
  ConflictEditedTargetDeletedBase,
  ConflictCreatedBoth,
  ConflictKindChangedBoth,
  ConflictFileAndFolder,
  // The program's own reasons, in the order of platform::Fault.
  FaultChangedSinceList,
  FaultReadOnly,
  FaultLinkInPath,
  FaultSpecialFile,
  FaultFolderReplaced,
  FaultOtherRoot,
  FaultBusy,
  FaultNulInPath,
  // The system's reasons (errno values) a run meets most.
  ErrnoPermission,     // EPERM
  ErrnoNoEntry,        // ENOENT
  ErrnoInterrupted,    // EINTR
  ErrnoIo,             // EIO
  ErrnoNoDevice,       // ENXIO
  ErrnoBadDescriptor,  // EBADF
  ErrnoTryAgain,       // EAGAIN
  ErrnoNoMemory,       // ENOMEM
  ErrnoAccess,         // EACCES
  ErrnoBusy,           // EBUSY
  ErrnoExists,         // EEXIST
  ErrnoCrossDevice,    // EXDEV
  ErrnoNotFolder,      // ENOTDIR
  ErrnoIsFolder,       // EISDIR
  ErrnoInvalid,        // EINVAL
  ErrnoTooManyOpen,    // EMFILE, ENFILE
  ErrnoTextBusy,       // ETXTBSY
  ErrnoTooLarge,       // EFBIG
  ErrnoNoSpace,        // ENOSPC
  ErrnoReadOnlyFs,     // EROFS
  ErrnoTooManyLinks,   // EMLINK
  ErrnoBrokenPipe,     // EPIPE
  ErrnoNameTooLong,    // ENAMETOOLONG
  ErrnoNotEmpty,       // ENOTEMPTY
  ErrnoLoop,           // ELOOP
  ErrnoNoData,         // ENODATA
  ErrnoOverflow,       // EOVERFLOW
  ErrnoNotSupported,   // EOPNOTSUPP, ENOTSUP
  ErrnoConnReset,      // ECONNRESET
  ErrnoTimedOut,       // ETIMEDOUT
  ErrnoConnRefused,    // ECONNREFUSED
  ErrnoHostUnreach,    // EHOSTUNREACH, ENETUNREACH
  ErrnoStale,          // ESTALE
  ErrnoQuota,          // EDQUOT
  ErrnoCancelled,      // ECANCELED
  ErrnoOther,          // any other: its number and the system's words
  OtherReason,         // a reason of no known kind, as its source words it
  // A folder on another machine, in the order of the far side's faults.
  RemoteBadFrame,
  RemoteUnknownRequest,
  RemoteUnsupported,
  RemoteVersionMismatch,
  RemoteNotOpen,
  RemoteConnectionClosed,
  RemoteTimeout,
  RemoteHostUnreachable,
  RemoteAuthRefused,
  RemoteProgramMissing,
  RemoteFarSideFailed,
  RemoteNotAServer,
  RemoteHostKeyUnknown,
  RemoteHostKeyChanged,
  // The rest of what opening a far folder may meet, and what to do.
  RemoteSshNotStarted,
  AddressUserEscape,
  AddressUser,
  AddressBracket,
  AddressIpv6,
  AddressNoHost,
  AddressHost,
  AddressPort,
  AddressPathEscape,
  RemoteAdviceInstall,
  RemoteAdviceSameVersion,
  ReasonSeparator,
  // The plan (--dry-run, the sync question), the progress figures and the summary.
  PlanHeading,
  PlanToTarget,
  PlanToBase,
  PlanDeleteTarget,
  PlanDeleteBase,
  PlanTimesSet,
  PlanConflicts,
  PlanFailures,
  PlanConditions,
  FiguresLine,        // orvel-cli's progress line
  FiguresLeft,
  FiguresDone,        // the desktop program's progress dialog
  FiguresSpeed,
  FiguresLeftUnknown,
  FiguresElapsed,
  SummaryListCreation,
  SummarySyncRun,
  SummaryRowCommand,
  SummaryCancelled,
  SummaryRows,
  SummaryToTarget,
  SummaryToBase,
  SummaryDeleted,
  SummaryTimesSet,
  SummaryLeftovers,
  SummaryConflicts,
  SummaryFailures,
  SummaryTime,
  SummarySeparator,
  Count
};

struct TextEntry {
  TextId id;
  const char* key;  // stable, for translators and tests: "message.base_missing"
  const char* japanese;
  const char* english;
  // The two may be the same text: a name, a path, a sign.
  bool same = false;
};

// The whole table, in TextId order.
std::span<const TextEntry> TextCatalogue();
const TextEntry& EntryOf(TextId id);
std::string_view Words(Language language, TextId id);

TextId MessageTextId(RunMessage message);
TextId StatusTextId(RunStatus status);
// What a MetadataSkipped notice names ("mode", "owner", …); none for a name
// the table does not know.
std::optional<TextId> SkippedTextId(std::string_view what);

// Why something failed, as a key of the table and its arguments (a host, a
// program, versions), then a reason behind it (an errno) and what its source
// said in its own words (ssh's last lines, the far side's text): each front end
// words it in its language, the detail after it in parentheses.
struct Reason {
  TextId id = TextId::OtherReason;
  MessageArgs args;
  std::error_code cause;
  std::string detail;
  TextId advice = TextId::Count;  // none
  MessageArgs adviceArgs;
};

// The reason of an error of the conflict, platform fault, or errno kind; any
// other is OtherReason with the error's own text.
Reason ReasonOf(std::error_code error);

// Words a reason with `words` (a front end's texts of the table): the text
// with its arguments, ": " and its cause, its detail in parentheses, then its
// advice.
using TextSource = std::function<std::string(TextId)>;
std::string ReasonText(const Reason& reason, const TextSource& words);
std::string ReasonText(Language language, const Reason& reason);

}  // namespace orvel::engine
