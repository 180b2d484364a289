#include "ui/result_model.h"

#include <QByteArray>
#include <QFile>
#include <QMetaObject>

#include <algorithm>
#include <numeric>

namespace orvel::ui {

ResultModel::ResultModel(const engine::RowStore& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), items_(rows) {}

int ResultModel::ItemCount() const { return static_cast<int>(order_.size()); }

void ResultModel::AppendItem(int rowIndex) {
  items_.AppendItem(rowIndex);
  order_.push_back(items_.ItemCount() - 1);
  // A run that never calls Flush still shows its lines whenever it lets the
  // event loop turn, one insertion per turn.
  if (!flushQueued_) {
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          flushQueued_ = false;
          Flush();
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
  if (item < shown_) Q_EMIT dataChanged(index(item, 0), index(item, kColumnCount - 1));
}

void ResultModel::Clear() {
  beginResetModel();
  items_.Clear();
  order_.clear();
  order_.shrink_to_fit();
  shown_ = 0;
  endResetModel();
}

void ResultModel::Flush() {
  const int count = ItemCount();
  if (count <= shown_) return;
  beginInsertRows(QModelIndex(), shown_, count - 1);
  shown_ = count;
  endInsertRows();
}

void ResultModel::SortByColumn(int column, bool ascending) {
  if (column < 0 || column >= kColumnCount) return;
  Flush();
  const std::size_t count = order_.size();
  if (count < 2) return;

  // Every text is built once, into one buffer; the sort then compares views.
  std::string buffer;
  std::vector<std::size_t> ends(count);
  for (std::size_t pos = 0; pos < count; ++pos) {
    buffer += items_.ItemText(order_[pos], column);
    ends[pos] = buffer.size();
  }
  std::vector<std::string_view> keys(count);
  for (std::size_t pos = 0; pos < count; ++pos) {
    const std::size_t begin = pos == 0 ? 0 : ends[pos - 1];
    keys[pos] = std::string_view(buffer).substr(begin, ends[pos] - begin);
  }
  // string_view compares as unsigned bytes, a prefix before the longer text.
  std::vector<int> sorted(count);  // new position → old position
  std::iota(sorted.begin(), sorted.end(), 0);
  if (ascending) {
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) { return keys[a] < keys[b]; });
  } else {
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) { return keys[b] < keys[a]; });
  }

  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newPosition(count);
  std::vector<int> newOrder(count);
  for (std::size_t to = 0; to < count; ++to) {
    const int from = sorted[to];
    newPosition[static_cast<std::size_t>(from)] = static_cast<int>(to);
    newOrder[to] = order_[static_cast<std::size_t>(from)];
  }
  // Selection and the current line follow their lines.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after.append(this->index(newPosition[static_cast<std::size_t>(index.row())], index.column()));
  }
  changePersistentIndexList(before, after);
  order_ = std::move(newOrder);
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
  const std::string reason = error->code.message();
  return QFile::decodeName(QByteArray::fromStdString(path)) + QStringLiteral(": ") +
         QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()));
}

int ResultModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int ResultModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_ || index.column() >= kColumnCount) return {};
  switch (role) {
    case Qt::DisplayRole: {
      const std::string text = ItemText(index.row(), index.column());
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>(ColumnAlignment(index.column()));
    case kFolderIconRole:
      return index.column() == kName && IsFolder(index.row());
    case Qt::ToolTipRole: {
      QString reason = ReasonText(index.row());
      if (reason.isEmpty()) return {};
      return reason;
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
      return QStringLiteral("ファイル");
    case kBaseDate:
      return QStringLiteral("基本日付");
    case kResult:
      return QStringLiteral("結果");
    case kTargetDate:
      return QStringLiteral("対照日付");
    case kPath:
      return QStringLiteral("パス");
    default:
      return {};
  }
}

Qt::Alignment ResultModel::ColumnAlignment(int column) {
  return (column == kResult ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace orvel::ui
