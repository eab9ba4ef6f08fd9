// File > Export > Karaoke game: the song for a singing game, written by the session; the window
// only asks where and shows what was written.
#include <QFileInfo>
#include <cmath>

#include "app/CV_Main.h"
#include "app/WaitForm.h"
#include "platform/Devices.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

void TMainForm::MainMenu_DateiExportGameClick() {
  if (!song_.MidiFileLoaded) return;
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  const QString start = QFileInfo(QString::fromStdString(song_.MidiFileName)).absolutePath();
  const QString folder =
      hooks_.ChooseFolder(T(" Karaoke-Spiel: Ordner wählen, in den der Song-Ordner kommt",
                            " Karaoke game: choose the folder to hold the song's folder"),
                          start);
  if (folder.isEmpty()) return;
  // A backing track to sing to leaves the melody out; with it the singer can learn the song.
  const bool withoutMelody = hooks_.AskYesNo(
      T(" Karaoke-Spiel", " Karaoke game"),
      T("Die Begleitung ohne die Melodie aufnehmen?\n\nJa: zum Mitsingen, die Melodie singen Sie.\n"
        "Nein: die Melodie spielt mit.",
        "Record the backing track without the melody?\n\nYes: to sing to, you sing the melody.\n"
        "No: the melody plays along."),
      true);
  const cv::TAudioRenderer render = [this](const cv::Song& song, const std::string& path, int muted,
                                           std::string& message) {
    bool ok = false;
    TWaitForm wait(T(" Die Begleitung wird aufgenommen ...", " ... recording the backing track"),
                   std::max(1.0, std::floor(DpiFactor())), this);
    wait.Run([&] { ok = cv::RenderSongToAudio(song, path, muted, {}, message); });
    return ok;
  };
  const auto made = session_.ExportKaraokeGame(folder.toStdString(), !withoutMelody,
                                               cv::OggVorbisAvailable() ? ".ogg" : ".wav", render);
  if (!made) return;
  QString said = (withoutMelody ? T("Karaoke-Spiel geschrieben: %1 und %2 (Begleitung ohne Melodie), %3 Noten.",
                                    "Karaoke game written: %1 and %2 (backing without the melody), %3 notes.")
                                  : T("Karaoke-Spiel geschrieben: %1 und %2 (mit Melodie), %3 Noten.",
                                      "Karaoke game written: %1 and %2 (with the melody), %3 notes."))
                     .arg(QString::fromStdString(made->TextFile), QString::fromStdString(made->AudioFile))
                     .arg(made->Notes);
  if (made->Freestyle > 0)
    said += T(" %1 Silben ohne Melodienote sind freie Noten (F).", " %1 syllables without a melody note are freestyle (F).")
                .arg(made->Freestyle);
  Say(said);
}

}  // namespace cvapp
