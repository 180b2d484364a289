#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The maker's home page, shown in the About box.
extern const char* const kHomePageAddress;

// "Orvelのﾊﾞｰｼﾞｮﾝ情報": the program's icon, name and version, the maker and the
// home-page address in a read-only edit, so it can be selected and copied.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // The address shown in the edit; "" until set.
  void SetAddress(const QString& address);
  QString Address() const { return address_; }

 private:
  QString address_;
  QLineEdit* addressEdit_ = nullptr;
};

// The About box (command 57664): "Orvel Version 1.73", the maker and a
// selectable address.
void ShowAbout(IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
