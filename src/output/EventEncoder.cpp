#include "output/EventEncoder.h"

#include "song/Language.h"

namespace cv {

void ThrowCodingError() {
  throw EMidiError(Tr("Fehler bei der kodierung der MidiDatei!", "Error coding the midi file!"));
}

}  // namespace cv
