#include "output/SaveFile.h"

#include <string_view>

#include "song/Language.h"

namespace cv {

namespace {

std::string Quoted(std::string_view before, const std::string& name, std::string_view after) {
  std::string s(before);
  s += '"';
  s += name;
  s += '"';
  s += after;
  return s;
}

}  // namespace

std::string SaveCaption() { return Tr("Achtung", "Warning"); }

std::string SaveMessage(SaveTexts texts, SaveStep step, const std::string& name, size_t written, size_t total) {
  const bool de = CurrLanguage() == TLanguage::Deutsch;
  const bool f0 = texts == SaveTexts::Format0;
  const bool fromF1 = texts == SaveTexts::Format1FromFormat1;
  switch (step) {
    case SaveStep::ReadOnly:
      if (de)
        return Quoted("Die Datei ", name,
                      " ist schreibgeschützt und wurde nicht ersetzt. Speichern Sie den Song unter einem anderen "
                      "Namen oder heben Sie den Schreibschutz zuerst auf.\n") +
               Quoted("Fehler: Schreibschutz der Datei ", name, " konnnte nicht entfernt werden!");
      return Quoted("The file ", name,
                    " is write-protected and was not replaced. Save the song under another name, or allow writing "
                    "to it first.\n") +
             Quoted(fromF1 ? "Error removing read only flag for the midifile " : "Error removing read only flag for midifile ",
                    name, "!");
    case SaveStep::CannotBegin:
      if (de) return Quoted("Fehler: Schreibvorgang der Datei ", name, " konnnte nicht eingeleitet werden!");
      return Quoted(f0 ? "Error rewriting the midifile " : "Error saving the midifile ", name, "!");
    case SaveStep::WriteError:
      if (de) return Quoted("Fehler beim Schreiben der Datei ", name, "");
      return Quoted(f0 ? "Error saving the midifile " : "Error writing the midifile ", name, "");
    case SaveStep::ShortWrite: {
      const std::string w = std::to_string(written), t = std::to_string(total);
      if (de)
        return Quoted(f0 ? "Beim Speichern der Datei " : "Beim speichern der Datei ", name,
                      " sind nur " + w + " aus " + t + " Bytes gespeichert");
      if (f0) return Quoted(" Error saving ", name, "\rThere were only " + w + " from " + t + " Bytes saved");
      return Quoted("Error saving the midifile ", name,
                    "\rThere were only " + w + " from " + t + (fromF1 ? " bytes saved" : " Bytes saved"));
    }
  }
  return {};
}

bool SaveFileSafely(const std::string& fileName, const std::vector<uint8_t>& bytes, SaveTexts texts,
                    MessageSink& sink) {
  const FileWriteResult r = WriteFileSafely(fileName, bytes);
  if (r.Ok) return true;
  sink.ShowMessage(SaveCaption(), SaveMessage(texts, r.FailedStep, fileName, r.Written, bytes.size()));
  return false;
}

}  // namespace cv
