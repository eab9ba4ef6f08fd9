// The stored settings of the program: the configuration record plus the main window's own
// stored fields, with the bulk load, the bulk save and the values written on closing.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include "song/TConfiguration.h"

namespace cvapp {

class TMyRegistry;

struct TStoredSettings {
  cv::TConfiguration Configuration;
  QString AudioOutDeviceName;
  bool VSTiEnabled = true;
  int32_t VolumeValue = 100;  // 0..130
  // How late taps land against what is heard, ms; recording takes it off every tap.
  int32_t TapDelay = 0;
  int32_t LyricsOffsetFormLeft = -9999;
  int32_t LyricsOffsetFormTop = -9999;
  float LyricsOffsetFormWidth = 720.0f;  // 96-dpi units
  float LyricsOffsetFormHeight = 70.0f;  // not stored
  QStringList LastMidifilesList;          // most recent first, at most 9
  QString StyleDarkToLoad;
  QString StyleLightToLoad;
  // Values that were stored but unreadable or out of range and took their default.
  QStringList DefaultedValues;
};

constexpr int kMaxRecentFiles = 9;

// Where the open and load dialogs start until the user chose a folder: the user's music folder,
// else the home folder.
QString DefaultDataFolder();

// Reads every value of the store in its fixed order; each absent, unreadable or out-of-range
// value takes its default and the load goes on.
TStoredSettings LoadConfiguration(const TMyRegistry& store);

// Bulk save. clientSize96 is the main window's client size already in 96-dpi units.
void UpdateConfiguration(TMyRegistry& store, const TStoredSettings& settings, QSizeF clientSize96,
                         bool hiddenMode);

// Position and size of the main window and the lyric-offset window, written on closing.
struct TClosingGeometry {
  int MainLeft = 0, MainTop = 0;
  QSizeF MainClient96;
  int OffsetLeft = -9999, OffsetTop = -9999;
  float OffsetWidth96 = 720.0f;
};
void WriteClosingGeometry(TMyRegistry& store, const TClosingGeometry& g, bool virtualPrompta);

// The recent-files list as one TAB-joined value and back.
QString JoinRecentFiles(const QStringList& list);
QStringList SplitRecentFiles(const QString& value);
// Moves (or inserts) fileName to the top, without regard to case, and keeps the first nine.
void AddRecentFile(QStringList& list, const QString& fileName);

// A size as decimal text in the current locale's notation, and back (also accepts a point).
QString SizeToText(double value);
bool TextToSize(const QString& text, double& value);

}  // namespace cvapp
