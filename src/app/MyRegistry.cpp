#include "app/MyRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "song/Language.h"

namespace cvapp {

namespace {

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

// The file behind the user's own store, known before QSettings reads it (which it does at once,
// waiting forever on a pipe). Empty where the store is no file (the Windows registry).
QString UserStoreFile() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Maravelt/Cantovex 3.conf");
#else
  return {};
#endif
}

// NUL bytes: a binary file or UTF-16 text, which the INI reader would take apart without noticing.
bool HoldsNulBytes(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return f.read(1 << 20).contains('\0');
}

}  // namespace

TMyRegistry::TMyRegistry(const QString& iniFile) {
  const QString file = iniFile.isEmpty() ? UserStoreFile() : iniFile;
  const QFileInfo info(file);
  if (!file.isEmpty() && info.exists() && !info.isFile()) {
    // A pipe, device or folder in its place is never opened: the defaults, kept for this session.
    notAFile_ = file;
    readOnly_ = true;
    scratch_ = std::make_unique<QTemporaryDir>();
    settings_ = std::make_unique<QSettings>(scratch_->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    return;
  }
  const bool binary = !file.isEmpty() && HoldsNulBytes(file);
  if (iniFile.isEmpty())
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Maravelt"), QStringLiteral("Cantovex 3"));
  else
    settings_ = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
  if (binary || settings_->status() == QSettings::FormatError) SetAsideDamagedFile(!binary);
}

void TMyRegistry::SetAsideDamagedFile(bool keepReadable) {
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
  if (keepReadable)
    for (const QString& key : settings_->allKeys()) values.append({key, settings_->value(key)});
  const QSettings::Format format = settings_->format();
  settings_.reset();
  QFile::remove(file);
  settings_ = std::make_unique<QSettings>(file, format);
  for (const auto& [key, value] : values) settings_->setValue(key, value);
  settings_->sync();
}

QString TMyRegistry::DamageMessage() const {
  if (!notAFile_.isEmpty())
    return T("Die Einstellungsdatei \"%1\" ist keine gewöhnliche Datei (sondern eine Pipe, ein Gerät oder ein "
             "Ordner); sie wurde nicht geöffnet. Das Programm beginnt mit den Standardeinstellungen und speichert "
             "Änderungen in dieser Sitzung nicht. Entfernen oder benennen Sie sie um.",
             "The settings file \"%1\" is not an ordinary file (but a pipe, a device or a folder), so it was not "
             "opened. The program starts with its default settings and does not save changes in this session. "
             "Remove or rename it.")
        .arg(notAFile_);
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
