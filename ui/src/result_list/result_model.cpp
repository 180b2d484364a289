#include "ui/result_list/result_model.h"

#include "ui/result_list/name_matcher.h"
#include "ui/startup/run_texts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace orvel::ui {

ResultModel::ResultModel(const engine::RowStore& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), items_(rows) {}

int ResultModel::ItemCount() const { return items_.ItemCount(); }

void ResultModel::AppendItem(int rowIndex) {
  items_.AppendItem(rowIndex);
  if (!order_.empty()) order_.push_back(items_.ItemCount() - 1);
  // A run that never calls Flush still shows its lines whenever it lets the
  // event loop turn.
  if (!flushQueued_) {
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          flushQueued_ = false;
          FlushDue();
        },
        Qt::QueuedConnection);
  }
}

int ResultModel::ItemData(int item) const { return items_.ItemData(Item(item)); }

std::string ResultModel::ItemText(int item, int column) const { return items_.ItemText(Item(item), column); }

engine::Mark ResultModel::ItemMark(int item) const { return items_.ItemMark(Item(item)); }

engine::DateCopy ResultModel::ItemDateCopy(int item) const { return items_.ItemDateCopy(Item(item)); }

void ResultModel::SetItemResult(int item, const engine::ItemResult& result) {
  if (item < 0 || item >= ItemCount()) return;
  items_.SetItemResult(Item(item), result);
  // A line the filter hides stays hidden until the filter is set again.
  const int row = ViewRowOf(item);
  if (row >= 0) Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void ResultModel::Clear() {
  beginResetModel();
  items_.Clear();
  std::vector<int>().swap(order_);
  std::vector<int>().swap(visible_);
  std::vector<std::uint8_t>().swap(passes_);
  shown_ = 0;
  endResetModel();
}

int ResultModel::ViewRowOf(int position) const {
  if (position < 0 || position >= shown_) return -1;
  if (!filtered_) return position;
  const auto found = std::lower_bound(visible_.begin(), visible_.end(), position);
  return found != visible_.end() && *found == position ? static_cast<int>(found - visible_.begin()) : -1;
}

void ResultModel::Flush() {
  const int count = ItemCount();
  if (count <= shown_) return;
  if (!filtered_) {
    beginInsertRows(QModelIndex(), shown_, count - 1);
    shown_ = count;
    endInsertRows();
  } else {
    // Lines a run adds meet the filter as they come.
    const NameMatcher name(filter_.name);
    const std::size_t before = visible_.size();
    std::vector<int> added;
    passes_.resize(static_cast<std::size_t>(count), 0);
    for (int position = shown_; position < count; ++position) {
      const int item = Item(position);
      passes_[static_cast<std::size_t>(item)] = Passes(item, name) ? 1 : 0;
      if (passes_[static_cast<std::size_t>(item)]) added.push_back(position);
    }
    shown_ = count;
    if (!added.empty()) {
      beginInsertRows(QModelIndex(), static_cast<int>(before), static_cast<int>(before + added.size()) - 1);
      visible_.insert(visible_.end(), added.begin(), added.end());
      endInsertRows();
    }
  }
  lastFlush_ = std::chrono::steady_clock::now();
}

unsigned ResultModel::KindOf(engine::Mark mark) {
  using engine::Mark;
  switch (mark) {
    case Mark::BaseNewer:
    case Mark::BaseOnly:
    case Mark::TargetNewer:
    case Mark::TargetOnly:
    case Mark::BaseSynced:
    case Mark::TargetSynced:
      return kDifferences;
    case Mark::Conflict:
      return kConflicts;
    case Mark::Failed:
      return kFailures;
    case Mark::Delete:
    case Mark::Deleted:
    case Mark::BaseDelete:
    case Mark::BaseDeleted:
      return kDeletions;
    case Mark::Same:
      return kIdentical;
  }
  return 0;
}

bool ResultModel::Passes(int item, const NameMatcher& name) const {
  if (filter_.kinds != 0 && (KindOf(items_.ItemMark(item)) & filter_.kinds) == 0) return false;
  return name.Empty() || name.Matches(rows_.RowName(items_.ItemData(item)));
}

void ResultModel::CollectVisible() {
  visible_.clear();
  for (int position = 0; position < shown_; ++position) {
    if (passes_[static_cast<std::size_t>(Item(position))]) visible_.push_back(position);
  }
}

void ResultModel::SetFilter(const Filter& filter) {
  if (filter == filter_) return;
  Flush();
  const Filter before = filter_;
  filter_ = filter;
  beginResetModel();
  if (!filter_.Active()) {
    filtered_ = false;
    std::vector<int>().swap(visible_);
    std::vector<std::uint8_t>().swap(passes_);
  } else {
    const NameMatcher name(filter_.name);
    const std::size_t count = static_cast<std::size_t>(ItemCount());
    // Typing on narrows what shows: only the lines shown now need a look.
    const bool narrower = filtered_ && before.kinds == filter_.kinds &&
                          filter_.name.contains(before.name, Qt::CaseInsensitive) && passes_.size() == count;
    if (narrower) {
      // In the items' own order, as below.
      for (std::size_t item = 0; item < count; ++item) {
        if (passes_[item] && !Passes(static_cast<int>(item), name)) passes_[item] = 0;
      }
    } else {
      // Items in their own order: the rows are read front to back, not in the
      // order a sort left them.
      passes_.assign(count, 0);
      for (std::size_t item = 0; item < count; ++item) passes_[item] = Passes(static_cast<int>(item), name) ? 1 : 0;
    }
    filtered_ = true;
    CollectVisible();
  }
  endResetModel();
}

void ResultModel::FlushDue() {
  const int waiting = ItemCount() - shown_;
  if (waiting <= 0) return;
  // A view lays out all its lines at each announcement: lines waiting of at
  // least an eighth of those shown keep that work in proportion to the list,
  // and a second's wait bounds how long new lines go unseen.
  constexpr auto kLongest = std::chrono::seconds(1);
  if (waiting >= shown_ / 8 || std::chrono::steady_clock::now() - lastFlush_ >= kLongest) {
    Flush();
    return;
  }
  if (!flushTimed_) {
    flushTimed_ = true;
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(kLongest), this, [this] {
      flushTimed_ = false;
      FlushDue();
    });
  }
}

namespace {

// 12 bytes a line: a sort key of 64 bits and the line's display position.
struct SortKey {
  std::uint32_t hi;
  std::uint32_t lo;
  std::uint32_t position;
};

SortKey MakeKey(std::uint64_t key, std::size_t position) {
  return {static_cast<std::uint32_t>(key >> 32), static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(position)};
}

std::uint64_t ValueOf(const SortKey& key) { return std::uint64_t{key.hi} << 32 | key.lo; }

// Sorts keys ordered first by their value: they are first spread over 256
// buckets by the eight highest bits in which their values differ (in place,
// without a second array), then each bucket is sorted the same way, down to
// buckets small enough for std::sort — a million keys need far fewer
// comparisons that way, each among keys that fit the cache.
template <typename Less>
void SortKeys(SortKey* first, SortKey* last, Less less) {
  constexpr std::ptrdiff_t kSmall = 4096;
  if (last - first < kSmall) {
    std::sort(first, last, less);
    return;
  }
  std::uint64_t lowest = ~std::uint64_t{0};
  std::uint64_t highest = 0;
  for (const SortKey* key = first; key != last; ++key) {
    lowest = std::min(lowest, ValueOf(*key));
    highest = std::max(highest, ValueOf(*key));
  }
  const std::uint64_t differ = lowest ^ highest;
  if (differ == 0) {
    std::sort(first, last, less);
    return;
  }
  // Above the highest differing bit all values agree, so these eight bits order
  // the buckets as the values; inside a bucket they agree down to `shift`.
  const int top = 63 - std::countl_zero(differ);
  const int shift = std::max(0, top - 7);
  const auto bucket = [shift](const SortKey& key) { return static_cast<std::size_t>((ValueOf(key) >> shift) & 0xFF); };
  std::array<std::ptrdiff_t, 257> start{};
  for (const SortKey* key = first; key != last; ++key) ++start[bucket(*key) + 1];
  for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
  std::array<std::ptrdiff_t, 256> next{};
  std::copy(start.begin(), start.end() - 1, next.begin());
  for (std::size_t b = 0; b < 256; ++b) {
    while (next[b] < start[b + 1]) {
      std::size_t home = bucket(first[next[b]]);
      while (home != b) {
        std::swap(first[next[b]], first[next[home]++]);
        home = bucket(first[next[b]]);
      }
      ++next[b];
    }
  }
  for (std::size_t b = 0; b < 256; ++b) SortKeys(first + start[b], first + start[b + 1], less);
}

// The first eight bytes of a name as a big-endian number: names compare as
// these numbers do, unless the numbers are equal.
std::uint64_t NamePrefix(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i)
    key = key << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
  return key;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

platform::LocalTime CivilFromSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  platform::LocalTime local;
  local.year = static_cast<std::uint16_t>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
  local.month = static_cast<std::uint16_t>(m);
  local.day = static_cast<std::uint16_t>(d);
  local.hour = static_cast<std::uint16_t>(rest / 3600);
  local.minute = static_cast<std::uint16_t>(rest / 60 % 60);
  local.second = static_cast<std::uint16_t>(rest % 60);
  return local;
}

bool SameFields(const platform::LocalTime& a, const platform::LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.second == b.second;
}

// Sort keys of date texts ("%.4d/%.2d/%.2d %.2d:%.2d:%.2d" in local time, ""
// without an entry) that order as the texts do, made without formatting: the
// offset from UTC is looked up once a day of times (UTC days; the times of a
// tree spread over years) and checked at both ends of the day; a day where it
// changes, or a time far out, takes the local time of each time itself.
class DateKeys {
 public:
  std::uint64_t Key(bool exists, const platform::FileTime& time) {
    if (!exists) return 0;
    return KeyOf(FieldsOf(time));
  }

 private:
  // Years 1900 to 9998: four-digit years whichever the zone.
  static constexpr std::int64_t kFirst = -2208988800;
  static constexpr std::int64_t kLast = 253370764800;
  static constexpr std::int64_t kSpan = 86400;

  struct Span {
    std::int64_t number = INT64_MIN;
    std::int64_t offset = 0;
    bool steady = false;  // one offset for the whole span
  };

  static std::uint64_t KeyOf(const platform::LocalTime& t) {
    // A year of five digits differs from one of four by its fifth character,
    // a digit where the other has '/'.
    const std::uint64_t year = t.year < 10000 ? std::uint64_t{t.year} * 11 : std::uint64_t{t.year / 10u} * 11 + 1 + t.year % 10u;
    return ((((year * 100 + t.month) * 100 + t.day) * 100 + t.hour) * 100 + t.minute) * 100 + t.second + 1;
  }

  platform::LocalTime FieldsOf(const platform::FileTime& time) {
    if (time.sec < kFirst || time.sec > kLast) return platform::ToLocalTime(time);
    const std::int64_t number = time.sec >= 0 ? time.sec / kSpan : (time.sec - (kSpan - 1)) / kSpan;
    Span& slot = spans_[static_cast<std::size_t>(number) % spans_.size()];
    if (slot.number != number) {
      slot.number = number;
      const std::int64_t start = number * kSpan;
      const platform::LocalTime first = platform::ToLocalTime({start, 0});
      slot.offset = DaysFromCivil(first.year, first.month, first.day) * 86400 + first.hour * 3600 +
                    first.minute * 60 + first.second - start;
      // The offset must hold at the span's last second too, and give the
      // zone's own fields there (a zone that counts leap seconds does not).
      const std::int64_t last = start + kSpan - 1;
      slot.steady = SameFields(CivilFromSeconds(last + slot.offset), platform::ToLocalTime({last, 0}));
    }
    if (!slot.steady) return platform::ToLocalTime(time);
    return CivilFromSeconds(time.sec + slot.offset);
  }

  // 2^14 days: 44 years of times without a second look-up.
  std::vector<Span> spans_ = std::vector<Span>(16384);
};

// Stable counting sort of positions by small keys.
std::vector<int> ByRank(const std::vector<std::uint32_t>& ranks, std::uint32_t rankCount, bool ascending) {
  std::vector<int> counts(rankCount + 1, 0);
  for (const std::uint32_t r : ranks) ++counts[ascending ? r + 1 : rankCount - r];
  for (std::size_t i = 1; i < counts.size(); ++i) counts[i] += counts[i - 1];
  std::vector<int> sorted(ranks.size());
  for (std::size_t pos = 0; pos < ranks.size(); ++pos)
    sorted[static_cast<std::size_t>(counts[ascending ? ranks[pos] : rankCount - 1 - ranks[pos]]++)] =
        static_cast<int>(pos);
  return sorted;
}

}  // namespace

std::vector<int> ResultModel::SortedPositions(int column, bool ascending) const {
  const std::size_t count = static_cast<std::size_t>(ItemCount());
  // Every key is made reading the rows in their own order, not in the order
  // shown (after a sort that is a random walk through a million rows), and
  // carries the line's display position.
  std::vector<std::uint32_t> positionOf;
  if (!order_.empty()) {
    positionOf.resize(count);
    for (std::size_t pos = 0; pos < count; ++pos)
      positionOf[static_cast<std::size_t>(order_[pos])] = static_cast<std::uint32_t>(pos);
  }
  const auto position = [&](std::size_t item) { return positionOf.empty() ? item : std::size_t{positionOf[item]}; };
  if (column == kResult || column == kPath) {
    // Few distinct texts: each line gets the rank of its text.
    std::vector<std::uint32_t> ranks(count);
    std::uint32_t rankCount = 0;
    if (column == kResult) {
      std::array<std::string_view, engine::kMarkCount> texts;
      for (int m = 0; m < engine::kMarkCount; ++m) texts[static_cast<std::size_t>(m)] = engine::MarkText(static_cast<engine::Mark>(m));
      std::array<std::uint32_t, engine::kMarkCount> rankOf{};
      for (std::size_t m = 0; m < texts.size(); ++m)
        for (std::size_t other = 0; other < texts.size(); ++other)
          if (texts[other] < texts[m]) ++rankOf[m];
      rankCount = engine::kMarkCount;
      for (std::size_t item = 0; item < count; ++item)
        ranks[position(item)] = rankOf[static_cast<std::size_t>(items_.ItemMark(static_cast<int>(item)))];
    } else {
      // Folders by their text, compared without making it: the root's text,
      // then one name and a separator per folder down the chain.
      // Each item's folder as folder << 1 | target side: a million rows hold
      // far fewer than 2^31 folders.
      std::vector<std::uint32_t> folderOf(count);
      std::uint32_t largest = 0;
      for (std::size_t item = 0; item < count; ++item) {
        const engine::ResultRow row = rows_.Row(items_.ItemData(static_cast<int>(item)));
        folderOf[item] = row.folder << 1 | (row.side == engine::Side::Target ? 1u : 0u);
        largest = std::max(largest, folderOf[item]);
      }
      // The folders in use, then each one's rank by its text.
      constexpr std::uint32_t kUnused = UINT32_MAX;
      std::vector<std::uint32_t> rankOfFolder(std::size_t{largest} + 1, kUnused);
      for (const std::uint32_t folder : folderOf) rankOfFolder[folder] = 0;
      std::vector<std::uint64_t> distinct;
      for (std::uint32_t folder = 0; folder <= largest; ++folder)
        if (rankOfFolder[folder] != kUnused) distinct.push_back(folder);
      std::vector<std::uint32_t> chainA;
      std::vector<std::uint32_t> chainB;
      const auto chainOf = [this](std::uint32_t folder, std::vector<std::uint32_t>& chain) {
        chain.clear();
        for (std::uint32_t f = folder; f != engine::RowStore::kNoFolder; f = rows_.ParentFolder(f)) chain.push_back(f);
        std::reverse(chain.begin(), chain.end());
      };
      // The text as pieces: the root, then name and separator of each folder below it.
      const auto piece = [this](const std::vector<std::uint32_t>& chain, engine::Side side, std::size_t i) {
        if (i == 0) return rows_.RootOf(chain[0], side);
        const std::size_t folder = (i + 1) / 2;
        if (folder >= chain.size()) return std::string_view();
        return i % 2 ? rows_.FolderName(chain[folder]) : std::string_view("/");
      };
      const auto less = [&](std::uint64_t a, std::uint64_t b) {
        const engine::Side sideA = (a & 1) ? engine::Side::Target : engine::Side::Base;
        const engine::Side sideB = (b & 1) ? engine::Side::Target : engine::Side::Base;
        chainOf(static_cast<std::uint32_t>(a >> 1), chainA);
        chainOf(static_cast<std::uint32_t>(b >> 1), chainB);
        const std::size_t piecesA = 2 * chainA.size() - 1;
        const std::size_t piecesB = 2 * chainB.size() - 1;
        std::size_t ia = 0, ib = 0, oa = 0, ob = 0;
        std::string_view pa = piece(chainA, sideA, 0), pb = piece(chainB, sideB, 0);
        for (;;) {
          while (oa == pa.size() && ia + 1 < piecesA) {
            pa = piece(chainA, sideA, ++ia);
            oa = 0;
          }
          while (ob == pb.size() && ib + 1 < piecesB) {
            pb = piece(chainB, sideB, ++ib);
            ob = 0;
          }
          const bool endA = oa == pa.size();
          const bool endB = ob == pb.size();
          if (endA || endB) return endA && !endB;
          const auto ca = static_cast<unsigned char>(pa[oa++]);
          const auto cb = static_cast<unsigned char>(pb[ob++]);
          if (ca != cb) return ca < cb;
        }
      };
      std::vector<std::uint64_t> byText = std::move(distinct);
      std::sort(byText.begin(), byText.end(), less);
      // Equal texts (a root that is another condition's folder) share a rank.
      std::vector<std::uint32_t> rankOf(byText.size());
      for (std::size_t i = 0; i < byText.size(); ++i)
        rankOf[i] = i > 0 && !less(byText[i - 1], byText[i]) ? rankOf[i - 1] : static_cast<std::uint32_t>(i);
      rankCount = static_cast<std::uint32_t>(byText.size());
      for (std::size_t i = 0; i < byText.size(); ++i) rankOfFolder[static_cast<std::size_t>(byText[i])] = rankOf[i];
      for (std::size_t item = 0; item < count; ++item) ranks[position(item)] = rankOfFolder[folderOf[item]];
    }
    return ByRank(ranks, rankCount, ascending);
  }

  std::vector<SortKey> keys;
  keys.reserve(count);
  if (column == kName) {
    for (std::size_t item = 0; item < count; ++item) {
      const engine::ResultRow row = rows_.Row(items_.ItemData(static_cast<int>(item)));
      keys.push_back(MakeKey(NamePrefix(rows_.Name(row)), position(item)));
    }
  } else {
    DateKeys dates;
    for (std::size_t item = 0; item < count; ++item) {
      const engine::ResultRow row = rows_.Row(items_.ItemData(static_cast<int>(item)));
      const engine::DateCopy copy = items_.ItemDateCopy(static_cast<int>(item));
      // The date the column shows: a copied one in place of its own.
      const bool showsTarget = column == kBaseDate ? copy == engine::DateCopy::TargetOverBase
                                                   : copy != engine::DateCopy::BaseOverTarget;
      keys.push_back(MakeKey(showsTarget ? dates.Key(row.hasTarget, row.targetTime) : dates.Key(row.hasBase, row.baseTime),
                             position(item)));
    }
  }
  std::vector<std::uint32_t>().swap(positionOf);  // the sort's own memory instead
  const auto nameOf = [this](std::uint32_t pos) {
    return rows_.Name(rows_.Row(items_.ItemData(Item(static_cast<int>(pos)))));
  };
  const bool names = column == kName;
  // A descending sort is an ascending one of the keys' complements; equal keys
  // keep their order either way: the position decides last.
  if (!ascending) {
    for (SortKey& key : keys) {
      key.hi = ~key.hi;
      key.lo = ~key.lo;
    }
  }
  SortKeys(keys.data(), keys.data() + keys.size(), [&](const SortKey& a, const SortKey& b) {
    if (a.hi != b.hi) return a.hi < b.hi;
    if (a.lo != b.lo) return a.lo < b.lo;
    if (names) {
      const int order = nameOf(a.position).compare(nameOf(b.position));
      if (order != 0) return ascending ? order < 0 : order > 0;
    }
    return a.position < b.position;
  });
  std::vector<int> sorted(count);
  for (std::size_t to = 0; to < count; ++to) sorted[to] = static_cast<int>(keys[to].position);
  return sorted;
}

void ResultModel::SortByColumn(int column, bool ascending) {
  if (column < 0 || column >= kColumnCount) return;
  Flush();
  const std::size_t count = static_cast<std::size_t>(ItemCount());
  if (count < 2) return;

  std::vector<int> sorted = SortedPositions(column, ascending);  // new position → old position
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Selection and the current line follow their lines.
  const QModelIndexList before = persistentIndexList();
  std::vector<int> newPosition;
  if (!before.isEmpty()) {
    newPosition.resize(count);
    for (std::size_t to = 0; to < count; ++to) newPosition[static_cast<std::size_t>(sorted[to])] = static_cast<int>(to);
  }
  // The new order in place of the old position: item = old order at that position.
  for (int& position : sorted) position = Item(position);
  order_ = std::move(sorted);
  // The filter lets the same lines through, now in the new order.
  std::vector<int> oldVisible;
  if (filtered_) {
    oldVisible = visible_;
    CollectVisible();
  }
  if (!before.isEmpty()) {
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
      const int oldPosition = filtered_ ? oldVisible[static_cast<std::size_t>(index.row())] : index.row();
      const int row = ViewRowOf(newPosition[static_cast<std::size_t>(oldPosition)]);
      after.append(row < 0 ? QModelIndex() : this->index(row, index.column()));
    }
    changePersistentIndexList(before, after);
  }
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool ResultModel::IsFolder(int item) const { return rows_.Row(ItemData(item)).isFolder; }

QString ResultModel::ReasonText(int item) const {
  if (item < 0 || item >= ItemCount()) return {};
  const engine::RowError* error = ItemError(item);
  if (!error || !error->code) return {};
  const engine::ResultRow& row = rows_.Row(ItemData(item));
  std::string path = error->side == engine::Side::Base ? rows_.BaseFolder(row) : rows_.TargetFolder(row);
  path += rows_.Name(row);
  // Names are bytes: decoded as the properties dialog decodes paths, a byte
  // that is not UTF-8 showing as U+FFFD rather than cutting the name short.
  return QFile::decodeName(QByteArray::fromStdString(path)) + QStringLiteral(": ") + ui::ReasonText(error->code);
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return filtered_ ? static_cast<int>(visible_.size()) : shown_;
}

int ResultModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  const int position = PositionOf(index.row());
  switch (role) {
    case Qt::DisplayRole: {
      const std::string text = ItemText(position, index.column());
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>(ColumnAlignment(index.column()));
    case kFolderIconRole:
      return index.column() == kName && IsFolder(position);
    case kExecutedRole:
      return IsExecuted(position);
    case Qt::ToolTipRole: {
      QString tip = ReasonText(position);
      // The path column is shortened at its end: its tooltip has the whole path.
      if (index.column() == kPath) {
        const std::string path = ItemText(position, kPath);
        const QString whole = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
        tip = tip.isEmpty() ? whole : whole + QLatin1Char('\n') + tip;
      }
      if (tip.isEmpty()) return {};
      return tip;
    }
    default:
      return {};
  }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return ColumnTitle(section);
  if (role == Qt::TextAlignmentRole) return static_cast<int>(ColumnAlignment(section));
  return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString ResultModel::ColumnTitle(int column) {
  switch (column) {
    case kName:
      return QCoreApplication::translate("ResultModel", "ファイル");
    case kBaseDate:
      return QCoreApplication::translate("ResultModel", "基本日付");
    case kResult:
      return QCoreApplication::translate("ResultModel", "結果");
    case kTargetDate:
      return QCoreApplication::translate("ResultModel", "対照日付");
    case kPath:
      return QCoreApplication::translate("ResultModel", "パス");
    default:
      return {};
  }
}

Qt::Alignment ResultModel::ColumnAlignment(int column) {
  return (column == kResult ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace orvel::ui
