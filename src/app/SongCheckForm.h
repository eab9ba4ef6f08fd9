// Text > Check song: the findings of the song check; a double click goes to the syllable.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "session/SongCheck.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace cvapp {

class TSongCheckForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSongCheckForm(QWidget* parent = nullptr);

  void SetFindings(std::vector<cv::TSongFinding> findings);
  void ApplyCaptions();
  const std::vector<cv::TSongFinding>& Findings() const { return findings_; }
  QTreeWidget* List() const { return list_; }
  // A finding was chosen: select its syllable (-1: none) and move the player to its time.
  std::function<void(const cv::TSongFinding&)> OnGoTo;
  void GoTo(int row);
  // Characters a line of the keyboard's lyrics display holds (0: not checked); a change, like
  // "Check again", asks for a new check.
  int KeyboardWidth() const;
  void SetKeyboardWidth(int width);
  std::function<void()> OnCheck;

 private:
  std::vector<cv::TSongFinding> findings_;
  QTreeWidget* list_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* widthLabel_ = nullptr;
  QSpinBox* width_ = nullptr;
  QPushButton* again_ = nullptr;
};

}  // namespace cvapp
