#include "app/TimelinePanel.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/MyRegistry.h"
#include "app/TimelineView.h"
#include "session/SongSession.h"
#include "song/Language.h"

namespace cvapp {

namespace {

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

struct Caption {
  const char* name;
  const char* de;
  const char* en;
  const char* tipDe;
  const char* tipEn;
};

const Caption kCaptions[] = {
    {"TimelineShow", "Zeitleiste", "Timeline", "Silben über den Melodienoten zeigen und verschieben",
     "Show the syllables over the melody's notes and move them"},
    {"TimelineZoomIn", "Vergrößern", "Zoom in", "Mehr Einzelheiten (auch Strg+Mausrad)", "More detail (also Ctrl+wheel)"},
    {"TimelineZoomOut", "Verkleinern", "Zoom out", "Mehr vom Song (auch Strg+Mausrad)", "More of the song (also Ctrl+wheel)"},
    {"TimelineWhole", "Ganzer Song", "Whole song", "Den ganzen Song in die Breite einpassen", "Fit the whole song into the width"},
    {"TimelineFollow", "Wiedergabe folgen", "Follow playback", "Die Zeitleiste läuft mit der Wiedergabe mit",
     "The timeline scrolls along with playback"},
    {"TimelineOthers", "Andere Kanäle zeigen", "Show other channels", "Die Noten der übrigen Kanäle blass dahinter",
     "The other channels' notes faintly behind"},
    {"TimelineSnap", "Auswahl auf Noten setzen", "Snap selection to notes",
     "Jede ausgewählte Silbe auf den nächsten Melodieton-Anfang", "Every selected syllable to the nearest melody note start"},
    {"TimelineEditText", "Silbentext ändern", "Edit syllable text",
     "Den Text der Silbe an Ort und Stelle ändern (Eingabe übernimmt, Esc bricht ab)",
     "Edit the syllable's text in place (Enter keeps, Esc cancels)"},
};

}  // namespace

TTimelinePanel::TTimelinePanel(cv::SongSession& session, TMyRegistry& store, QWidget* parent)
    : QWidget(parent), session_(session), store_(store) {
  setObjectName(QStringLiteral("TimelinePanel"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName(QStringLiteral("TimelineScroll"));
  view_ = new TTimelineView(session, scroll_, this);
  column->addWidget(view_, 1);
  column->addWidget(scroll_);

  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("TimelineMenu"));
  menu_->setToolTipsVisible(true);
  show_ = MakeAction("TimelineShow", QKeySequence(), true);
  menu_->addSeparator();
  zoomIn_ = MakeAction("TimelineZoomIn", QKeySequence(Qt::CTRL | Qt::Key_Plus));
  zoomIn_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  zoomOut_ = MakeAction("TimelineZoomOut", QKeySequence(Qt::CTRL | Qt::Key_Minus));
  whole_ = MakeAction("TimelineWhole", QKeySequence(Qt::CTRL | Qt::Key_0));
  follow_ = MakeAction("TimelineFollow", QKeySequence(), true);
  others_ = MakeAction("TimelineOthers", QKeySequence(), true);
  menu_->addSeparator();
  snap_ = MakeAction("TimelineSnap", QKeySequence(Qt::CTRL | Qt::Key_M));
  editText_ = MakeAction("TimelineEditText", QKeySequence(Qt::Key_F2));
  // F2 belongs to the timeline's own keys; the menu shows it.
  editText_->setShortcutContext(Qt::WidgetWithChildrenShortcut);

  show_->setChecked(store_.ReadBoolFromReg(QStringLiteral("TimelineVisible"), true));
  follow_->setChecked(store_.ReadBoolFromReg(QStringLiteral("TimelineFollow"), true));
  others_->setChecked(store_.ReadBoolFromReg(QStringLiteral("TimelineOthers"), false));
  view_->SetFollowPlayback(follow_->isChecked());
  view_->SetShowOthers(others_->isChecked());

  connect(show_, &QAction::toggled, this, [this](bool on) {
    store_.WriteBoolToReg(QStringLiteral("TimelineVisible"), on);
    setVisible(on && session_.Loaded());
    if (on && isVisible()) view_->setFocus();
  });
  connect(zoomIn_, &QAction::triggered, this, [this] { view_->ZoomBy(1 / 1.5); });
  connect(zoomOut_, &QAction::triggered, this, [this] { view_->ZoomBy(1.5); });
  connect(whole_, &QAction::triggered, this, [this] { view_->ShowWholeSong(); });
  connect(follow_, &QAction::toggled, this, [this](bool on) {
    store_.WriteBoolToReg(QStringLiteral("TimelineFollow"), on);
    view_->SetFollowPlayback(on);
  });
  connect(others_, &QAction::toggled, this, [this](bool on) {
    store_.WriteBoolToReg(QStringLiteral("TimelineOthers"), on);
    view_->SetShowOthers(on);
  });
  connect(snap_, &QAction::triggered, this, [this] { view_->SnapSelectionToNotes(); });
  connect(editText_, &QAction::triggered, this, [this] {
    const auto& s = view_->Selection();
    if (!s.empty()) view_->EditText(s.front());
  });
  // The view's own menu: the same commands.
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  for (QAction* a : {zoomIn_, zoomOut_, whole_, follow_, others_, snap_, editText_}) view_->addAction(a);

  playTimer_ = new QTimer(this);
  playTimer_->setInterval(16);
  connect(playTimer_, &QTimer::timeout, this, [this] {
    // Taps show as they are made (a few times a second is enough for the eye).
    if (recording_ && ++frames_ % 6 == 0) view_->Refresh(true);
    view_->PlaybackTick();
  });
  ApplyCaptions();
  setVisible(false);
}

QAction* TTimelinePanel::MakeAction(const char* name, const QKeySequence& keys, bool checkable) {
  auto* a = new QAction(this);
  a->setObjectName(QLatin1String(name));
  if (!keys.isEmpty()) a->setShortcut(keys);
  a->setCheckable(checkable);
  menu_->addAction(a);
  return a;
}

void TTimelinePanel::ApplyCaptions() {
  const bool german = cv::CurrLanguage() == cv::TLanguage::Deutsch;
  language_ = german ? 0 : 1;
  menu_->setTitle(german ? QStringLiteral("Zeitleiste") : QStringLiteral("Timeline"));
  for (const Caption& c : kCaptions) {
    QAction* a = findChild<QAction*>(QLatin1String(c.name));
    if (!a) continue;
    a->setText(QString::fromUtf8(german ? c.de : c.en));
    a->setToolTip(QString::fromUtf8(german ? c.tipDe : c.tipEn));
  }
  scroll_->setToolTip(T("Durch den Song blättern (auch Mausrad)", "Scroll through the song (also the wheel)"));
}

void TTimelinePanel::Refresh(bool playing, bool recording) {
  recording_ = recording;
  const int language = cv::CurrLanguage() == cv::TLanguage::Deutsch ? 0 : 1;
  if (language != language_) ApplyCaptions();
  const bool loaded = session_.Loaded();
  setVisible(loaded && show_->isChecked());
  for (QAction* a : {zoomIn_, zoomOut_, whole_, follow_, others_}) a->setEnabled(loaded);
  snap_->setEnabled(loaded && session_.CanEditSyllables());
  editText_->setEnabled(loaded && session_.CanEditSyllables());
  view_->Refresh();
  if (playing && !playTimer_->isActive()) playTimer_->start();
  if (!playing) playTimer_->stop();
}

int TTimelinePanel::StoredHeight() const {
  return static_cast<int>(store_.ReadIntFromReg(QStringLiteral("TimelineHeight"), 220));
}

void TTimelinePanel::StoreHeight(int height) { store_.WriteIntToReg(QStringLiteral("TimelineHeight"), height); }

}  // namespace cvapp
