// Shared body of the document reader fuzzers: the bytes become a file of the reader's extension.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/documents/DocumentReaders.h"

inline int FuzzDocumentReader(const cv::DocumentReader& reader, const char* extension, const uint8_t* data,
                              size_t size) {
  static const std::string path = "/tmp/cantovex-fuzz-" + std::to_string(getpid()) + extension;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  try {
    reader.ReadLines(path);
  } catch (const cv::EDocumentError&) {
  }
  return 0;
}
