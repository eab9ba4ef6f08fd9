// cantovex-cli play SONG: real-time playback through a MIDI port or the synthesizer, with the lyrics.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliPlayback.h"
#include "cli/CliSong.h"
#include "platform/Devices.h"
#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

// The signal that ends playback (Ctrl-C, kill, a closed terminal); 0 while none came. Each one
// silences the output the same way before the program ends.
std::atomic<int> interrupted{0};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
// A second signal ends the program at once, whatever the devices are doing.
extern "C" void OnInterrupt(int signal) {
  if (interrupted.exchange(signal)) std::_Exit(128 + signal);
}

// Catches the ending signals while the song plays; restores the handlers before when it ends.
class EndingSignals {
 public:
  EndingSignals() {
    interrupted = 0;
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) previous_[i] = std::signal(kEndingSignals[i], OnInterrupt);
  }
  ~EndingSignals() {
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) std::signal(kEndingSignals[i], previous_[i]);
  }

 private:
  void (*previous_[std::size(kEndingSignals)])(int);
};

// Once interrupted, the program ends within a few seconds even when a device call hangs.
void EndSoonAfterInterrupt(int signal) {
  std::thread([signal] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::_Exit(128 + signal);
  }).detach();
}

// Shows the syllables as they come due: on a terminal the current line with the current syllable
// highlighted, elsewhere one syllable after the other, a line per lyric line.
class LyricsView {
 public:
  LyricsView(const cv::Song& song, std::ostream& out, bool terminal, int32_t startMs)
      : out_(out), terminal_(terminal), startMs_(startMs) {
    int line = 0;
    for (const cv::THyphens& h : song.HyphenArray) {
      if (h.Text == u"\r") {
        ++line;
        lineOf_.push_back(-1);
        text_.emplace_back();
        time_.push_back(h.Time);
        continue;
      }
      std::string t = cv::Utf16ToUtf8(h.Text);
      for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
      lineOf_.push_back(line);
      text_.push_back(t);
      time_.push_back(h.Time);
    }
  }

  void Show(int32_t timeMs) {
    int current = -1;
    for (size_t i = 0; i < time_.size() && time_[i] <= timeMs; ++i)
      if (lineOf_[i] >= 0) current = static_cast<int>(i);
    if (current < 0 || current == shown_) return;
    if (terminal_) {
      if (shownLine_ >= 0 && lineOf_[current] != shownLine_) {
        Draw(shownLine_, -1);
        out_ << "\n";
      }
      Draw(lineOf_[current], current);
    } else {
      for (int i = shown_ + 1; i <= current; ++i) {
        if (lineOf_[i] < 0 || time_[i] < startMs_) continue;
        if (shownLine_ >= 0 && lineOf_[i] != shownLine_) out_ << "\n";
        out_ << text_[i];
        shownLine_ = lineOf_[i];
      }
    }
    shown_ = current;
    shownLine_ = lineOf_[current];
    out_ << std::flush;
  }

  void Finish() {
    if (shown_ >= 0) {
      if (terminal_) Draw(shownLine_, -1);
      out_ << "\n" << std::flush;
    }
  }

 private:
  void Draw(int line, int current) {
    out_ << "\r\033[K";
    for (size_t i = 0; i < text_.size(); ++i) {
      if (lineOf_[i] != line) continue;
      if (static_cast<int>(i) == current)
        out_ << "\033[7m" << text_[i] << "\033[0m";
      else if (current >= 0 && static_cast<int>(i) < current)
        out_ << "\033[1m" << text_[i] << "\033[0m";
      else
        out_ << text_[i];
    }
  }

  std::ostream& out_;
  bool terminal_;
  int32_t startMs_;
  std::vector<int> lineOf_;  // -1 for a line break
  std::vector<std::string> text_;
  std::vector<int32_t> time_;
  int shown_ = -1;
  int shownLine_ = -1;
};

int Play(CliContext& ctx) {
  SongOptions songOptions = TakeSongOptions(ctx.args, false);
  SongChanges changes = TakeSongChanges(ctx.args);
  const auto portName = TakeValue(ctx.args, "--port");
  const bool wantSynth = TakeFlag(ctx.args, "--synth");
  const auto from = TakeValue(ctx.args, "--from");
  const auto soundFont = TakeValue(ctx.args, "--soundfont");
  const std::string path = TakeSongPath(ctx.args);
  if (portName && wantSynth) throw CliUsageError{cv::Tr("--port oder --synth, nicht beides.", "--port or --synth, not both.")};
  const int fromMs = from ? ParseNumber("--from", *from, 0, 0x7FFFFFFF) : 0;

  CliSession opened(ctx);
  if (!OpenChangedSong(opened, path, songOptions, changes)) return 1;
  cv::Song& song = opened.Song();

  // The outputs outlive the player that sends to them.
  std::unique_ptr<cv::MidiPortDevice> port;
  std::unique_ptr<cv::SynthDevice> synth;
  cv::SteadyPlayerClock clock;
  cv::TMidiPlayer player(clock);
  CliOutput& output = ctx.output;
  player.OnMessage = [&](const std::string& m) {
    if (!output.IsJson()) output.Out() << "\n" << std::flush;  // below the lyrics line
    output.Warning(m, path);
  };
  player.OnDeviceLost = [&](const std::string& m) {
    if (!output.IsJson()) output.Out() << "\n" << std::flush;
    output.Error(m, path);
  };
  // A named port plays, or else the synthesizer: a command line has no configured device.
  cv::TOutputRequest request;
  request.WantedName = portName.value_or("");
  request.FallBack = false;
  if (portName) {
    port = cv::MakeMidiPort();
    request.PortNames = port->DeviceNames();
    if (port->HasVirtualPort()) request.VirtualPortName = port->DeviceName(cv::MidiPortDevice::VirtualPortID);
  }
  request.SynthAllowed = !portName;
  request.SynthName = cv::SynthDevice::OutputName;
  (void)wantSynth;
  const cv::TOutputChoice choice = opened.session.ChooseOutput(request);
  std::string outputName;
  switch (choice.Output) {
    case cv::TOutputChoice::Kind::None:
      return 1;
    case cv::TOutputChoice::Kind::Port:
    case cv::TOutputChoice::Kind::VirtualPort:
      port->SetDeviceID(choice.Output == cv::TOutputChoice::Kind::VirtualPort ? cv::MidiPortDevice::VirtualPortID
                                                                              : choice.PortIndex);
      outputName = port->ProductName();
      player.SetPort(port.get());
      player.SetUseVSTi(false);
      break;
    case cv::TOutputChoice::Kind::Synth: {
      cv::SynthOptions options;
      if (soundFont) options.SoundFont = *soundFont;
      synth = cv::MakeSynthesizer(options);
      ReportSynthMessages(synth->Messages(), synth->isOK(), output);
      outputName = std::string(cv::SynthDevice::OutputName) + " -> " + synth->SinkDescription();
      player.SetInstrument(synth.get());
      player.SetUseVSTi(true);
      break;
    }
  }

  player.SetSong(&song);
  if (fromMs > 0) player.MoveToPosition(fromMs);
  if (!output.IsJson())
    output.Out() << cv::Tr("Spiele ", "Playing ") << path << cv::Tr(" über ", " through ") << outputName << "\n"
                 << std::flush;
  // JSON output is one object at the end: the lyrics are shown in text form only.
  std::ostringstream unseen;
  LyricsView lyrics(song, output.IsJson() ? unseen : output.Out(), !output.IsJson() && IsTerminal(1),
                    player.TimePosition());
  std::optional<EndingSignals> signals(std::in_place);
  player.Play();
  if (!player.Playing()) {
    signals.reset();
    if (port)
      throw CliFailure(cv::Tr("Der MIDI-Ausgang lässt sich nicht öffnen: ", "The MIDI output cannot be opened: ") +
                           port->Error(),
                       "");
    return 1;
  }
  while (player.Playing() && !interrupted) {
    lyrics.Show(player.TimePosition());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  const int signal = interrupted.load();
  const bool stoppedByUser = signal != 0;
  if (stoppedByUser) EndSoonAfterInterrupt(signal);
  if (player.Playing()) player.Stop();  // all sound and notes off on every channel
  lyrics.Finish();
  // Let the synthesizer ring out after the song's end (briefly after Ctrl-C).
  for (int i = 0; i < 400 && player.RunState() != cv::RunIdle && player.RunState() != cv::RunReady; ++i) {
    if (interrupted && (!stoppedByUser || i > 10)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  signals.reset();
  // The output went away: its message has been said; the song did not play to its end.
  if (player.DeviceLost() && !stoppedByUser) return 1;
  if (player.FailedEvents() > 0)
    output.Warning(std::to_string(player.FailedEvents()) +
                   cv::Tr(" Ereignisse konnten nicht gesendet werden.", " events could not be sent."));
  output.Result({{"file", path}, {"output", outputName}, {"stopped", stoppedByUser}}, PlayedText);
  return stoppedByUser ? 128 + signal : 0;
}

CliRegistrar registrar({"play",
                        {"[OPTIONS] SONG"},
                        "Play the song in real time with its lyrics / Spielt den Song mit Text in Echtzeit",
                        Options({{{"--port", "NAME", "MIDI output: its name, a unique part of it, or virtual / "
                                                     "MIDI-Ausgang: Name, ein eindeutiger Teil davon oder virtual",
                                   ValueKind::Text},
                                  {"--synth", "", "Play through the synthesizer (the default) / Über den Synthesizer "
                                                  "spielen (Vorgabe)"},
                                  {"--from", "MS", "Start at this time / Ab dieser Zeit spielen", ValueKind::Number},
                                  {"--soundfont", "FILE", "SoundFont of the synthesizer / SoundFont des Synthesizers",
                                   ValueKind::SoundFont}},
                                 SongChangeList(), ReadSongOptionList()}),
                        {ValueKind::Song},
                        Play});

}  // namespace
}  // namespace cvcli
