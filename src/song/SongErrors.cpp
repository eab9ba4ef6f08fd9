#include "song/SongErrors.h"

#include "song/Language.h"

namespace cv {

EMidiError RangeError() { return EMidiError(Tr("Fehler bei Bereichsprüfung", "Range check error")); }

EMidiError OverflowError() { return EMidiError(Tr("Arithmetischer Überlauf", "Arithmetic overflow")); }

EMidiError AllocationError() {
  return EMidiError(Tr("Speicherzuordnungsfehler: Bitte mehr Speicher!", "Error allocating memory!"));
}

EMidiError Explained(const std::string& why, const std::string& ownText) {
  return EMidiError(why + "\n" + ownText);
}

std::string DamagedFile(const std::string& what) {
  return what + Tr(": Die Datei ist beschädigt. Öffnen Sie eine andere Kopie des Songs.",
                   ": the file is damaged. Open another copy of the song.");
}

std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), " ");
  return n < 0 ? "-" + digits : digits;
}

EMidiError OutOfMemory() {
  return Explained(Tr("Für diesen Song reicht der Arbeitsspeicher nicht. Schließen Sie andere Programme und versuchen "
                      "Sie es noch einmal.",
                      "There is not enough memory for this song. Close other programs and try again."),
                   AllocationError().what());
}

}  // namespace cv
