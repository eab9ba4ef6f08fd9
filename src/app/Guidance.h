// What the user can do next, by the window's state: the hint in an empty window, the hint in an
// empty edit text, and why a grey menu item is grey.
#pragma once

#include <QString>

namespace cvapp {

struct TMainActions;
struct TViewState;

// The empty window: how to get a song.
QString NoSongHint();
// The edit text of a song without lyrics: how to get them in and what follows.
QString NoLyricsHint();
// The edit text opened on lyrics: how to finish.
QString EditingHint();
// The position-text editor: the format and how to finish.
QString EditingTimesHint();

// Gives each item of the Text menu that the state makes grey the reason as its tooltip (and
// clears it on the enabled ones).
void ExplainDisabledItems(const TMainActions& actions, const TViewState& state);

}  // namespace cvapp
