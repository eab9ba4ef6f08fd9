#include "output/SaveFile.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "output/EventEncoder.h"
#include "song/Language.h"

namespace cv {

namespace {

namespace fs = std::filesystem;

std::string Quoted(std::string_view before, const std::string& name, std::string_view after) {
  std::string s(before);
  s += '"';
  s += name;
  s += '"';
  s += after;
  return s;
}

std::string FolderOf(const std::string& name) {
  const fs::path parent = fs::path(name).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// Why the step failed and what to do about it.
std::string Cause(const FileWriteResult& r, const std::string& name) {
  switch (r.Fault) {
    case FileFault::DiskFull:
      return Tr("Der Datenträger ist voll: Schaffen Sie Platz oder speichern Sie auf einem anderen.",
                "The disk is full: free some space, or save to another disk.");
    case FileFault::FolderNotWritable:
      return Quoted(Tr("Der Ordner ", "The folder "), FolderOf(name),
                    Tr(" ist schreibgeschützt: Speichern Sie in einem anderen Ordner.",
                       " is write-protected: save into another folder."));
    case FileFault::NoFolder:
      return Quoted(Tr("Den Ordner ", "The folder "), FolderOf(name),
                    Tr(" gibt es nicht: Wählen Sie einen vorhandenen Ordner.", " does not exist: choose an existing folder."));
    case FileFault::IsFolder:
      return Quoted("", name, Tr(" ist ein Ordner: Wählen Sie einen Dateinamen.", " is a folder: choose a file name."));
    case FileFault::NotRegularFile:
      return Quoted("", name, Tr(" ist keine gewöhnliche Datei: Wählen Sie einen anderen Namen.",
                                 " is not an ordinary file: choose another name."));
    case FileFault::None:
    case FileFault::Other: break;
  }
  return Tr("Das System meldete einen Fehler beim Schreiben: Versuchen Sie es noch einmal oder speichern Sie an "
            "einem anderen Ort.",
            "The system reported an error while writing: try again, or save to another place.");
}

// What is wrong and what to do, ahead of the writer's own text.
std::string Explanation(const FileWriteResult& r, const std::string& name, bool song) {
  if (r.FailedStep == SaveStep::ReadOnly)
    return Quoted(Tr("Die Datei ", "The file "), name,
                  song ? Tr(" ist schreibgeschützt und wurde nicht ersetzt. Speichern Sie den Song unter einem "
                            "anderen Namen oder heben Sie den Schreibschutz zuerst auf.",
                            " is write-protected and was not replaced. Save the song under another name, or allow "
                            "writing to it first.")
                       : Tr(" ist schreibgeschützt und wurde nicht ersetzt. Wählen Sie einen anderen Namen oder "
                            "heben Sie den Schreibschutz zuerst auf.",
                            " is write-protected and was not replaced. Choose another name, or allow writing to it "
                            "first."));
  return (song ? Tr("Der Song", "The song") : Quoted(Tr("Die Datei ", "The file "), name, "")) +
         Tr(" wurde nicht gespeichert; eine vorhandene Datei dieses Namens ist unverändert. ",
            " was not saved; an existing file of that name is unchanged. ") +
         Cause(r, name);
}

}  // namespace

std::string NoMemoryToSave() {
  return Tr("Für die Datei reicht der Arbeitsspeicher nicht; der Song wurde nicht gespeichert, die alte Datei ist "
            "unverändert. Schließen Sie andere Programme und speichern Sie noch einmal.",
            "There is not enough memory to build the file, so the song was not saved; the old file is unchanged. "
            "Close other programs and save again.");
}

std::string SaveCaption() { return Tr("Achtung", "Warning"); }

std::string SaveMessage(SaveTexts texts, const FileWriteResult& result, const std::string& name) {
  return Explanation(result, name, texts == SaveTexts::Song);
}


namespace {

// The safe save's temporary file as a drain; the first failure is kept and stops the writing.
class FileDrain final : public ImageDrain {
 public:
  FileDrain(SafeFile& file, const std::string& fileName) : file_(file), fileName_(fileName) {}
  void Write(const uint8_t* data, size_t size) override {
    if (result.Ok) result = file_.Write(data, size);
  }
  void WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
    if (result.Ok) result = file_.WriteAt(offset, data, size);
  }
  void Restart() override {
    file_.Discard();
    result = file_.Begin(fileName_);
  }
  FileWriteResult result;

 private:
  SafeFile& file_;
  const std::string& fileName_;
};

}  // namespace

bool SaveImageSafely(const std::string& fileName, MessageSink& sink,
                     const std::function<void(ByteBuffer&, ImageDrain*)>& encode) {
  SafeFile file;
  FileWriteResult r = file.Begin(fileName);
  if (r.Ok) {
    FileDrain drain(file, fileName);
    ByteBuffer image;
    const bool inPlace = file.InPlace();
    encode(image, inPlace ? nullptr : &drain);
    r = drain.result;
    if (r.Ok && inPlace) r = file.Write(image.data(), image.size());
    if (r.Ok) r = file.Commit();
  }
  if (r.Ok) return true;
  sink.ShowMessage(SaveCaption(), SaveMessage(SaveTexts::Song, r, fileName));
  return false;
}

namespace {

std::string BackupFailed(const std::string& backup, const std::string& cause) {
  return Quoted(Tr("Die Sicherungskopie ", "The backup "), backup,
                Tr(" konnte nicht angelegt werden, darum wurde nichts gespeichert; die Datei ist unverändert. ",
                   " could not be made, so nothing was saved; the file is unchanged. ")) +
         cause +
         Tr("\nDie Sicherungskopie lässt sich in den Einstellungen abschalten (--no-backup auf der Kommandozeile).",
            "\nThe backup can be turned off in the options (--no-backup on the command line).");
}

}  // namespace

FileWriteResult MakeBackupCopy(const std::string& fileName, bool replaceOld, std::string& message) {
  std::error_code ec;
  // A write-protected file is not replaced, so it needs no backup: the save says why.
  if (!fs::is_regular_file(fs::u8path(fileName), ec) || !WritableByMode(fileName)) return {};
  const std::string backup = fileName + "~";
  const fs::file_status old = fs::symlink_status(fs::u8path(backup), ec);
  if (fs::exists(old) && !fs::is_regular_file(old)) {
    message = BackupFailed(backup, Tr("Unter diesem Namen steht keine gewöhnliche Datei (sondern ein Link, ein Ordner "
                                      "oder ein Gerät); sie bleibt unangetastet. Benennen Sie sie um oder entfernen "
                                      "Sie sie.",
                                      "That name holds no ordinary file (but a link, a folder or a device), which was "
                                      "left alone. Rename or remove it."));
    return {false, SaveStep::CannotBegin, 0, FileFault::NotRegularFile};
  }
  if (fs::exists(old) && !replaceOld) return {};
  // A file this user cannot read is not saved over: its backup could not be read back either.
  if (!std::ifstream(fs::u8path(fileName), std::ios::binary)) {
    message = BackupFailed(backup, Tr("Die Datei lässt sich nicht lesen: Erlauben Sie das Lesen.",
                                      "The file cannot be read: allow reading it."));
    return {false, SaveStep::CannotBegin, 0, FileFault::Other};
  }
  const FileWriteResult r = CopyFileSafely(fileName, backup);
  if (r.Ok) return r;
  message = BackupFailed(backup, r.FailedStep == SaveStep::ReadOnly
                                     ? Tr("Sie ist schreibgeschützt: Heben Sie den Schreibschutz auf oder löschen "
                                          "Sie sie.",
                                          "It is write-protected: allow writing to it, or delete it.")
                                     : Cause(r, backup));
  return r;
}

std::string BeingWritten(const std::string& fileName) {
  return Quoted(Tr("Die Datei ", "The file "), fileName,
                Tr(" wird gerade von einem anderen Programm geschrieben und wurde darum nicht gespeichert; sie ist "
                   "unverändert. Versuchen Sie es gleich noch einmal.",
                   " is being written by another program, so it was not saved; it is unchanged. Try again in a "
                   "moment."));
}

bool SaveGuard::Begin(const std::string& fileName, bool backup, bool replaceOldBackup, std::string& message) {
  if (!lock_.Acquire(fileName)) {
    message = BeingWritten(fileName);
    return false;
  }
  if (!backup) return true;
  const FileWriteResult made = MakeBackupCopy(fileName, replaceOldBackup, message);
  return made.Ok || made.Fault == FileFault::FolderNotWritable;
}

}  // namespace cv
