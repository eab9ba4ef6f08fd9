// The document readers plugin's entry point (see platform/Devices.h).
#include "platform/documents/DocumentReaders.h"

extern "C" void CantovexDocumentReaders(std::vector<std::unique_ptr<cv::DocumentReader>>* readers) {
  *readers = cv::AllDocumentReaders();
}
