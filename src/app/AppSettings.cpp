#include "app/AppSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <cmath>
#include <optional>

#include "app/MyRegistry.h"
#include "song/MelodyFinder.h"

namespace cvapp {

QString DefaultDataFolder() {
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  // The music folder is named even where it was never made.
  if (!music.isEmpty() && QFileInfo(music).isDir()) return QDir::toNativeSeparators(music);
  return QDir::toNativeSeparators(QDir::homePath());
}

QString JoinRecentFiles(const QStringList& list) { return list.join(QLatin1Char('\t')); }

QStringList SplitRecentFiles(const QString& value) {
  QString text = value;
  text.replace(QLatin1Char('\t'), QLatin1Char('\n'));
  QStringList out;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    QString entry = line;
    if (entry.endsWith(QLatin1Char('\r'))) entry.chop(1);
    if (!entry.isEmpty()) out << entry;
  }
  return out;
}

void AddRecentFile(QStringList& list, const QString& fileName) {
  for (qsizetype i = list.size() - 1; i >= 0; --i)
    if (list[i].compare(fileName, Qt::CaseInsensitive) == 0) list.removeAt(i);
  list.prepend(fileName);
  while (list.size() > kMaxRecentFiles) list.removeLast();
}

QString SizeToText(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

bool TextToSize(const QString& text, double& value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  double v = locale.toDouble(text.trimmed(), &ok);
  if (!ok) v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v) || std::fabs(v) > 1e6) return false;
  value = v;
  return true;
}

namespace {

// Reads the values in their fixed order; a bad value takes its default and is noted.
class Loader {
 public:
  Loader(const TMyRegistry& store, QStringList& defaulted) : store_(store), defaulted_(defaulted) {}

  QString Str(const char* name, const QString& def) {
    bool ok = true;
    const QString v = store_.ReadStrFromReg(QLatin1String(name), def, &ok);
    Note(name, ok);
    return v;
  }
  bool Bool(const char* name, bool def) {
    bool ok = true;
    const bool v = store_.ReadBoolFromReg(QLatin1String(name), def, &ok);
    Note(name, ok);
    return v;
  }
  int64_t Int(const char* name, int64_t def, int64_t lo, int64_t hi) {
    bool ok = true;
    int64_t v = store_.ReadIntFromReg(QLatin1String(name), def, &ok);
    if (ok && (v < lo || v > hi)) {
      ok = false;
      v = def;
    }
    Note(name, ok);
    return v;
  }
  // "Melody" as text; a store from before it keeps its channel in "MelodyTrack"; none: automatic.
  cv::MelodySetting Melody() {
    if (store_.KeyInReg(QStringLiteral("Melody"))) {
      const std::optional<cv::MelodySetting> v = cv::ParseMelodySetting(Str("Melody", {}).toStdString());
      Note("Melody", v.has_value());
      return v.value_or(cv::MelodySetting::Automatic());
    }
    if (!store_.KeyInReg(QStringLiteral("MelodyTrack"))) return cv::MelodySetting::Automatic();
    const int64_t channel = Int("MelodyTrack", -1, 0, 15);
    return channel < 0 ? cv::MelodySetting::Automatic() : cv::MelodySetting::OfChannel(static_cast<int32_t>(channel));
  }
  float Size(const char* name, float def) {
    bool ok = true;
    const QString text = store_.ReadStrFromReg(QLatin1String(name), SizeToText(def), &ok);
    double v = def;
    if (ok && !TextToSize(text, v)) {
      ok = false;
      v = def;
    }
    Note(name, ok);
    return static_cast<float>(v);
  }

 private:
  void Note(const char* name, bool ok) {
    if (!ok && store_.KeyInReg(QLatin1String(name))) defaulted_ << QLatin1String(name);
  }
  const TMyRegistry& store_;
  QStringList& defaulted_;
};

std::string U8(const QString& s) { return s.toStdString(); }

constexpr int64_t kInt32Min = INT32_MIN, kInt32Max = INT32_MAX;

}  // namespace

TStoredSettings LoadConfiguration(const TMyRegistry& store) {
  TStoredSettings s;
  cv::TConfiguration& c = s.Configuration;
  const cv::TConfiguration d;  // the record's defaults
  const QString folder = DefaultDataFolder();
  Loader r(store, s.DefaultedValues);

  s.AudioOutDeviceName = r.Str("AudioOutDeviceName", {});
  c.Controller32Value = static_cast<uint8_t>(r.Int("Controller32Value", d.Controller32Value, 0, 127));
  c.CopyrightString = U8(r.Str("CopyrightString", {}));
  c.DeleteController32 = r.Bool("DeleteController32", d.DeleteController32);
  c.DoNotChangeCtrl32 = r.Bool("DoNotChangeController32", d.DoNotChangeCtrl32);
  c.FontBold = r.Bool("FontBold", d.FontBold);
  c.FontCharset = static_cast<int32_t>(r.Int("FontCharset", d.FontCharset, 0, 255));
  c.FontHeight = static_cast<int32_t>(r.Int("FontHeight", d.FontHeight, -1000, 1000));
  c.FontItalic = r.Bool("FontItalic", d.FontItalic);
  c.FontName = U8(r.Str("FontName", QString::fromStdString(d.FontName)));
  c.FontSize = static_cast<int32_t>(r.Int("FontSize", d.FontSize, 1, 1000));
  c.FontStrikeOut = r.Bool("FontStrikeOut", d.FontStrikeOut);
  c.FontUnderline = r.Bool("FontUnderline", d.FontUnderline);
  c.InsertController32 = r.Bool("InsertController32", d.InsertController32);
  s.LastMidifilesList = SplitRecentFiles(r.Str("LastMidifilesList", {}));
  while (s.LastMidifilesList.size() > kMaxRecentFiles) s.LastMidifilesList.removeLast();
  c.LastMidiPathSource = U8(r.Str("LastMidiPathSource", folder));
  c.LastTextPath = U8(r.Str("LastTextPath", folder));
  s.LyricsOffsetFormHeight = 70.0f;
  s.LyricsOffsetFormLeft = static_cast<int32_t>(r.Int("LyricsOffsetFormLeft", -9999, kInt32Min, kInt32Max));
  s.LyricsOffsetFormTop = static_cast<int32_t>(r.Int("LyricsOffsetFormTop", -9999, kInt32Min, kInt32Max));
  s.LyricsOffsetFormWidth = r.Size("LyricsOffsetFormWidth", 720.0f);
  c.MainFormHeight = r.Size("MainFormHeight", d.MainFormHeight);
  c.MainFormLeft = static_cast<int32_t>(r.Int("MainFormLeft", d.MainFormLeft, kInt32Min, kInt32Max));
  c.MainFormTop = static_cast<int32_t>(r.Int("MainFormTop", d.MainFormTop, kInt32Min, kInt32Max));
  c.MainFormWidth = r.Size("MainFormWidth", d.MainFormWidth);
  c.MakeBackup = r.Bool("MakeBackup", d.MakeBackup);
  c.ReplaceBackup = r.Bool("ReplaceBackup", d.ReplaceBackup);
  c.Melody = r.Melody();
  c.MidiOutputDeviceName = U8(r.Str("MidiOutputDeviceName", {}));
  c.PrevCommandMode = static_cast<uint8_t>(r.Int("PrevCommandMode", d.PrevCommandMode, 0, 255));
  c.PlaybackSpeed = static_cast<uint8_t>(r.Int("PlaybackSpeed", d.PlaybackSpeed, 0, 5));
  c.QuantizeFactor = static_cast<uint8_t>(r.Int("QuantizeFactor", d.QuantizeFactor, 0, 3));
  s.StyleDarkToLoad = r.Str("StyleDarkToLoad", {});
  s.StyleLightToLoad = r.Str("StyleLightToLoad", {});
  c.PromptaCmdController = static_cast<uint8_t>(r.Int("PromptaCmdController", d.PromptaCmdController, 0, 119));
  c.PromptaEnabled = r.Bool("PromptaEnabled", d.PromptaEnabled);
  c.PromptaFont = static_cast<uint8_t>(r.Int("PromptaFont", d.PromptaFont, 1, 6));
  c.PromptaFontHeight = static_cast<uint8_t>(r.Int("PromptaFontHeight", d.PromptaFontHeight, 1, 6));
  c.PromptaForYamaha = r.Bool("PromptaForYamaha", d.PromptaForYamaha);
  c.PromptaInversVideo = r.Bool("PromptaInversVideo", d.PromptaInversVideo);
  c.PromptaMidiChannel = static_cast<uint8_t>(r.Int("PromptaMidiChannel", d.PromptaMidiChannel, 0, 15));
  c.PromptaTimeOffset = static_cast<int32_t>(r.Int("PromptaTimeOffset", d.PromptaTimeOffset, 0, 255));
  s.TapDelay = static_cast<int32_t>(r.Int("TapDelay", 0, -500, 1000));
  s.VolumeValue = static_cast<int32_t>(r.Int("VolumeValue", 100, 0, 130));
  c.VirtualPrompta = r.Bool("VirtualPrompta", d.VirtualPrompta);
  s.VSTiEnabled = r.Bool("VSTiEnabled", true);
  return s;
}

void UpdateConfiguration(TMyRegistry& store, const TStoredSettings& s, QSizeF clientSize96,
                         bool hiddenMode) {
  const cv::TConfiguration& c = s.Configuration;
  auto str = [](const std::string& v) { return QString::fromStdString(v); };
  store.BeginBatch();
  if (c.CopyrightString.empty())
    store.DeleteValue(QStringLiteral("CopyrightString"));
  else
    store.WriteStrToReg(QStringLiteral("CopyrightString"), str(c.CopyrightString));
  store.WriteIntToReg(QStringLiteral("Controller32Value"), c.Controller32Value);
  store.WriteBoolToReg(QStringLiteral("DeleteController32"), c.DeleteController32);
  store.WriteBoolToReg(QStringLiteral("DoNotChangeController32"), c.DoNotChangeCtrl32);
  store.WriteBoolToReg(QStringLiteral("FontBold"), c.FontBold);
  store.WriteIntToReg(QStringLiteral("FontCharset"), c.FontCharset);
  store.WriteIntToReg(QStringLiteral("FontHeight"), c.FontHeight);
  store.WriteBoolToReg(QStringLiteral("FontItalic"), c.FontItalic);
  store.WriteStrToReg(QStringLiteral("FontName"), str(c.FontName));
  store.WriteIntToReg(QStringLiteral("FontSize"), c.FontSize);
  store.WriteBoolToReg(QStringLiteral("FontStrikeOut"), c.FontStrikeOut);
  store.WriteBoolToReg(QStringLiteral("FontUnderline"), c.FontUnderline);
  if (!hiddenMode) store.WriteBoolToReg(QStringLiteral("InsertController32"), c.InsertController32);
  store.WriteStrToReg(QStringLiteral("LastMidiPathSource"), str(c.LastMidiPathSource));
  store.WriteStrToReg(QStringLiteral("LastTextPath"), str(c.LastTextPath));
  store.WriteStrToReg(QStringLiteral("MainFormHeight"), SizeToText(clientSize96.height()));
  store.WriteIntToReg(QStringLiteral("MainFormLeft"), c.MainFormLeft);
  store.WriteIntToReg(QStringLiteral("MainFormTop"), c.MainFormTop);
  store.WriteStrToReg(QStringLiteral("MainFormWidth"), SizeToText(clientSize96.width()));
  store.WriteBoolToReg(QStringLiteral("MakeBackup"), c.MakeBackup);
  store.WriteBoolToReg(QStringLiteral("ReplaceBackup"), c.ReplaceBackup);
  store.WriteStrToReg(QStringLiteral("MidiOutputDeviceName"), str(c.MidiOutputDeviceName));
  store.WriteStrToReg(QStringLiteral("Melody"), str(cv::MelodySettingText(c.Melody)));
  store.WriteIntToReg(QStringLiteral("PlaybackSpeed"), c.PlaybackSpeed);
  store.WriteIntToReg(QStringLiteral("QuantizeFactor"), c.QuantizeFactor);
  store.WriteIntToReg(QStringLiteral("PromptaCmdController"), c.PromptaCmdController);
  store.WriteBoolToReg(QStringLiteral("PromptaEnabled"), c.PromptaEnabled);
  store.WriteIntToReg(QStringLiteral("PromptaFont"), c.PromptaFont);
  store.WriteIntToReg(QStringLiteral("PromptaFontHeight"), c.PromptaFontHeight);
  store.WriteBoolToReg(QStringLiteral("PromptaForYamaha"), c.PromptaForYamaha);
  store.WriteBoolToReg(QStringLiteral("PromptaInversVideo"), c.PromptaInversVideo);
  store.WriteIntToReg(QStringLiteral("PromptaMidiChannel"), c.PromptaMidiChannel);
  store.WriteIntToReg(QStringLiteral("PromptaTimeOffset"), c.PromptaTimeOffset);
  store.WriteIntToReg(QStringLiteral("TapDelay"), s.TapDelay);
  store.WriteBoolToReg(QStringLiteral("VirtualPrompta"), c.VirtualPrompta);
  store.WriteBoolToReg(QStringLiteral("VSTiEnabled"), s.VSTiEnabled);
  store.Flush();
}

void WriteClosingGeometry(TMyRegistry& store, const TClosingGeometry& g, bool virtualPrompta) {
  store.BeginBatch();
  store.WriteIntToReg(QStringLiteral("MainFormLeft"), g.MainLeft);
  store.WriteIntToReg(QStringLiteral("MainFormTop"), g.MainTop);
  if (!virtualPrompta) {
    store.WriteStrToReg(QStringLiteral("MainFormHeight"), SizeToText(g.MainClient96.height()));
    store.WriteStrToReg(QStringLiteral("MainFormWidth"), SizeToText(g.MainClient96.width()));
  }
  store.WriteIntToReg(QStringLiteral("LyricsOffsetFormLeft"), g.OffsetLeft);
  store.WriteIntToReg(QStringLiteral("LyricsOffsetFormTop"), g.OffsetTop);
  store.WriteStrToReg(QStringLiteral("LyricsOffsetFormWidth"), SizeToText(g.OffsetWidth96));
  store.Flush();
}

}  // namespace cvapp
