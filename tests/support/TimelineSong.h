// The small song the timeline tests drag syllables in.
#pragma once

#include <string>

namespace cvtest {

// Title lines, then "one two three four five" on channel-1 melody notes a beat apart from bar 2;
// "three" lies 200 ticks after its note. With accompaniment, a note on channel 2 plays along.
// Written to a temporary file of that name; returns its path.
std::string WriteTimelineSong(const std::string& name, bool withAccompaniment);

}  // namespace cvtest
