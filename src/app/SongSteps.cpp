#include "app/SongSteps.h"

#include "output/CV_EditTempo.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "song/MessageSink.h"

namespace cvapp {

namespace {
class CallbackSink : public cv::MessageSink {
 public:
  explicit CallbackSink(const std::function<void(const QString&, const QString&)>& f) : f_(f) {}
  void ShowMessage(const std::string& caption, const std::string& text) override {
    f_(QString::fromStdString(caption), QString::fromStdString(text));
  }

 private:
  const std::function<void(const QString&, const QString&)>& f_;
};
}  // namespace

bool WriteSongFile(cv::Song& song, const QString& fileName, int format,
                   const std::function<void(const QString&, const QString&)>& message) {
  CallbackSink sink(message);
  const std::string name = fileName.toStdString();
  return cv::SaveWithDefaultTempoEvent(song, [&] {
    return format == 0 ? cv::SaveToFileFormat0(song, name, sink) : cv::SaveToFileFormat1(song, name, sink);
  });
}

}  // namespace cvapp
