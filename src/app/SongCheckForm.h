// Text > Check song: the findings of the song check; a double click goes to the syllable.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "session/SongCheck.h"

class QLabel;
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

 private:
  std::vector<cv::TSongFinding> findings_;
  QTreeWidget* list_ = nullptr;
  QLabel* summary_ = nullptr;
};

}  // namespace cvapp
