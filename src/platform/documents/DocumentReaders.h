// Every lyric text file reader, and the choice of one by file name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lyrics/DocumentReader.h"

namespace cv {

std::unique_ptr<DocumentReader> MakeTxtReader();
std::unique_ptr<DocumentReader> MakeRtfReader();
std::unique_ptr<DocumentReader> MakeDocxReader();
std::unique_ptr<DocumentReader> MakeOdtReader();
std::unique_ptr<DocumentReader> MakeDocReader();

// In the order of the load dialog's filter: doc, docx, odt, rtf, txt.
std::vector<std::unique_ptr<DocumentReader>> AllDocumentReaders();

// The reader for this file name, or null for any other extension.
const DocumentReader* FindDocumentReader(const std::vector<std::unique_ptr<DocumentReader>>& readers,
                                         const std::string& path);

}  // namespace cv
