// The generic failures of song arithmetic: a value outside its field, a number beyond 32 bits.
#pragma once

#include <cstdint>
#include <string>

#include "song/CV_Data.h"

namespace cv {

// A value that does not fit its field, or a read beyond the data.
EMidiError RangeError();
// A count or position that no longer fits a signed 32-bit integer.
EMidiError OverflowError();

// "<what>: the file is damaged. ..." with the advice for a damaged song file.
std::string DamagedFile(const std::string& what);
// 27000 as "27 000", readable in both languages.
std::string Grouped(int64_t n);
// Why a file cannot be read (missing, a folder or device, not allowed, broken off) with what to
// do: "Cannot read the file "x": it is a folder or a device, not ... <choose>".
// kindDe/kindEn name what was expected ("eine Song-Datei" / "a song file"), chooseDe/chooseEn the
// advice for a wrong kind ("Wählen Sie eine .mid- oder .kar-Datei." / "Choose a .mid or .kar file.").
std::string CannotReadFile(const std::string& fileName, const std::string& kindDe, const std::string& kindEn,
                           const std::string& chooseDe, const std::string& chooseEn);
// The allocation failure with the advice what to do.
EMidiError OutOfMemory();

}  // namespace cv
