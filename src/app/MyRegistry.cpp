#include "app/MyRegistry.h"

#include <QMessageBox>
#include <QSettings>

namespace cvapp {

TMyRegistry::TMyRegistry(const QString& iniFile) {
  if (iniFile.isEmpty())
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Maravelt"), QStringLiteral("Cantovex 3"));
  else
    settings_ = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

TMyRegistry::~TMyRegistry() = default;

QString TMyRegistry::Location() const { return settings_->fileName(); }

bool TMyRegistry::KeyInReg(const QString& key) const { return settings_->contains(key); }

bool TMyRegistry::ReadBoolFromReg(const QString& key, bool defValue, bool* ok) const {
  if (ok) *ok = false;
  if (!settings_->contains(key)) return defValue;
  const QVariant v = settings_->value(key);
  if (v.typeId() == QMetaType::Bool) {
    if (ok) *ok = true;
    return v.toBool();
  }
  // Stored as a number: 0 is false, anything else true.
  bool isNumber = false;
  const qlonglong n = v.toString().trimmed().toLongLong(&isNumber);
  if (isNumber) {
    if (ok) *ok = true;
    return n != 0;
  }
  const QString text = v.toString().trimmed().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("false")) {
    if (ok) *ok = true;
    return text == QLatin1String("true");
  }
  Report(false, QStringLiteral("The value %1 is not a number").arg(key));
  return defValue;
}

int64_t TMyRegistry::ReadIntFromReg(const QString& key, int64_t defValue, bool* ok) const {
  if (ok) *ok = false;
  if (!settings_->contains(key)) return defValue;
  const QVariant v = settings_->value(key);
  bool isNumber = false;
  const qlonglong n = v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray
                          ? v.toString().trimmed().toLongLong(&isNumber)
                          : v.toLongLong(&isNumber);
  if (!isNumber) {
    Report(false, QStringLiteral("The value %1 is not a number").arg(key));
    return defValue;
  }
  if (ok) *ok = true;
  return n;
}

QString TMyRegistry::ReadStrFromReg(const QString& key, const QString& defValue, bool* ok) const {
  if (ok) *ok = false;
  if (!settings_->contains(key)) return defValue;
  const QVariant v = settings_->value(key);
  // A list (a value with commas written by another tool) is not one text.
  if (v.typeId() == QMetaType::QStringList || !v.canConvert<QString>()) {
    Report(false, QStringLiteral("The value %1 is not a text").arg(key));
    return defValue;
  }
  if (ok) *ok = true;
  return v.toString();
}

void TMyRegistry::Put(const QString& key, const QVariant& value) {
  settings_->setValue(key, value);
  if (!batch_) Flush();
}

void TMyRegistry::WriteBoolToReg(const QString& key, bool contents) { Put(key, contents ? 1 : 0); }
void TMyRegistry::WriteIntToReg(const QString& key, int64_t contents) {
  Put(key, static_cast<qlonglong>(contents));
}
void TMyRegistry::WriteStrToReg(const QString& key, const QString& contents) { Put(key, contents); }

void TMyRegistry::DeleteValue(const QString& key) {
  settings_->remove(key);
  if (!batch_) settings_->sync();
}

void TMyRegistry::BeginBatch() { batch_ = true; }

void TMyRegistry::Flush() {
  batch_ = false;
  settings_->sync();
  if (settings_->status() == QSettings::AccessError)
    Report(true, QStringLiteral("The settings could not be written to \"%1\".").arg(Location()));
  else if (settings_->status() == QSettings::FormatError)
    Report(true, QStringLiteral("The settings in \"%1\" are damaged and were not written.").arg(Location()));
}

void TMyRegistry::Report(bool isBox, const QString& message) const {
  if (OnError) {
    OnError(isBox, message);
    return;
  }
  if (isBox) QMessageBox::warning(nullptr, QStringLiteral("Error"), message);
}

}  // namespace cvapp
