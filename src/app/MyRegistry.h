// The settings store: one flat group of named values in the user's QSettings
// (organisation "Maravelt", application "Cantovex 3"), with typed one-value access.
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class QSettings;
class QTemporaryDir;

namespace cvapp {

class TMyRegistry {
 public:
  // Empty file name: the user's own store. A file name: an INI file (tests, portable use).
  explicit TMyRegistry(const QString& iniFile = {});
  ~TMyRegistry();
  TMyRegistry(const TMyRegistry&) = delete;
  TMyRegistry& operator=(const TMyRegistry&) = delete;

  // Where the values live (a file path on Linux and macOS, a registry path on Windows).
  QString Location() const;

  // A store file that could not be read whole (or is binary or UTF-16) is copied aside once, then
  // written afresh from what could be read, so the damage is reported at one start only. Without
  // a copy nothing is written over it. A pipe, device or folder in the file's place is not opened:
  // the defaults hold and nothing is saved. Empty when the store was sound; else the finished text
  // for the user, in the current language.
  QString DamageMessage() const;

  bool KeyInReg(const QString& key) const;
  // Each read gives DefValue when the value is absent or cannot be read as its type;
  // ok (when given) tells whether a stored value was read.
  bool ReadBoolFromReg(const QString& key, bool defValue, bool* ok = nullptr) const;
  int64_t ReadIntFromReg(const QString& key, int64_t defValue, bool* ok = nullptr) const;
  QString ReadStrFromReg(const QString& key, const QString& defValue, bool* ok = nullptr) const;

  // Writes go to the store at once; a failure is reported (IsBox true).
  void WriteBoolToReg(const QString& key, bool contents);
  void WriteIntToReg(const QString& key, int64_t contents);
  void WriteStrToReg(const QString& key, const QString& contents);
  void DeleteValue(const QString& key);
  // Several writes, then one flush (the bulk save); Flush reports a failure once.
  void BeginBatch();
  void Flush();

  // (IsBox, message): IsBox true for failures the user must see. Without a handler such
  // failures show a warning box captioned "Error".
  std::function<void(bool, const QString&)> OnError;

 private:
  void Put(const QString& key, const QVariant& value);
  void Report(bool isBox, const QString& message) const;
  // keepReadable: the values that could be read are written back (not from a binary file).
  void SetAsideDamagedFile(bool keepReadable);
  std::unique_ptr<QSettings> settings_;
  bool batch_ = false;
  bool damaged_ = false;
  bool readOnly_ = false;    // damaged and no copy could be kept
  QString damagedCopy_;
  QString notAFile_;        // the store's name, taken by a pipe, device or folder
  std::unique_ptr<QTemporaryDir> scratch_;  // where such a session's values go, unsaved
};

}  // namespace cvapp
