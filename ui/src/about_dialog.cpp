#include "ui/about_dialog.h"

#include "ui/application_icon.h"
#include "ui/dialog_units.h"
#include "ui/user_dialogs.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

namespace orvel::ui {

const char* const kHomePageAddress = "https://www.brelt.example/orvel/";

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QRect rect) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  // The texts are whole whatever the font measures.
  rect.setWidth(std::max(rect.width(), QFontMetrics(label->font()).horizontalAdvance(text) + 2));
  label->setGeometry(rect);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Orvelのﾊﾞｰｼﾞｮﾝ情報"));
  const DialogUnits du(font());

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  const QRect iconRect = du.Rect(11, 17, 20, 20);
  icon->setGeometry(iconRect);
  const int side = std::min(iconRect.width(), iconRect.height());
  icon->setPixmap(ApplicationIcon().pixmap(QSize(side, side), devicePixelRatioF()));

  AddLabel(this, "aboutVersion", QStringLiteral("Orvel Version " ORVEL_VERSION), du.Rect(40, 10, 86, 8));
  AddLabel(this, "aboutMaker", QStringLiteral("Copyright (C) Brelt"), du.Rect(40, 25, 119, 8));

  // OK comes before the address in the tab order, so it has the focus and the
  // address is never typed into by accident.
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setGeometry(du.Rect(156, 3, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  // Read-only: the address can be selected and copied, not changed.
  addressEdit_ = new QLineEdit(this);
  addressEdit_->setObjectName(QStringLiteral("aboutAddress"));
  addressEdit_->setGeometry(du.Rect(40, 57, 167, 12));
  addressEdit_->setReadOnly(true);
  addressEdit_->setFrame(false);
  // Borderless on the dialog's own background, like the texts above it.
  QPalette palette = addressEdit_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  addressEdit_->setPalette(palette);

  setFixedSize(du.X(210), du.Y(75));
  ok->setFocus();
}

void CAboutDlg::SetAddress(const QString& address) {
  address_ = address;
  addressEdit_->setText(address_);
  addressEdit_->setCursorPosition(0);
}

void ShowAbout(IUserDialogs& dialogs, QWidget* parent) {
  CAboutDlg dialog(parent);
  dialog.SetAddress(QString::fromUtf8(kHomePageAddress));
  dialogs.Exec(dialog);
}

}  // namespace orvel::ui
