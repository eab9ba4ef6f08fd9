#include "session/UndoHistory.h"

#include <algorithm>
#include <utility>

#include "song/Language.h"

namespace cv {

std::string SongChangeName(TSongChange change) {
  switch (change) {
    case TSongChange::EditText: return Tr("Text bearbeiten", "Edit text");
    case TSongChange::PositionText: return Tr("Positionstext bearbeiten", "Edit position text");
    case TSongChange::Hyphenation: return Tr("Silbentrennung", "Hyphenation");
    case TSongChange::Assign: return Tr("Silben den Noten zuordnen", "Assign syllables to notes");
    case TSongChange::HideNote: return Tr("Note verstecken", "Hide note");
    case TSongChange::Quantize: return Tr("Lyrics-Zeiten quantisieren", "Quantize lyrics");
    case TSongChange::Offset: return Tr("Lyrics verschieben", "Move lyrics");
    case TSongChange::Tempo: return Tr("Tempo ändern", "Change tempo");
    case TSongChange::Transpose: return Tr("Transponieren", "Transpose");
    case TSongChange::LeadIn: return Tr("Vorlauf einfügen", "Insert lead-in");
    case TSongChange::RemovePunctuation: return Tr("Satzzeichen entfernen", "Remove punctuation");
    case TSongChange::UpperCase: return Tr("Großschreibung", "Upper case");
    case TSongChange::DeleteLyrics: return Tr("Lyrics löschen", "Delete lyrics");
    case TSongChange::TapRecording: return Tr("Aufnahme der Silbenzeiten", "Tap recording");
    case TSongChange::LoadText: return Tr("Text laden", "Load text");
    case TSongChange::Encoding: return Tr("Kodierung", "Encoding");
    case TSongChange::MoveSyllables: return Tr("Silben verschieben", "Move syllables");
    case TSongChange::SyllableText: return Tr("Silbentext ändern", "Change syllable text");
  }
  return {};
}

SongSnapshot SnapshotBefore(TSongChange change, const Song& song) {
  bool melody = false;
  switch (change) {
    case TSongChange::EditText:
    case TSongChange::PositionText:
    case TSongChange::Hyphenation:
    case TSongChange::Assign:
    case TSongChange::Quantize:
    case TSongChange::Offset:
    case TSongChange::RemovePunctuation:
    case TSongChange::UpperCase:
    case TSongChange::TapRecording:
    case TSongChange::LoadText:
    case TSongChange::MoveSyllables:
    case TSongChange::SyllableText:
      break;
    case TSongChange::HideNote:
      melody = true;  // a note of the melody chain is hidden
      break;
    case TSongChange::Tempo:
    case TSongChange::Transpose:
    case TSongChange::LeadIn:
    case TSongChange::DeleteLyrics:  // empties lyric events in every track
    case TSongChange::Encoding:      // every text event
      return SongSnapshot::Whole(song);
  }
  // The Prompta data, kept up with the lyrics, reach into the start of every track.
  if (song.Configuration.PromptaEnabled) return SongSnapshot::Whole(song);
  // Writing the lyric events rewrites the lyrics track, the Prompta track (emptied with the
  // lyrics) and the file's track whose text events were taken as the lyrics.
  std::vector<int> chains;
  auto add = [&](int t) {
    if (t >= 0 && t < static_cast<int>(song.MidiTrack.size()) && std::find(chains.begin(), chains.end(), t) == chains.end())
      chains.push_back(t);
  };
  add(song.LyricsTrackIndex());
  add(song.PromptaTrackIndex());
  if (song.LyricsMetaType == 1) add(song.LyricsTrack);
  return SongSnapshot::Part(song, chains, melody);
}

void UndoHistory::Clear() {
  entries_.clear();
  done_ = 0;
  baseId_ = nextId_++;
}

void UndoHistory::Record(TSongChange change, SongSnapshot before, const TUndoSide& beforeSide) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(done_), entries_.end());
  const size_t bytes = before.Bytes();
  entries_.push_back(Entry{change, nextId_++, std::move(before), beforeSide, bytes});
  done_ = entries_.size();
  KeepWithinBudget();
}

void UndoHistory::MarkChanged() {
  (done_ == 0 ? baseId_ : entries_[done_ - 1].StateId) = nextId_++;
}

void UndoHistory::DropNewest() {
  if (!CanUndo() || CanRedo()) return;
  entries_.pop_back();
  done_ = entries_.size();
}

size_t UndoHistory::Bytes() const {
  size_t bytes = 0;
  for (const Entry& e : entries_) bytes += e.Bytes;
  return bytes;
}

void UndoHistory::KeepWithinBudget() {
  size_t total = Bytes();
  size_t drop = 0;
  while (entries_.size() - drop > 1 && total > budget_) total -= entries_[drop++].Bytes;
  if (drop == 0) return;
  // The state before the oldest kept entry is the one its predecessor led to.
  baseId_ = entries_[drop - 1].StateId;
  entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(drop));
  done_ -= drop;
}

}  // namespace cv
