// Shared body of the document reader fuzzers: the bytes become a file of the reader's extension,
// removed again after each reading so a fuzzing run leaves nothing behind.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/documents/DocumentReaders.h"

inline int FuzzDocumentReader(const cv::DocumentReader& reader, const char* extension, const uint8_t* data,
                              size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("cantovex-fuzz-" + std::to_string(getpid()) + extension)).string();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  try {
    reader.ReadLines(path);
  } catch (const cv::EDocumentError&) {
  }
  std::remove(path.c_str());
  return 0;
}
