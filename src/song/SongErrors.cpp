#include "song/SongErrors.h"

#include "song/Language.h"

namespace cv {

EMidiError RangeError() { return EMidiError(Tr("Fehler bei Bereichsprüfung", "Range check error")); }

EMidiError OverflowError() { return EMidiError(Tr("Arithmetischer Überlauf", "Arithmetic overflow")); }

EMidiError AllocationError() {
  return EMidiError(Tr("Speicherzuordnungsfehler: Bitte mehr Speicher!", "Error allocating memory!"));
}

}  // namespace cv
