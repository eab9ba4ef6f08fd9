#include "app/MyRegistry.h"

#include <QFile>
#include <QMessageBox>
#include <QSettings>

#include "song/Language.h"

namespace cvapp {

TMyRegistry::TMyRegistry(const QString& iniFile) {
  if (iniFile.isEmpty())
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Maravelt"), QStringLiteral("Cantovex 3"));
  else
    settings_ = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
  if (settings_->status() == QSettings::FormatError) SetAsideDamagedFile();
}

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

void TMyRegistry::SetAsideDamagedFile() {
  damaged_ = true;
  const QString file = Location();
  QString copy = file + QStringLiteral(".damaged");
  for (int n = 2; QFile::exists(copy); ++n) copy = file + QStringLiteral(".damaged-%1").arg(n);
  if (!QFile::copy(file, copy)) {
    readOnly_ = true;
    return;
  }
  damagedCopy_ = copy;
  // Written afresh with what could be read; lines that could not be read are only in the copy.
  QList<std::pair<QString, QVariant>> values;
  for (const QString& key : settings_->allKeys()) values.append({key, settings_->value(key)});
  const QSettings::Format format = settings_->format();
  settings_.reset();
  QFile::remove(file);
  settings_ = std::make_unique<QSettings>(file, format);
  for (const auto& [key, value] : values) settings_->setValue(key, value);
  settings_->sync();
}

QString TMyRegistry::DamageMessage() const {
  if (!damaged_) return {};
  const QString intro = T("Die Einstellungen in \"%1\" waren beschädigt; was nicht lesbar war, hat seinen "
                          "Standardwert.",
                          "The settings in \"%1\" were damaged; whatever could not be read has its default "
                          "value.")
                            .arg(Location());
  if (readOnly_)
    return intro + QLatin1Char('\n') +
           T("Von der Datei ließ sich keine Kopie anlegen, darum werden Änderungen der Einstellungen in dieser "
             "Sitzung nicht gespeichert.",
             "No copy of the file could be made, so changed settings are not saved in this session.");
  return intro + QLatin1Char('\n') +
         T("Die beschädigte Datei wurde als \"%1\" aufbewahrt.", "The damaged file was kept as \"%1\".")
             .arg(damagedCopy_);
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
  if (readOnly_) return;
  settings_->setValue(key, value);
  if (!batch_) Flush();
}

void TMyRegistry::WriteBoolToReg(const QString& key, bool contents) { Put(key, contents ? 1 : 0); }
void TMyRegistry::WriteIntToReg(const QString& key, int64_t contents) {
  Put(key, static_cast<qlonglong>(contents));
}
void TMyRegistry::WriteStrToReg(const QString& key, const QString& contents) { Put(key, contents); }

void TMyRegistry::DeleteValue(const QString& key) {
  if (readOnly_) return;
  settings_->remove(key);
  if (!batch_) settings_->sync();
}

void TMyRegistry::BeginBatch() { batch_ = true; }

void TMyRegistry::Flush() {
  batch_ = false;
  settings_->sync();
  // A damaged store was reported once when it was opened.
  if (settings_->status() == QSettings::AccessError)
    Report(true, T("Die Einstellungen konnten nicht in \"%1\" gespeichert werden. Prüfen Sie, ob der Ordner "
                   "beschreibbar ist und Platz auf dem Datenträger frei ist.",
                   "The settings could not be saved to \"%1\". Check that the folder can be written to "
                   "and the disk has space left.")
                     .arg(Location()));
}

void TMyRegistry::Report(bool isBox, const QString& message) const {
  if (OnError) {
    OnError(isBox, message);
    return;
  }
  if (isBox) QMessageBox::warning(nullptr, T("Fehler", "Error"), message);
}

}  // namespace cvapp
