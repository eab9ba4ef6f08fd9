// The main window's status bar: a line saying what the last command did, and where the song
// stands (position, tempo, key) in the same position format as the transport strip.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QLabel;
class QPushButton;
class QStatusBar;

namespace cv {
struct Song;
}

namespace cvapp {

// Measure and beat as the window shows them everywhere, e.g. "12:03".
QString PositionText(int measure, int beat);
// The key of a key signature: sharps > 0, flats < 0 (e.g. "G-Dur" / "G major", "e-Moll" / "E minor").
QString KeyName(int sharps, bool minor);
// The key in force at the tick (the last key signature at or before it); empty when none.
QString KeyAt(const cv::Song& song, int32_t ticks);

class TMainStatus : public QObject {
  Q_OBJECT
 public:
  explicit TMainStatus(QStatusBar* bar);
  // What a command did; stays until the next message or a while.
  void Say(const QString& text);
  QString LastMessage() const { return last_; }
  // Where the song stands; measure 0: no song.
  void ShowPlace(int measure, int beat, int tempo, const QString& key);
  // The practice speed playback runs at (percent of the song's tempo), shown beside the tempo.
  void SetSpeedPercent(int percent);
  // The key changed where the song stands (a transposition, its undo or redo).
  void ShowKey(const QString& key);
  void Clear();
  QString Place() const;
  // The melody in use (its reason as the tip) and, when the fixed setting leaves most
  // syllables without a note, a button offering the finder's choice; nullptr: no song.
  void ShowMelody(const cv::Song* song);
  QString MelodyText() const;
  bool OffersMelody() const;
  // The labels' fixed words in the current language.
  void Retranslate();

 signals:
  // The user took the offered melody.
  void UseFoundMelody();

 private:
  QStatusBar* bar_;
  QLabel *position_, *tempo_, *key_, *melody_;
  QPushButton* melodyOffer_;
  const cv::Song* melodySong_ = nullptr;
  int measure_ = 0, beat_ = 0, tempoValue_ = 0, speedPercent_ = 100;
  QString keyName_, last_;
};

}  // namespace cvapp
