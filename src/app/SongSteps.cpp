#include "app/SongSteps.h"

#include "song/Language.h"

namespace cvapp {

bool WriteSongFile(cv::Song& song, const QString& fileName, int format,
                   const std::function<void(const QString&, const QString&)>& message) {
  (void)song;
  (void)fileName;
  (void)format;
  message(QString::fromUtf8(cv::Tr("Achtung", "Warning")),
          QString::fromUtf8(cv::Tr("Das Schreiben von MIDI-Dateien ist noch nicht eingebaut.",
                                   "Writing MIDI files is not built in yet.")));
  return false;
}

}  // namespace cvapp
