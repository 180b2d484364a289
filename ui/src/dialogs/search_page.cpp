#include "ui/dialogs/search_page.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <climits>

namespace orvel::ui {
namespace {

// The extension edits' width before the sheet gives them more.
constexpr int kExtLetters = 40;

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
    : COptionsPage(QCoreApplication::translate("SearchPage", "検索"), values, parent) {
  setObjectName(QStringLiteral("searchPage"));
  // Created in tab order.
  subFolder_ = AddCheck("searchSubFolder", QCoreApplication::translate("SearchPage", "サブフォルダも検索する(&S)"));
  hideSame_ = AddCheck("searchHideSame", QCoreApplication::translate("SearchPage", "同じファイルは表示しない(&D)"));
  include_ = AddCheck("searchIncludeExt", QCoreApplication::translate("SearchPage", "以下の拡張子だけ同期に含める(&E)"));
  includeText_ = AddEdit("searchExtEdit", kExtLetters);
  exclude_ = AddCheck("searchExcludeExt", QCoreApplication::translate("SearchPage", "以下の拡張子は同期に含めない(&N)"));
  excludeText_ = AddEdit("searchNoExtEdit", kExtLetters);
  QLabel* extNote =
      AddStatic("searchExtNote", QCoreApplication::translate("SearchPage", "拡張子の複数指定はスペース区切り\n例）EXE COM BAT"));
  QLabel* perCondition =
      AddStatic("searchPerCondition", QCoreApplication::translate("SearchPage", "※このオプションは条件ごとに保存されます"));
  QLabel* amountLabel =
      AddStatic("searchDiffTimeLabel", QCoreApplication::translate("SearchPage", "以内の時差は同期に含めない(&T)"));

  amount_ = AddEdit("searchDiffTime", 0);
  amount_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Digits only while typing, as a number edit; the range is checked on leaving.
  amount_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), amount_));
  // Room for the largest amount and a digit more.
  amount_->setFixedWidth(amount_->fontMetrics().horizontalAdvance(QString::number(kMaxAmount * 10)) +
                         amount_->fontMetrics().averageCharWidth() * 2);
  amountLabel->setBuddy(amount_);

  unit_ = new QComboBox(this);
  unit_->setObjectName(QStringLiteral("searchDiffSel"));
  unit_->addItems({QCoreApplication::translate("SearchPage", "秒"), QCoreApplication::translate("SearchPage", "分"),
                   QCoreApplication::translate("SearchPage", "時間"), QCoreApplication::translate("SearchPage", "日")});
  unit_->setCurrentIndex(-1);

  emptyFolder_ = AddCheck("searchEmptyFolder", QCoreApplication::translate("SearchPage", "空フォルダを同期に含める(&M)"));
  recyclerFolder_ = AddCheck("searchRecyclerFolder", QCoreApplication::translate("SearchPage", "ゴミ箱を同期に含めない(&T)"));

  // The four switches on the left, the tolerance on the right; below them the
  // two extension filters, each edit under its check box's text.
  auto* top = new QGridLayout;
  top->addWidget(subFolder_, 0, 0);
  top->addWidget(hideSame_, 1, 0);
  top->addWidget(emptyFolder_, 2, 0);
  top->addWidget(recyclerFolder_, 3, 0);
  auto* amount = new QHBoxLayout;
  amount->setSpacing(0);
  amount->addWidget(amount_);
  amount->addWidget(unit_);
  amount->addStretch(1);
  top->addLayout(amount, 0, 2);
  top->addWidget(amountLabel, 1, 2);
  top->setColumnMinimumWidth(1, amount_->fontMetrics().averageCharWidth() * 4);
  top->setColumnStretch(1, 1);

  auto indented = [this](QWidget* widget) {
    auto* row = new QHBoxLayout;
    row->addSpacing(CheckTextIndent());
    row->addWidget(widget);
    return row;
  };
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(layout->spacing());
  layout->addWidget(include_);
  layout->addLayout(indented(includeText_));
  layout->addWidget(exclude_);
  layout->addLayout(indented(excludeText_));
  layout->addLayout(indented(extNote));
  layout->addStretch(1);
  layout->addWidget(perCondition);
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
      return Refusal{QCoreApplication::translate("SearchPage", "正の整数を入力してください。"), amount_};
    case AmountError::OutOfRange:
      return Refusal{QCoreApplication::translate("SearchPage", "%1 から %2 までの整数を入力してください。").arg(0).arg(kMaxAmount),
                     amount_};
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
