#include "ui/search_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <climits>

namespace orvel::ui {
namespace {

enum class AmountError { None, NotANumber, OutOfRange };

// An unsigned decimal number, blanks around it allowed; any digit string too
// long for 32 bits is out of range rather than wrapped.
AmountError ParseAmount(const QString& text, std::uint32_t& amount) {
  const QString digits = text.trimmed();
  if (digits.isEmpty()) return AmountError::NotANumber;
  std::uint64_t value = 0;
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return AmountError::NotANumber;
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c.unicode() - '0'), UINT64_C(1) << 40);
  }
  if (value > CSearchPage::kMaxAmount) return AmountError::OutOfRange;
  amount = static_cast<std::uint32_t>(value);
  return AmountError::None;
}

}  // namespace

CSearchPage::CSearchPage(storage::WorkingSet& values, QWidget* parent)
    : COptionsPage(QStringLiteral("検索"), 283, 163, values, parent) {
  setObjectName(QStringLiteral("searchPage"));
  subFolder_ = AddCheck("searchSubFolder", QStringLiteral("サブフォルダも検索する(&S)"), 6, 6, 94, 10);
  hideSame_ = AddCheck("searchHideSame", QStringLiteral("同じファイルは表示しない(&D)"), 6, 20, 99, 10);
  include_ = AddCheck("searchIncludeExt", QStringLiteral("以下の拡張子だけ同期に含める(&E)"), 6, 63, 118, 10);
  includeText_ = AddEdit("searchExtEdit", 18, 75, 210, 14);
  exclude_ = AddCheck("searchExcludeExt", QStringLiteral("以下の拡張子は同期に含めない(&N)"), 6, 93, 119, 10);
  excludeText_ = AddEdit("searchNoExtEdit", 18, 105, 210, 14);
  AddStatic("searchExtNote", QStringLiteral("拡張子の複数指定はスペース区切り\n例）EXE COM BAT"), 21, 123, 154, 18);
  AddStatic("searchPerCondition", QStringLiteral("※このオプションは条件ごとに保存されます"), 6, 153, 127, 8);
  QLabel* amountLabel =
      AddStatic("searchDiffTimeLabel", QStringLiteral("以内の時差は同期に含めない(&T)"), 180, 24, 99, 8);

  amount_ = AddEdit("searchDiffTime", 135, 6, 29, 14);
  amount_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Digits only while typing, as a number edit; the range is checked on leaving.
  amount_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), amount_));
  amountLabel->setBuddy(amount_);

  unit_ = new QComboBox(this);
  unit_->setObjectName(QStringLiteral("searchDiffSel"));
  unit_->addItems({QStringLiteral("秒"), QStringLiteral("分"), QStringLiteral("時間"), QStringLiteral("日")});
  unit_->setCurrentIndex(-1);
  QRect unitRect = Units().Rect(164, 6, 33, 14);
  unitRect.setWidth(std::max(unitRect.width(), unit_->sizeHint().width()));
  unit_->setGeometry(unitRect);

  emptyFolder_ = AddCheck("searchEmptyFolder", QStringLiteral("空フォルダを同期に含める(&M)"), 6, 33, 102, 10);
  recyclerFolder_ = AddCheck("searchRecyclerFolder", QStringLiteral("ゴミ箱を同期に含めない(&T)"), 6, 48, 94, 10);
}

void CSearchPage::FillControls() {
  storage::WorkingSet& v = Values();
  FillCheck(subFolder_, v.SubFolder);
  // The box says "do not show identical files": the inverse of SameDisp.
  hideSame_->setChecked(v.SameDisp == 0);
  FillCheck(include_, v.ChkExt);
  includeField_.Fill(includeText_, v.Ext);
  FillCheck(exclude_, v.ChkNoExt);
  excludeField_.Fill(excludeText_, v.NoExt);
  // A negative tolerance (only a hand-edited file has one) counts as 0 in a
  // run; show that rather than its unsigned reading of over four billion.
  amount_->setText(QString::number(v.DiffTime < 0 ? 0 : v.DiffTime));
  unit_->setCurrentIndex(v.DiffSel >= 0 && v.DiffSel < unit_->count() ? v.DiffSel : -1);
  FillCheck(emptyFolder_, v.EmptyFolder);
  FillCheck(recyclerFolder_, v.RecyclerFolder);
}

std::optional<COptionsPage::Refusal> CSearchPage::ReadControls() {
  std::uint32_t amount = 0;
  switch (ParseAmount(amount_->text(), amount)) {
    case AmountError::NotANumber:
      return Refusal{QStringLiteral("正の整数を入力してください。"), amount_};
    case AmountError::OutOfRange:
      return Refusal{QStringLiteral("%1 から %2 までの整数を入力してください。").arg(0).arg(kMaxAmount), amount_};
    case AmountError::None:
      break;
  }
  storage::WorkingSet& v = Values();
  v.SubFolder = ReadCheck(subFolder_);
  v.SameDisp = hideSame_->isChecked() ? 0 : 1;
  v.ChkExt = ReadCheck(include_);
  v.Ext = includeField_.Read(includeText_);
  v.ChkNoExt = ReadCheck(exclude_);
  v.NoExt = excludeField_.Read(excludeText_);
  v.DiffTime = static_cast<int>(amount);
  v.DiffSel = unit_->currentIndex();  // -1 when none is chosen
  v.EmptyFolder = ReadCheck(emptyFolder_);
  v.RecyclerFolder = ReadCheck(recyclerFolder_);
  return std::nullopt;
}

}  // namespace orvel::ui
