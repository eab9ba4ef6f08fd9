// The song's undo history: every change the user made is one entry holding the song as it was on
// the other side of that change, whole or (for a change of the lyrics) the part the change can
// alter. Undo and redo exchange the current song with an entry's, so one copy serves both
// directions. Copies are exact (the saved bytes come back unchanged) and independent of how an
// operation works; their memory is bounded by a budget, the oldest entries going first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/CV_EditTempo.h"
#include "output/CV_EditTranspose.h"
#include "session/SongCopy.h"
#include "song/Song.h"

namespace cv {

// The changes a user can take back, each one entry.
enum class TSongChange {
  EditText,
  PositionText,
  Hyphenation,
  Assign,
  HideNote,
  Quantize,
  Offset,
  Tempo,
  Transpose,
  LeadIn,
  RemovePunctuation,
  UpperCase,
  DeleteLyrics,
  TapRecording,
  LoadText,
  Encoding,
  MoveSyllables,
  SyllableText,
};

// The change's name in the user's language, as the Edit menu shows it.
std::string SongChangeName(TSongChange change);

// The song before the change, as much of it as the change can alter.
SongSnapshot SnapshotBefore(TSongChange change, const Song& song);

// What besides the song a change moves: the open editor and the tempo and transpose windows' state.
struct TUndoSide {
  int Editor = 0;  // the session's editor kind
  bool EditorOnEmptySong = false;
  TTempoEdit TempoEdit;
  int TransposeAmount = 0;
  TTransposeOptions TransposeOptions;
};

class UndoHistory {
 public:
  struct Entry {
    TSongChange Change;
    uint64_t StateId = 0;  // the state after the change
    SongSnapshot Other;    // before the change while it is done, after it once undone
    TUndoSide OtherSide;
    size_t Bytes = 0;
  };

  // Memory the copies may hold together; the newest entry stays even when it alone is larger.
  static constexpr size_t kDefaultBudget = size_t{768} << 20;
  explicit UndoHistory(size_t budget = kDefaultBudget) : budget_(budget) {}

  // A new song: no entries; its state gets a new id.
  void Clear();
  // A change was made: before is the song as it was. Entries undone so far are gone.
  void Record(TSongChange change, SongSnapshot before, const TUndoSide& beforeSide);
  // The current state changed without an entry of its own (a further step of the newest change,
  // as the transpose window's steps are one entry; the song following changed settings): it gets
  // a new id, so it is no longer the state saved.
  void MarkChanged();
  // The newest change turned out to change nothing (a transposition went back where it began):
  // it is gone and the state is the one before it again.
  void DropNewest();
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < entries_.size(); }
  TSongChange NextUndo() const { return entries_[done_ - 1].Change; }
  TSongChange NextRedo() const { return entries_[done_].Change; }
  const Entry& Newest() const { return entries_.back(); }
  // The entry to swap with the current song for an undo or redo; the step is counted.
  Entry& StepBack() { return entries_[--done_]; }
  Entry& StepForward() { return entries_[done_++]; }
  // Identifies the current state: equal ids, equal songs (saved state vs. now).
  uint64_t StateId() const { return done_ == 0 ? baseId_ : entries_[done_ - 1].StateId; }
  size_t Entries() const { return entries_.size(); }
  size_t Bytes() const;

 private:
  void KeepWithinBudget();

  std::vector<Entry> entries_;
  size_t done_ = 0;  // entries applied; the rest can be redone
  uint64_t baseId_ = 0;
  uint64_t nextId_ = 1;
  size_t budget_;
};

}  // namespace cv
