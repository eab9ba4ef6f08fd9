#include "output/EventEncoder.h"

#include "song/Language.h"
#include "song/SongErrors.h"

namespace cv {

void ThrowCodingError() {
  throw EMidiError(Tr("Der Song enthält ein Ereignis, das eine MIDI-Datei nicht aufnehmen kann; er wurde nicht "
                     "gespeichert, die alte Datei ist unverändert. Öffnen Sie den Song neu und wiederholen Sie die "
                     "Änderungen; geschieht es wieder, melden Sie es mit der Song-Datei.",
                     "The song holds an event a MIDI file cannot hold, so it was not saved; the old file is "
                     "unchanged. Open the song again and repeat the changes; if it happens again, report it with "
                     "the song file."));
}

}  // namespace cv
