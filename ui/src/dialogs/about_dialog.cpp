#include "ui/dialogs/about_dialog.h"

#include "ui/startup/application_icon.h"
#include "ui/dialogs/user_dialogs.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

namespace orvel::ui {

const char* const kHomePageAddress = "https://www.brelt.example/orvel/";

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QCoreApplication::translate("AboutDialog", "Orvelのﾊﾞｰｼﾞｮﾝ情報"));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(ApplicationIcon().pixmap(QSize(side, side), devicePixelRatioF()));
  icon->setFixedSize(side, side);

  QLabel* version = AddLabel(this, "aboutVersion", QStringLiteral("Orvel Version " ORVEL_VERSION));
  QLabel* maker = AddLabel(this, "aboutMaker", QStringLiteral("Copyright (C) Brelt"));

  // OK comes before the address in the tab order, so it has the focus and the
  // address is never typed into by accident.
  auto* ok = new QPushButton(QCoreApplication::translate("AboutDialog", "OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  // Read-only: the address can be selected and copied, not changed.
  addressEdit_ = new QLineEdit(this);
  addressEdit_->setObjectName(QStringLiteral("aboutAddress"));
  addressEdit_->setReadOnly(true);
  addressEdit_->setFrame(false);
  addressEdit_->setAccessibleName(QCoreApplication::translate("AboutDialog", "ホームページ"));
  // Borderless on the dialog's own background, like the texts above it.
  QPalette palette = addressEdit_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  addressEdit_->setPalette(palette);

  // The icon, the texts beside it with OK at the top right, the address below the texts.
  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(version, 0, 1);
  layout->addWidget(maker, 1, 1);
  layout->addWidget(ok, 0, 2, Qt::AlignTop);
  layout->addWidget(addressEdit_, 2, 1, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setHorizontalSpacing(layout->horizontalSpacing() * 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ok->setFocus();
}

void CAboutDlg::SetAddress(const QString& address) {
  address_ = address;
  addressEdit_->setText(address_);
  addressEdit_->setCursorPosition(0);
  // The whole address shows, whatever its length.
  const QMargins margins = addressEdit_->textMargins();
  addressEdit_->setMinimumWidth(addressEdit_->fontMetrics().horizontalAdvance(address_) + margins.left() +
                                margins.right() + 2 * addressEdit_->fontMetrics().averageCharWidth());
}

void ShowAbout(IUserDialogs& dialogs, QWidget* parent) {
  CAboutDlg dialog(parent);
  dialog.SetAddress(QString::fromUtf8(kHomePageAddress));
  dialogs.Exec(dialog);
}

}  // namespace orvel::ui
