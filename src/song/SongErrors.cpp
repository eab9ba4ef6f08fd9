#include "song/SongErrors.h"

#include <cstdio>
#include <filesystem>

#include "song/Language.h"

namespace cv {

EMidiError RangeError() { return EMidiError(Tr("Fehler bei Bereichsprüfung", "Range check error")); }

EMidiError OverflowError() { return EMidiError(Tr("Arithmetischer Überlauf", "Arithmetic overflow")); }

std::string DamagedFile(const std::string& what) {
  return what + Tr(": Die Datei ist beschädigt. Öffnen Sie eine andere Kopie des Songs.",
                   ": the file is damaged. Open another copy of the song.");
}

std::string CannotReadFile(const std::string& fileName, const std::string& kindDe, const std::string& kindEn,
                           const std::string& chooseDe, const std::string& chooseEn) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(fs::u8path(fileName), ec);
  std::string de, en;
  if (!fs::exists(st)) {
    de = "Sie ist nicht vorhanden. Prüfen Sie Name und Ordner.";
    en = "it does not exist. Check its name and folder.";
  } else if (!fs::is_regular_file(st)) {
    de = "Das ist ein Ordner oder ein Gerät, keine " + kindDe + ". " + chooseDe;
    en = "it is a folder or a device, not " + kindEn + ". " + chooseEn;
  } else if (std::FILE* f = std::fopen(fileName.c_str(), "rb"); !f) {
    de = "Sie dürfen sie nicht lesen. Ändern Sie ihre Rechte oder fragen Sie ihren Besitzer.";
    en = "you may not read it. Change its permissions or ask its owner.";
  } else {
    std::fclose(f);
    de = "Das Lesen brach ab. Versuchen Sie es noch einmal.";
    en = "reading it broke off. Try again.";
  }
  return Tr("Die Datei \"" + fileName + "\" kann nicht gelesen werden: " + de,
            "Cannot read the file \"" + fileName + "\": " + en);
}

std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), " ");
  return n < 0 ? "-" + digits : digits;
}

EMidiError OutOfMemory() {
  return EMidiError(Tr("Für diesen Song reicht der Arbeitsspeicher nicht. Schließen Sie andere Programme und versuchen "
                      "Sie es noch einmal.",
                      "There is not enough memory for this song. Close other programs and try again."));
}

}  // namespace cv
