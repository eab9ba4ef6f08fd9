#include "app/TapCalibrationForm.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <fstream>

#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/Song.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TTapCalibrationForm::TTapCalibrationForm(TCalibrationHooks hooks, QWidget* parent)
    : QDialog(parent), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("TapCalibrationForm"));
  setWindowTitle(T("Tap-Verzögerung einmessen", "Calibrate the tap delay"));
  auto* column = new QVBoxLayout(this);
  text_ = new QLabel(T("Nach dem Start kommen acht Klicks aus der eingestellten Ausgabe. Tippen Sie bei jedem Klick "
                       "die Leertaste (oder den Knopf), so wie Sie beim Aufnehmen tippen.",
                       "After Start, eight clicks come from the current output. Press Space (or the button) on "
                       "every click, just as you tap when recording."),
                     this);
  text_->setWordWrap(true);
  column->addWidget(text_);
  start_ = new QPushButton(T("&Start", "&Start"), this);
  start_->setObjectName(QStringLiteral("Btn_CalibrationStart"));
  start_->setToolTip(T("Die acht Klicks abspielen", "Play the eight clicks"));
  tap_ = new QPushButton(T("Tippen (Leertaste)", "Tap (Space)"), this);
  tap_->setObjectName(QStringLiteral("Btn_CalibrationTap"));
  tap_->setEnabled(false);
  column->addWidget(start_);
  column->addWidget(tap_);
  result_ = new QLabel(this);
  result_->setObjectName(QStringLiteral("L_CalibrationResult"));
  column->addWidget(result_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  use_ = buttons->addButton(T("Übernehmen", "Use it"), QDialogButtonBox::AcceptRole);
  use_->setObjectName(QStringLiteral("Btn_CalibrationUse"));
  use_->setEnabled(false);
  column->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(tap_, &QPushButton::pressed, this, [this] { Tap(); });
  end_ = new QTimer(this);
  end_->setSingleShot(true);
  connect(end_, &QTimer::timeout, this, [this] { Finish(); });
}

TTapCalibrationForm::~TTapCalibrationForm() {
  if (running_ && hooks_.PlayClicks) hooks_.PlayClicks(nullptr);
}

bool TTapCalibrationForm::Start() {
  if (!clicks_) {
    // The click song is read like any song, from a file of its own.
    QTemporaryDir dir;
    const std::string path = (dir.path() + QStringLiteral("/clicks.mid")).toStdString();
    const std::vector<uint8_t> bytes = calibration_.ClickSongBytes();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    auto song = std::make_unique<cv::Song>();
    try {
      cv::DateiOeffnen(*song, path);
    } catch (const std::exception& e) {
      result_->setText(QString::fromUtf8(e.what()));
      return false;
    }
    clicks_ = std::move(song);
  }
  taps_.clear();
  proposal_.reset();
  use_->setEnabled(false);
  if (!hooks_.PlayClicks || !hooks_.PlayClicks(clicks_.get())) {
    result_->setText(T("Keine Ausgabe spielt: bitte in den Einstellungen eine wählen.",
                       "No output plays: please choose one in the options."));
    return false;
  }
  running_ = true;
  start_->setEnabled(false);
  tap_->setEnabled(true);
  tap_->setFocus();
  result_->setText(T("Mittippen …", "Tap along …"));
  end_->start(calibration_.ClickTimes().back() + calibration_.IntervalMs);
  return true;
}

void TTapCalibrationForm::Tap() {
  if (!running_ || !hooks_.Now) return;
  taps_.push_back(hooks_.Now());
  result_->setText(T("%1 Taps", "%1 taps").arg(taps_.size()));
}

void TTapCalibrationForm::Finish() {
  end_->stop();
  if (running_ && hooks_.PlayClicks) hooks_.PlayClicks(nullptr);
  running_ = false;
  start_->setEnabled(true);
  tap_->setEnabled(false);
  proposal_ = cv::MedianTapOffset(calibration_.ClickTimes(), taps_, calibration_.IntervalMs);
  use_->setEnabled(proposal_.has_value());
  result_->setText(proposal_ ? T("Vorschlag: %1 ms (der Median der Abweichungen)",
                                 "Proposal: %1 ms (the median of the offsets)")
                                   .arg(*proposal_)
                             : T("Zu wenige Taps trafen einen Klick. Bitte noch einmal.",
                                 "Too few taps met a click. Please try again."));
  if (proposal_) use_->setFocus();
}

void TTapCalibrationForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && running_) {
    if (!event->isAutoRepeat()) Tap();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace cvapp
