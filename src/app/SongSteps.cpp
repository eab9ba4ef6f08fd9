#include "app/SongSteps.h"

#include <QFile>

#include "song/Language.h"

namespace cvapp {

void ReadSongFile(cv::Song& song, const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw cv::EMidiError(cv::Tr("Die Datei \"" + fileName.toStdString() + "\" kann nicht geöffnet werden!",
                                "The file \"" + fileName.toStdString() + "\" cannot be opened!"));
  if (file.size() < 24)
    throw cv::EMidiError(cv::Tr("Fehler in der Mididatei: Datei zu kurz!", "Error: midi file too short!"));
  (void)song;
  throw cv::EMidiError(cv::Tr("Das Lesen von MIDI-Dateien ist noch nicht eingebaut.",
                              "Reading MIDI files is not built in yet."));
}

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
