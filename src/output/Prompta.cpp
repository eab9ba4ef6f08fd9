#include "output/Prompta.h"

namespace cv {

void InsertPromptaController(Song&) {}
void RemovePromptaData(Song&) {}
void ClearPromptaLeadIn(Song&) {}

}  // namespace cv
