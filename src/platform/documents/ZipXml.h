// One XML part of a zip package (docx, odt), read with the document size limits.
#pragma once

#include <string>

namespace cv::documents {

// The uncompressed bytes of one member; fails with the file's message when it is missing or too big.
std::string ReadZipMember(const std::string& path, const char* member);

}  // namespace cv::documents
