#pragma once

#include <QString>

namespace orvel::ui {

// The document carries no data of its own: only the path of a file that was
// opened as the document (a recent file or a dropped file) and the title the
// caption shows. It is never modified, so closing never asks to save.
class COrvelDoc {
 public:
  const QString& Path() const { return path_; }
  const QString& Title() const { return title_; }
  void SetPath(const QString& path) { path_ = path; }
  void SetTitle(const QString& title) { title_ = title; }
  // The main window's caption: "Orvel", or the title followed by " - Orvel".
  QString Caption() const {
    return title_.isEmpty() ? QStringLiteral("Orvel") : title_ + QStringLiteral(" - Orvel");
  }

 private:
  QString path_;
  QString title_;
};

}  // namespace orvel::ui
