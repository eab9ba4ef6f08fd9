// The stage views of the main window: the prompter window and the song check.
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include "app/CV_Main.h"
#include "app/MyRegistry.h"
#include "app/PrompterForm.h"
#include "app/SongCheckForm.h"
#include "output/PrompterView.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString KeyboardWidthKey() { return QStringLiteral("KeyboardLineWidth"); }
}  // namespace

void TMainForm::MainMenu_ViewPrompterClick() {
  if (!prompterForm_) {
    prompterForm_ = new TPrompterForm(this);
    prompterForm_->Now = [this] { return HeardTimeMs(); };
    prompterForm_->Playing = [this] { return Playing(); };
    prompterForm_->Source = [this] { return cv::MakePrompterScript(song_); };
    connect(this, &TMainForm::SongOpened, prompterForm_, [this] { UpdatePrompter(true); });
    prompterForm_->SetScript(cv::MakePrompterScript(song_), true);
    if (QScreen* screen = this->screen()) prompterForm_->FitInto(screen->availableGeometry());
    TapPlayerForPrompter();
  }
  UpdatePrompter();
  prompterForm_->show();
  prompterForm_->raise();
}

void TMainForm::MainMenu_TextCheckClick() {
  if (!song_.MidiFileLoaded) return;
  std::vector<cv::TSongFinding> findings;
  try {
    findings = cv::CheckSongFile(song_.MidiFileName, song_.Configuration);
  } catch (const cv::EMidiError& e) {
    // The file changed or went since it was opened: the song in memory is still checked.
    hooks_.Message(QMessageBox::Warning, QStringLiteral(" Cantovex 3"), QString::fromUtf8(e.what()));
  }
  if (!songCheckForm_) {
    songCheckForm_ = new TSongCheckForm(this);
    songCheckForm_->OnGoTo = [this](const cv::TSongFinding& f) { GoToFinding(f); };
    songCheckForm_->SetKeyboardWidth(static_cast<int>(store_->ReadIntFromReg(KeyboardWidthKey(), 0)));
    songCheckForm_->OnCheck = [this] {
      store_->WriteIntToReg(KeyboardWidthKey(), songCheckForm_->KeyboardWidth());
      MainMenu_TextCheckClick();
    };
  }
  cv::TCheckOptions options;
  options.KeyboardLineWidth = songCheckForm_->KeyboardWidth();
  std::vector<cv::TSongFinding> saved = cv::CheckSong(song_, options);
  findings.insert(findings.end(), saved.begin(), saved.end());
  cv::SortFindings(findings);
  songCheckForm_->SetFindings(std::move(findings));
  songCheckForm_->show();
  songCheckForm_->raise();
}

void TMainForm::UpdatePrompter(bool newSong) {
  if (!prompterForm_) return;
  cv::TPrompterScript script = cv::MakePrompterScript(song_);
  if (newSong || !(script == prompterForm_->Script())) prompterForm_->SetScript(std::move(script), newSong);
}

void TMainForm::GoToFinding(const cv::TSongFinding& finding) {
  if (!song_.MidiFileLoaded) return;
  // Music before the title lines is cured by a lead-in: offered here, then checked again.
  if (finding.Kind == "starts-too-early") {
    const int32_t before = song_.MaxSongPosition;
    MainMenu_EditLeadInClick();
    if (song_.MaxSongPosition != before) MainMenu_TextCheckClick();
    return;
  }
  if (finding.Hyphen >= 0 && finding.Hyphen < song_.HyphenArrayElements && !song_.EditingText)
    SelectHyphen(finding.Hyphen);
  const int32_t time = std::max(0, finding.Time);
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setValue(time);
  }
  ShowSongPosition(time);
  if (song_.Player) song_.Player->MoveToPosition(time);
}

}  // namespace cvapp
