#include "app/MainStatus.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <array>

#include "output/CV_EditTranspose.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/Song.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
constexpr int kSayMs = 15000;
}  // namespace

QString PositionText(int measure, int beat) {
  return QStringLiteral("%1:%2").arg(measure).arg(beat, 2, 10, QLatin1Char('0'));
}

QString KeyName(int sharps, bool minor) {
  if (sharps < -7 || sharps > 7) return {};
  // Major keys from 7 flats to 7 sharps; the minor key shares the signature three steps lower.
  static const std::array<const char*, 15> majorEn = {"Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                                      "G",  "D",  "A",  "E",  "B",  "F#", "C#"};
  static const std::array<const char*, 15> minorEn = {"Ab", "Eb", "Bb", "F",  "C",  "G",  "D", "A",
                                                      "E",  "B",  "F#", "C#", "G#", "D#", "A#"};
  static const std::array<const char*, 15> majorDe = {"Ces", "Ges", "Des", "As", "Es", "B",   "F",  "C",
                                                      "G",   "D",   "A",   "E",  "H",  "Fis", "Cis"};
  static const std::array<const char*, 15> minorDe = {"as", "es",  "b",   "f",   "c",   "g",   "d",  "a",
                                                      "e",  "h",   "fis", "cis", "gis", "dis", "ais"};
  const size_t i = static_cast<size_t>(sharps + 7);
  if (cv::CurrLanguage() == cv::TLanguage::Deutsch)
    return QString::fromUtf8(minor ? minorDe[i] : majorDe[i]) + (minor ? QStringLiteral("-Moll") : QStringLiteral("-Dur"));
  return QString::fromUtf8(minor ? minorEn[i] : majorEn[i]) + (minor ? QStringLiteral(" minor") : QStringLiteral(" major"));
}

QString KeyAt(const cv::Song& song, int32_t ticks) {
  const cv::TKeySigns* found = nullptr;
  int32_t at = INT32_MIN;
  for (const cv::TKeySignArray& track : song.KeySignArray)
    for (const cv::TKeySigns& k : track.ValArray)
      if (k.MidiEvent && k.MidiEvent->Position <= ticks && k.MidiEvent->Position >= at) {
        found = &k;
        at = k.MidiEvent->Position;
      }
  if (!found) return {};
  return KeyName(cv::KeySharpsNow(*found), found->MI != 0);
}

TMainStatus::TMainStatus(QStatusBar* bar) : QObject(bar), bar_(bar) {
  bar_->setObjectName(QStringLiteral("StatusBar"));
  auto label = [this](const char* name) {
    auto* l = new QLabel(bar_);
    l->setObjectName(QLatin1String(name));
    bar_->addPermanentWidget(l);
    return l;
  };
  position_ = label("SB_Position");
  tempo_ = label("SB_Tempo");
  key_ = label("SB_Key");
  melody_ = label("SB_Melody");
  melodyOffer_ = new QPushButton(bar_);
  melodyOffer_->setObjectName(QStringLiteral("SB_MelodyOffer"));
  melodyOffer_->setFlat(true);
  bar_->addPermanentWidget(melodyOffer_);
  connect(melodyOffer_, &QPushButton::clicked, this, &TMainStatus::UseFoundMelody);
  Clear();
}

void TMainStatus::Say(const QString& text) {
  last_ = text;
  bar_->showMessage(text, kSayMs);
}

void TMainStatus::ShowPlace(int measure, int beat, int tempo, const QString& key) {
  measure_ = measure;
  beat_ = beat;
  tempoValue_ = tempo;
  keyName_ = key;
  Retranslate();
}

void TMainStatus::SetSpeedPercent(int percent) {
  speedPercent_ = percent;
  Retranslate();
}

void TMainStatus::ShowKey(const QString& key) {
  keyName_ = key;
  Retranslate();
}

void TMainStatus::Clear() { ShowPlace(0, 0, 0, {}); }

QString TMainStatus::Place() const {
  return QStringList{position_->text(), tempo_->text(), key_->text()}.join(QStringLiteral(" | "));
}

void TMainStatus::ShowMelody(const cv::Song* song) {
  melodySong_ = song && song->MidiFileLoaded ? song : nullptr;
  Retranslate();
}

QString TMainStatus::MelodyText() const { return melody_->isHidden() ? QString() : melody_->text(); }
bool TMainStatus::OffersMelody() const { return !melodyOffer_->isHidden(); }

void TMainStatus::Retranslate() {
  const cv::MelodyChoice* m = melodySong_ ? &melodySong_->Melody : nullptr;
  melody_->setVisible(m != nullptr);
  melodyOffer_->setVisible(m && m->OffersBetter());
  if (m) {
    melody_->setText(T("Melodie: ", "Melody: ") + QString::fromStdString(cv::PartsText(*melodySong_, m->Parts)));
    melody_->setToolTip(QString::fromStdString(m->Reason));
    if (m->OffersBetter()) {
      const QString better = QString::fromStdString(cv::PartsText(*melodySong_, m->Better));
      melodyOffer_->setText(T("Besser: %1", "Better: %1").arg(better));
      melodyOffer_->setToolTip(T("Die Melodie selbst finden lassen: %1 hat Noten unter %2 von %3 Silben.",
                                 "Let the melody be found by itself: %1 has notes under %2 of %3 syllables.")
                                   .arg(better)
                                   .arg(m->BetterOnNote)
                                   .arg(m->Syllables));
    }
  }
  const bool song = measure_ > 0;
  position_->setVisible(song);
  tempo_->setVisible(song && tempoValue_ > 0);
  key_->setVisible(song && !keyName_.isEmpty());
  position_->setText(T("Takt ", "Bar ") + PositionText(measure_, beat_));
  // The song's tempo stays what the file says; a practice speed plays it slower.
  const bool practice = speedPercent_ != 100;
  tempo_->setText(practice ? QStringLiteral("%1 bpm (%2 %)").arg(tempoValue_).arg(speedPercent_)
                           : QStringLiteral("%1 bpm").arg(tempoValue_));
  tempo_->setToolTip(practice ? T("Übungstempo: %1 % des Songtempos, also %2 bpm", "Practice speed: %1 % of the song's tempo, that is %2 bpm")
                                    .arg(speedPercent_)
                                    .arg(tempoValue_ * speedPercent_ / 100)
                              : QString());
  key_->setText(T("Tonart: ", "Key: ") + keyName_);
}

}  // namespace cvapp
