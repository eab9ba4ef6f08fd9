// The settings record with its defaults; the app's store fills it, the CLI uses the defaults.
#pragma once

#include <cstdint>
#include <string>

namespace cv {

// Which notes are the song's melody: found by the melody finder, one MIDI channel, or one track.
struct MelodySetting {
  enum class Kind : uint8_t { Automatic, Channel, Track };
  Kind Mode = Kind::Automatic;
  int32_t Channel = 0;  // 0..15 with Kind::Channel
  int32_t Track = 0;    // file track index with Kind::Track

  static MelodySetting Automatic() { return {}; }
  static MelodySetting OfChannel(int32_t channel) { return {Kind::Channel, channel, 0}; }
  static MelodySetting OfTrack(int32_t track) { return {Kind::Track, 0, track}; }
  bool operator==(const MelodySetting&) const = default;
};

struct TConfiguration {
  uint8_t Controller32Value = 0;
  std::string CopyrightString;  // UTF-8
  bool DeleteController32 = false;
  bool DoNotChangeCtrl32 = false;
  bool FontBold = true;
  int32_t FontCharset = 0;
  int32_t FontHeight = -16;
  bool FontItalic = false;
  std::string FontName = "Courier";
  int32_t FontSize = 12;
  bool FontStrikeOut = false;
  bool FontUnderline = false;
  bool InsertController32 = false;
  std::string LastMidiPathSource;  // the store sets the program's folder (or home) as default
  std::string LastTextPath;
  float MainFormHeight = 480.0f;
  int32_t MainFormLeft = 0;
  int32_t MainFormTop = 0;
  float MainFormWidth = 640.0f;
  // A copy "NAME~" of the song file is kept before the first save over it since opening.
  bool MakeBackup = true;
  // An existing NAME~ is replaced by the new copy; otherwise it stays, so it keeps the original
  // through a chain of edits.
  bool ReplaceBackup = false;
  MelodySetting Melody;
  std::string MidiOutputDeviceName;
  uint8_t QuantizeFactor = 1;  // 0..3
  uint8_t PlaybackSpeed = 0;   // 0..5 = 100 % .. 50 %
  uint8_t PrevCommandMode = 1;
  uint8_t PromptaCmdController = 98;
  bool PromptaEnabled = false;
  uint8_t PromptaFont = 1;
  uint8_t PromptaFontHeight = 1;
  bool PromptaForYamaha = false;
  bool PromptaInversVideo = false;
  uint8_t PromptaMidiChannel = 15;
  int32_t PromptaTimeOffset = 0;
  bool VirtualPrompta = false;
  std::string XF_ChordHelper;
  bool XF_Format = false;
  uint8_t XF_ChordMidiChannel = 0;
  bool XF_DeleteChordHelper = false;
  int32_t XF_Latency = 0;
  bool XF_LyricsMagnet = false;
  bool XF_Quantize = false;
  int32_t XF_QuantizeWindow = 0;

  bool operator==(const TConfiguration&) const = default;
};

}  // namespace cv
