// Which code page a song's text (not UTF-8, with bytes from 80 up) was written in, decided so that
// it holds for a few syllables too: a page must read every byte sequence, and the characters it
// gives must be plausible for one script.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "song/TextCodec.h"

namespace cv {

// The page of all the song's text events together (joined by line feeds), or none when no page
// reads it plausibly. A text that a Chinese, Japanese or Korean page reads as their common
// characters is never given a page of one byte per character. Ties go to the user's language
// ("de", "ru", "zh_TW", ...; the locale's when empty), then to the installed detector. UTF-16,
// UTF-32 and ISO-2022 are never chosen: a text event cannot be in them.
std::optional<TextEncoding> GuessLegacyEncoding(std::string_view all, const TextConverter& converter,
                                                std::string_view language = {});

// The user's language from the locale (LC_ALL, LC_CTYPE, LANG): "de", "zh_TW", ...; "" for C/POSIX.
std::string LocaleLanguage();

}  // namespace cv
