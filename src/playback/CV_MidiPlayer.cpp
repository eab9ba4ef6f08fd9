#include "playback/CV_MidiPlayer.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <exception>
#include <random>

#include "playback/ThreadPriority.h"
#include "song/Language.h"

namespace cv {

namespace {

constexpr int32_t kAutoStopMs = 2500;
constexpr int64_t kRingOutMs = 3500;
constexpr int32_t kMaxRenderGapMs = 100;
constexpr int64_t kAudioStartTimeoutUs = 1000000;
constexpr uint8_t kChaseInit[10] = {0, 255, 255, 127, 40, 64, 0, 0, 64, 100};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// 1 ms of 44.1 kHz stereo float: 44 frames, every tenth millisecond 45 (441 frames per 10 ms).
uint32_t SliceBytes(int32_t ms) { return ms % 10 == 0 ? 360u : 352u; }

}  // namespace

int64_t SteadyPlayerClock::NowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SteadyPlayerClock::SleepUs(int64_t us) {
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::string NoMidiPortMessage() {
  return Tr("Sie haben keine Midi-Schnittstelle in Ihrem Conputer!\r\nEs ist keine Midi-Ausgabe möglich!",
            "You have no midi interface!\r\nThere for no midi playback posible!");
}

std::string NotInstalledText(const std::string& name) {
  return Tr("MIDI-Ausgabegerät " + name + " ist nicht installiert", "MIDI output Device " + name + " not installed");
}

std::vector<TDeviceList> BuildDeviceList(const std::vector<std::string>& portNames,
                                         const std::string& synthName, bool synthUsable,
                                         std::string* message) {
  std::vector<TDeviceList> list;
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<uint32_t> handle(2000000, 2099998);
  for (size_t i = 0; i < portNames.size(); ++i)
    list.push_back({handle(random), static_cast<int32_t>(i), portNames[i], false});
  if (list.size() >= 2) {
    std::stable_sort(list.begin(), list.end(), [](const TDeviceList& a, const TDeviceList& b) {
      std::string la = Lower(a.Name), lb = Lower(b.Name);
      if (la != lb) return la < lb;
      return std::to_string(a.DeviceID) < std::to_string(b.DeviceID);
    });
  }
  // Without a port the synthesizer still plays; only with neither is there nothing to play on.
  if (synthUsable) list.push_back({handle(random), SynthDeviceID, synthName, true});
  if (message) *message = list.empty() ? NoMidiPortMessage() : std::string();
  return list;
}

int SelectDeviceEntry(const std::vector<TDeviceList>& list, const std::string& configuredName) {
  for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i)
    if (list[i].Name == configuredName) return i;
  return list.empty() ? -1 : 0;
}

TMidiPlayer::TMidiPlayer(PlayerClock& clock, bool runThread) : clock_(clock) {
  InitializeChasedData();
  sysex_.reserve(256);
  if (runThread) thread_ = std::thread([this] { ThreadMain(); });
}

TMidiPlayer::~TMidiPlayer() {
  {
    std::lock_guard lock(mutex_);
    if (playing_) StopLocked();
    if (instrument_) instrument_->SetProcessHook(nullptr);
    quit_ = true;
    if (song_ && song_->Player == this) song_->Player = nullptr;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TMidiPlayer::SetPort(MidiPortSink* port) {
  std::lock_guard lock(mutex_);
  if (playing_) StopLocked();
  port_ = port;
}

void TMidiPlayer::SetInstrument(InstrumentSink* instrument) {
  std::lock_guard lock(mutex_);
  if (playing_) StopLocked();
  if (instrument_) instrument_->SetProcessHook(nullptr);
  fadeout_ = false;
  if (runState_ == RunRingOutReady) runState_ = RunIdle;
  instrument_ = instrument;
  if (instrument_) instrument_->SetProcessHook([this] { AudioBlockDone(); });
}

void TMidiPlayer::SetUseVSTi(bool use) {
  std::lock_guard lock(mutex_);
  if (playing_) StopLocked();
  useVSTi_ = use;
}

void TMidiPlayer::SetEventTap(std::function<void(const TypMidiEvent&)> tap) {
  std::lock_guard lock(mutex_);
  tap_ = std::move(tap);
}

void TMidiPlayer::SetSong(Song* song) {
  std::lock_guard lock(mutex_);
  if (playing_) StopLocked();
  if (song_ && song_->Player == this) song_->Player = nullptr;
  song_ = song;
  if (song_) song_->Player = this;
  trackDone_.clear();
  timePosition_ = 0;
}

MidiSink* TMidiPlayer::Output() const {
  if (useVSTi_) return instrument_;
  return port_;
}

int32_t TMidiPlayer::TimePosition() const {
  // Between steps the thread sleeps, so a playing clock is read live.
  if (playing_ && runState_.load() != RunIdle) {
    int64_t t = (clock_.NowUs() - startUs_.load()) / 1000;
    return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
  }
  return timePosition_.load();
}

void TMidiPlayer::InitializeChasedData() {
  for (auto& channel : chasedData_) std::copy(std::begin(kChaseInit), std::end(kChaseInit), channel.begin());
}

void TMidiPlayer::Play() {
  {
    std::lock_guard lock(mutex_);
    if (playing_ || !song_ || !song_->MidiFileLoaded || song_->MidiTrack.empty()) return;
    MidiSink* out = Output();
    if (!out) return;
    if (!useVSTi_) {
      if (!port_->Open()) return;
      portOpen_ = true;
    }
    const int32_t position = timePosition_.load();
    // The chains may have been replaced since the last step (a song opened into the same object):
    // a track is finished only when its pointer rests on its last event and that lies behind us.
    trackDone_.assign(song_->MidiTrack.size(), 0);
    for (size_t i = 0; i < song_->MidiTrack.size(); ++i) {
      TMyTrack& track = song_->MidiTrack[i];
      if (!track.TrkPlayEvent) track.TrkPlayEvent = track.TrkFirstEvent;
      const PtrMidiEvent e = track.TrkPlayEvent;
      trackDone_[i] = e && !e->NextEvent && e->TimePosition < position ? 1 : 0;
    }
    failedEvents_ = 0;
    deviceLost_ = false;
    outputErrorReported_ = false;
    renderErrorReported_ = false;
    if (position != 0) {
      for (int ch = 0; ch < 16; ++ch) {
        const auto& c = chasedData_[ch];
        const uint8_t cc = static_cast<uint8_t>(0xB0 + ch);
        try {
          out->PutShort(static_cast<uint8_t>(0xC0 + ch), c[ChaseProgram], 0);
          out->PutShort(cc, 7, c[ChaseVolume]);
          out->PutShort(cc, 10, c[ChasePan]);
          out->PutShort(cc, 11, c[ChaseExpression]);
          out->PutShort(cc, 91, c[ChaseReverb]);
          out->PutShort(cc, 93, c[ChaseChorus]);
        } catch (const std::exception& e) {
          ++failedEvents_;
          ReportOnce(outputErrorReported_, e.what());
        }
      }
    }
    if (InstrumentActive()) {
      // A running ring-out ends here; steps run under the lock, so none is half done.
      if (fadeout_) {
        fadeout_ = false;
        runState_ = RunIdle;
      }
      lastPutTime_ = 0;
      try {
        instrument_->PrepareStart();
      } catch (const std::exception& e) {
        ReportOnce(renderErrorReported_, e.what());
      }
      startUs_ = clock_.NowUs() - int64_t{position} * 1000;
      playUs_ = clock_.NowUs();
      if (instrument_->HasAudioClock()) {
        // The audio device starts the clock on its first or second block.
        delayStart_ = instrument_->AudioTotalLatencyTime() >= 100 ? 2 : 1;
        runState_ = RunIdle;
      } else {
        delayStart_ = 0;
        runState_ = RunReady;
      }
    } else {
      startUs_ = clock_.NowUs() - int64_t{position} * 1000;
      runState_ = RunReady;
    }
    playing_ = true;
  }
  wake_.notify_all();
}

void TMidiPlayer::AudioBlockDone() {
  int32_t d = delayStart_.load();
  while (d > 0 && !delayStart_.compare_exchange_weak(d, d - 1)) {
  }
  if (d == 1) {
    startUs_ = clock_.NowUs() - int64_t{timePosition_.load()} * 1000;
    int expected = RunIdle;
    if (playing_ && runState_.compare_exchange_strong(expected, RunReady)) wake_.notify_all();
  }
}

void TMidiPlayer::Stop() {
  {
    std::lock_guard lock(mutex_);
    StopLocked();
  }
  wake_.notify_all();
}

void TMidiPlayer::StopLocked() {
  if (!song_ || !song_->MidiFileLoaded) return;
  if (!playing_) {
    timePosition_ = 0;
    for (TMyTrack& track : song_->MidiTrack) track.TrkPlayEvent = track.TrkFirstEvent;
    std::fill(trackDone_.begin(), trackDone_.end(), 0);
    return;
  }
  timePosition_ = TimePosition();
  if (InstrumentActive())
    fadeout_ = true;
  else
    runState_ = RunIdle;
  delayStart_ = 0;
  if (MidiSink* out = Output()) {
    for (int ch = 0; ch < 16; ++ch) {
      const uint8_t cc = static_cast<uint8_t>(0xB0 + ch);
      try {
        out->PutShort(cc, 120, 0);
        out->PutShort(cc, 123, 0);
      } catch (const std::exception&) {
        ++failedEvents_;
      }
    }
  }
  clock_.SleepUs(10000);
  if (portOpen_ && port_) {
    try {
      port_->Close();
    } catch (const std::exception& e) {
      if (OnMessage) OnMessage(e.what());
    }
    portOpen_ = false;
  }
  playing_ = false;
  if (InstrumentActive() && runState_ != RunBusy) {
    // Ring-out: the audio keeps rendering for a while so the notes fade.
    ringOutStartUs_ = clock_.NowUs();
    lastPutTime_ = 0;
    runState_ = RunRingOutReady;
  }
}

void TMidiPlayer::MoveToPosition(int32_t newPosition) {
  {
    std::lock_guard lock(mutex_);
    if (!song_ || !song_->MidiFileLoaded) return;
    // After a tempo change the old position can lie beyond the new end; it still has to re-seat.
    newPosition = std::clamp(newPosition, 0, std::max(0, song_->SongLength));
    InitializeChasedData();
    trackDone_.assign(song_->MidiTrack.size(), 0);
    for (size_t i = 0; i < song_->MidiTrack.size(); ++i) {
      TMyTrack& track = song_->MidiTrack[i];
      PtrMidiEvent e = track.TrkFirstEvent;
      if (!e) {
        track.TrkPlayEvent = nullptr;
        continue;
      }
      while (e->NextEvent) {
        e = e->NextEvent;
        Chase(*e);
        if (e->TimePosition >= newPosition) break;
      }
      track.TrkPlayEvent = e;
      if (e->TimePosition < newPosition) trackDone_[i] = 1;
    }
    timePosition_ = newPosition;
    if (playing_) startUs_ = clock_.NowUs() - int64_t{newPosition} * 1000;
  }
  wake_.notify_all();
}

void TMidiPlayer::Chase(const TypMidiEvent& event) {
  const uint8_t kind = event.Command & 0xF0;
  if (event.Command >= 0xF0) return;
  auto& c = chasedData_[event.Command & 0x0F];
  if (kind == 0xB0) {
    const uint8_t value = event.Value[1];
    switch (event.Value[0]) {
      case 0: c[ChaseBankMsb] = value; break;
      case 7: c[ChaseVolume] = value; break;
      case 10: c[ChasePan] = value; break;
      case 11: c[ChaseExpression] = value; break;
      case 32: c[ChaseBankLsb] = value; break;
      case 91: c[ChaseReverb] = value; break;
      case 93: c[ChaseChorus] = value; break;
      default: break;
    }
  } else if (kind == 0xC0) {
    c[ChaseProgram] = event.Value[0];
  } else if (kind == 0xE0) {
    c[ChaseBendLsb] = event.Value[0];
    c[ChaseBendMsb] = event.Value[1];
  }
}

void TMidiPlayer::SendEvent(const TypMidiEvent& event) {
  MidiSink* out = Output();
  if (event.Command == 0xF0 || event.Command == 0xF7) {
    if (event.Meta.empty()) return;
    sysex_.clear();
    // The synthesizer takes both kinds as a complete system-exclusive message.
    sysex_.push_back(useVSTi_ ? 0xF0 : event.Command);
    sysex_.insert(sysex_.end(), event.Meta.begin(), event.Meta.end());
    out->PutLong(sysex_.data(), sysex_.size());
    return;
  }
  if (event.Command >= 0xF0 || event.Command < 0x80) return;
  out->PutShort(event.Command, event.Value[0], event.Value[1]);
  Chase(event);
}

void TMidiPlayer::ReportOnce(bool& reported, const std::string& text) {
  if (reported) return;
  reported = true;
  // The message goes to the window or the terminal; its failure must not stop the player.
  try {
    if (OnMessage) OnMessage(text);
  } catch (...) {
  }
}

void TMidiPlayer::Tick() {
  {
    std::lock_guard lock(mutex_);
    SafeTickLocked();
  }
  wake_.notify_all();
}

void TMidiPlayer::SafeTickLocked() {
  // Nothing may leave the playback thread: a failed step stops playback with its message.
  try {
    TickLocked();
  } catch (const EMidiDeviceLost& e) {
    StopAfterLoss(e.what());
  } catch (const std::exception& e) {
    StopAfterFailure(e.what());
  } catch (...) {
    StopAfterFailure("?");
  }
}

void TMidiPlayer::TickLocked() {
  if (runState_ == RunIdle && playing_ && delayStart_ > 0 && clock_.NowUs() - playUs_ >= kAudioStartTimeoutUs) {
    // The audio device never ran: play on by the clock rather than wait for ever.
    delayStart_ = 0;
    startUs_ = clock_.NowUs() - int64_t{timePosition_.load()} * 1000;
    runState_ = RunReady;
    ReportOnce(renderErrorReported_, Tr("Das Audiogerät läuft nicht; der Song läuft ohne Klang weiter.",
                                        "The audio device does not run; the song plays on without sound."));
  }
  if (runState_ == RunReady) PlaybackStep();
  if (runState_ == RunRingOutReady) RingOutStep();
}

void TMidiPlayer::PlaybackStep() {
  runState_ = RunBusy;
  if (playing_ && song_) {
    const int64_t now = clock_.NowUs();
    const int32_t position = static_cast<int32_t>((now - startUs_) / 1000);
    timePosition_ = position;
    if (position > song_->SongLength + kAutoStopMs) {
      StopLocked();
    } else {
      const int32_t due = position + (useVSTi_ && instrument_ ? static_cast<int32_t>(instrument_->AudioBufferTime()) : 0);
      if (trackDone_.size() != song_->MidiTrack.size()) trackDone_.resize(song_->MidiTrack.size(), 0);
      for (size_t i = 0; i < song_->MidiTrack.size(); ++i) {
        TMyTrack& track = song_->MidiTrack[i];
        PtrMidiEvent e = track.TrkPlayEvent;
        if (!e || trackDone_[i]) continue;
        // Each event advances the pointer on its own, so a refused event is skipped, not resent.
        while (e->TimePosition <= due) {
          try {
            SendEvent(*e);
            if (tap_) tap_(*e);
          } catch (const EMidiDeviceLost&) {
            track.TrkPlayEvent = e;
            throw;
          } catch (const std::exception& ex) {
            ++failedEvents_;
            ReportOnce(outputErrorReported_, ex.what());
          }
          if (!e->NextEvent) {
            trackDone_[i] = 1;
            break;
          }
          e = e->NextEvent;
        }
        track.TrkPlayEvent = e;
      }
      if (InstrumentActive() && lastPutTime_ < position) {
        if (position - lastPutTime_ < kMaxRenderGapMs) {
          // A failed slice is dropped, not retried: retrying would spin on a stalled device.
          RenderMilliseconds(lastPutTime_ + 1, position);
          lastPutTime_ = position;
        } else {
          lastPutTime_ = position;
        }
      }
    }
  }
  if (fadeout_ && runState_ == RunBusy) {
    ringOutStartUs_ = clock_.NowUs();
    lastPutTime_ = 0;
    runState_ = RunRingOutReady;
  } else if (runState_ == RunBusy) {
    runState_ = RunReady;
  }
}

bool TMidiPlayer::RenderMilliseconds(int32_t from, int32_t to) {
  try {
    for (int32_t m = from; m <= to; ++m) instrument_->PutNewData(SliceBytes(m));
    return true;
  } catch (const EMidiDeviceLost&) {
    throw;
  } catch (const std::exception& e) {
    ReportOnce(renderErrorReported_, e.what());
    return false;
  }
}

void TMidiPlayer::RingOutStep() {
  runState_ = RunRingOutBusy;
  if (!InstrumentActive() || !fadeout_) {
    fadeout_ = false;
    runState_ = RunIdle;
    return;
  }
  const int64_t elapsed = (clock_.NowUs() - ringOutStartUs_) / 1000;
  if (elapsed >= kRingOutMs) {
    fadeout_ = false;
    runState_ = RunIdle;
    return;
  }
  RenderMilliseconds(lastPutTime_ + 1, static_cast<int32_t>(elapsed));
  lastPutTime_ = static_cast<int32_t>(elapsed);
  runState_ = RunRingOutReady;
}

int64_t TMidiPlayer::NextWakeUs() {
  std::lock_guard lock(mutex_);
  return NextWakeLocked();
}

int64_t TMidiPlayer::NextWakeLocked() const {
  const int state = runState_.load();
  if (state == RunRingOutReady) return ringOutStartUs_ + int64_t{lastPutTime_ + 1} * 1000;
  if (state == RunIdle && playing_ && delayStart_ > 0) return playUs_ + kAudioStartTimeoutUs;
  if (state != RunReady || !playing_ || !song_) return INT64_MAX;
  const int64_t start = startUs_.load();
  int64_t wake = start + (int64_t{song_->SongLength} + kAutoStopMs + 1) * 1000;
  const int64_t ahead = useVSTi_ && instrument_ ? int64_t{instrument_->AudioBufferTime()} * 1000 : 0;
  for (size_t i = 0; i < song_->MidiTrack.size(); ++i) {
    const TMyTrack& track = song_->MidiTrack[i];
    if (!track.TrkPlayEvent || (i < trackDone_.size() && trackDone_[i])) continue;
    wake = std::min(wake, start + int64_t{track.TrkPlayEvent->TimePosition} * 1000 - ahead);
  }
  // The synthesizer renders one slice per elapsed millisecond.
  if (InstrumentActive()) wake = std::min(wake, start + int64_t{std::max(lastPutTime_, 0) + 1} * 1000);
  return wake;
}

void TMidiPlayer::ThreadMain() {
  RaiseThreadPriority();
  std::unique_lock lock(mutex_);
  while (!quit_) {
    const int64_t wake = NextWakeLocked();
    if (wake == INT64_MAX) {
      wake_.wait_for(lock, std::chrono::milliseconds(200));
      continue;
    }
    const int64_t now = clock_.NowUs();
    if (wake > now) {
      // The audio device's start signal may come without the lock: look again every millisecond.
      const int64_t waitUs = delayStart_ > 0 ? std::min<int64_t>(wake - now, 1000) : wake - now;
      wake_.wait_for(lock, std::chrono::microseconds(waitUs));
      continue;
    }
    SafeTickLocked();
  }
}

void TMidiPlayer::StopAfterLoss(const std::string& text) {
  deviceLost_ = true;
  try {
    StopLocked();
  } catch (...) {
    playing_ = false;
  }
  fadeout_ = false;  // nothing is left to ring out into
  runState_ = RunIdle;
  try {
    if (OnDeviceLost)
      OnDeviceLost(text);
    else if (OnMessage)
      OnMessage(text);
  } catch (...) {
  }
}

void TMidiPlayer::StopAfterFailure(const std::string& text) {
  try {
    StopLocked();
  } catch (...) {
    playing_ = false;
  }
  ReportOnce(outputErrorReported_, text);
}

}  // namespace cv
