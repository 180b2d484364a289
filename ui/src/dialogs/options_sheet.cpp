#include "ui/dialogs/options_sheet.h"

#include "storage/condition_state.h"
#include "ui/dialogs/env_page.h"
#include "ui/dialogs/search_page.h"
#include "ui/dialogs/sync_page.h"
#include "ui/dialogs/user_dialogs.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orvel::ui {

COptionsSheet::COptionsSheet(IUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("optionsSheet"));
  setWindowTitle(QCoreApplication::translate("OptionsSheet", "オプション"));

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("optionsTabs"));
  sync_ = new CSyncPage(values_);
  search_ = new CSearchPage(values_);
  env_ = new CEnvPage(values_);
  for (COptionsPage* page :
       {static_cast<COptionsPage*>(sync_), static_cast<COptionsPage*>(search_), static_cast<COptionsPage*>(env_)}) {
    tabs_->addTab(page, page->Title());
  }
  tabs_->setCurrentIndex(0);
  connect(tabs_, &QTabWidget::currentChanged, this, &COptionsSheet::PageChanged);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName(QStringLiteral("optionsButtons"));
  QPushButton* ok = buttons_->button(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("optionsOk"));
  ok->setText(QCoreApplication::translate("OptionsSheet", "OK"));
  QPushButton* cancel = buttons_->button(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("optionsCancel"));
  cancel->setText(QCoreApplication::translate("OptionsSheet", "キャンセル"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);
  // A property sheet keeps the size of its largest page.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

COptionsSheet::~COptionsSheet() = default;

COptionsPage* COptionsSheet::Page(int index) const { return qobject_cast<COptionsPage*>(tabs_->widget(index)); }

void COptionsSheet::Begin() {
  returning_ = true;
  tabs_->setCurrentIndex(0);
  returning_ = false;
  shownIndex_ = 0;
  Page(0)->Open();
}

void COptionsSheet::showEvent(QShowEvent* event) {
  if (COptionsPage* page = Page(tabs_->currentIndex())) page->Open();
  QDialog::showEvent(event);
}

void COptionsSheet::PageChanged(int index) {
  if (returning_) return;
  if (!LeavePage(shownIndex_)) return;
  shownIndex_ = index;
  if (COptionsPage* page = Page(index)) page->Open();
}

bool COptionsSheet::LeavePage(int index) {
  COptionsPage* page = Page(index);
  if (!page) return true;
  std::optional<COptionsPage::Refusal> refusal = page->Leave();
  if (!refusal) return true;
  if (tabs_->currentIndex() != index) {
    returning_ = true;
    tabs_->setCurrentIndex(index);
    returning_ = false;
  }
  dialogs_.Message(refusal->message);
  refusal->edit->setFocus();
  refusal->edit->selectAll();
  return false;
}

void COptionsSheet::accept() {
  if (!LeavePage(tabs_->currentIndex())) return;
  QDialog::accept();
}

void OptionsCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent) {
  storage::WorkingSet& w = state.Working();
  storage::IConditionBar& bar = *state.Bar();  // the desktop program always has one
  // The sheet shows what was typed into the bar's extension edits, and the
  // working set keeps it even when the sheet is cancelled. The folder edits
  // are not taken.
  w.Ext = bar.ExtText();
  w.NoExt = bar.NoExtText();

  COptionsSheet sheet(dialogs, parent);
  sheet.Values() = w;
  sheet.Begin();

  // Only OK, after the active page was read back, counts as confirmed.
  if (dialogs.Exec(sheet) != QDialog::Accepted || sheet.result() != QDialog::Accepted) return;

  w = sheet.Values();

  // Only the extension edits and check boxes show the sheet's values; the
  // folder edits keep whatever the user typed there and has not run yet.
  storage::WorkingSet shown = w;
  shown.AFolder = bar.BaseFolderText();
  shown.BFolder = bar.TargetFolderText();
  bar.ShowWorkingSet(shown);
  bar.ShowToolbarChecks(w);
  state.StoreCondition(state.CurrentIndex());
}

}  // namespace orvel::ui
