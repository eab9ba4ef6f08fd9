// "Open and save at once": every song of a folder converted to format 0 or 1 or to karaoke files
// in one go.
#pragma once

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>

#include "output/BatchConvert.h"
#include "song/TConfiguration.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace cvapp {

class TMultiModeForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMultiModeForm(QWidget* parent = nullptr);
  ~TMultiModeForm() override;
  void SetFolder(const QString& folder);
  void SetConfiguration(const cv::TConfiguration& c) { configuration_ = c; }
  // The "@L" tag of the karaoke files written.
  void SetLanguageTag(const std::string& tag) { languageTag_ = tag; }
  // Lists the songs the folder holds.
  void Update();
  // Converts every listed song on worker threads; the summary shows when all are done.
  void Convert(cv::BatchFormat format);
  bool Busy() const { return busy_; }
  QString Summary() const;
  int SongCount() const;

 signals:
  void Finished();

 private:
  // problem: the file and why it failed or was skipped (empty when it was converted).
  void Progress(const QString& line, const QString& problem, int done, int total);
  void Done(const QString& summary);
  QLineEdit* folder_ = nullptr;
  QListWidget* list_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* summary_ = nullptr;
  QStringList problems_;  // of the running conversion, said with its summary
  static constexpr int kButtons = 5;
  QPushButton* buttons_[kButtons] = {};
  std::string languageTag_ = "GERM";
  cv::TConfiguration configuration_;
  std::thread worker_;
  std::atomic<bool> busy_{false};
};

}  // namespace cvapp
