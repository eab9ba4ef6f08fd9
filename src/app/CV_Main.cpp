#include "app/CV_Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSessionManager>
#include <QSlider>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/CV_Hyphenation.h"
#include "app/CV_Info.h"
#include "platform/textcodec/IcuTextConverter.h"
#include "app/EditTransposeForm.h"
#include "app/LyricsOffsetForm.h"
#include "app/MainStatus.h"
#include "app/ManualViewer.h"
#include "app/CV_InstanceManager.h"
#include "app/MyRegistry.h"
#include "app/SelectHyphen.h"
#include "app/Styles.h"
#include "app/UiLanguage.h"
#include "app/SystemInfo.h"
#include "app/WindowGeometry.h"
#include "lyrics/InsertLyrics.h"
#include "song/Language.h"
#include "song/TimeMap.h"
#include "BuildPaths.h"

namespace cvapp {

namespace {

const QString kTitle = QStringLiteral(" Cantovex 3");

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

struct Caption {
  const char* name;
  const char* de;
  const char* en;  // nullptr: the German caption in both languages
};

// Captions of the menus and their items.
const Caption kCaptions[] = {
    {"MainMenu_Datei", " Datei ", "File"},
    {"MainMenu_DateiOeffnen", "Öffnen…", "Open…"},
    {"MMF_History", "Zuletzt verwendet", "Recent files"},
    {"MainMenu_DateiSpeichern", "Speichern", "Save"},
    {"MainMenu_DateiSpeichernUnter", "Speichern unter…", "Save as…"},
    {"MainMenu_DateiMultiOeffnen", "Öffnen und gleich speichern…", "Multi mode…"},
    {"MainMenu_DateiKodierung", "Kodierung", "Encoding"},
    {"MainMenu_DateiExport", "Exportieren", "Export"},
    {"MainMenu_DateiExportLrc", "LRC (Liedtext mit Zeiten)…", "LRC (timed lyrics)…"},
    {"MainMenu_DateiExportGame", "Karaoke-Spiel (UltraStar)…", "Karaoke game (UltraStar)…"},
    {"MainMenu_DateiProgrammBeenden", "Programm beenden", "Exit"},
    {"MainMenu_Text", " Text ", nullptr},
    {"MainMenu_TextLaden", "Laden…", "Load…"},
    {"MainMenu_TextSpeichern", "Speichern", "Save"},
    {"MainMenu_TextSpeichernUnter", "Speichern unter…", "Save as…"},
    {"MainMenu_TextEdit", "Bearbeiten", "Edit"},
    {"MainMenu_TextEditMTC", "Bearbeiten mit MTC", "Edit with MTC"},
    {"MainMenu_TextHyphenate", "Silbentrennung…", "Hyphenate…"},
    {"MainMenu_TextExtractPunctuation", "Satzzeichen entfernen", "Remove punctuation"},
    {"MainMenu_TextUpperCase", "nur Großbuchstaben", "Set to upper case"},
    {"MainMenu_TextHideNote", "Note verstecken", "Hide note"},
    {"MainMenu_TextAssign", "Silben mit Noten verknüpfen", "Assign syllables to notes"},
    {"MainMenu_TextQuantize", "Lyrics-Zeiten quantisieren", "Quantize lyrics"},
    {"MainMenu_TextOffset", "Lyrics zeitlich verschieben…", "Move lyrics…"},
    {"MainMenu_TextDelete", "Lyrics löschen", "Delete lyrics"},
    {"MainMenu_TextSchriftAuswahl", "Schrift auswählen…", "Font…"},
    {"MainMenu_TextCheck", "Song prüfen", "Check song"},
    {"MainMenu_TextRetap", "Ab hier neu tippen", "Re-tap from here"},
    {"MainMenu_View", " Ansicht ", "View"},
    {"MainMenu_ViewPrompter", "Souffleur", "Prompter"},
    {"MainMenu_Edit", " Bearbeiten ", "Edit"},
    {"MainMenu_EditUndo", "Rückgängig", "Undo"},
    {"MainMenu_EditRedo", "Wiederherstellen", "Redo"},
    {"MainMenu_EditTempo", "Tempo…", "Tempo…"},
    {"MainMenu_EditTranspose", "Transponieren…", "Transpose…"},
    {"MainMenu_EditLeadIn", "Vorlauf einfügen…", "Insert lead-in…"},
    {"MainMenu_Options", " Einstellungen ", "Options"},
    {"MainMenu_Syles", " Styles ", nullptr},
    {"MainMenu_StylesDark", "Dunkel", "Dark"},
    {"MainMenu_StylesLight", "Hell", "Light"},
    {"MainMenu_Help", " Hilfe ", "Help"},
    {"MainMenu_HelpManual", "Bedienungsanleitung", "Operating manual"},
    {"PopupMenu_TextEdit", "&Bearbeiten", "Edit"},
    {"PopupMenu_TextEditMTC", "Bearbeiten mit &MTC", "Edit with MTC"},
    {"PopupMenu_TextHyphenate", "&Silbentrennung…", "Hyphenate…"},
    {"PopupMenu_TextHideNote", "&Note verstecken", "Hide note"},
    {"PopupMenu_TextAssign", "Silben mit Noten &verknüpfen", "Assign syllables to notes"},
};

}  // namespace

void SetLed(QLabel* led, bool on, const char* colour) {
  led->setProperty("on", on);
  led->setStyleSheet(QStringLiteral("border-radius: 6px; border: 1px solid #101010; background: %1;")
                         .arg(on ? QLatin1String(colour) : QLatin1String("#5a5a5a")));
}

namespace {

QLabel* MakeLed(QWidget* parent, const char* name) {
  auto* led = new QLabel(parent);
  led->setObjectName(QLatin1String(name));
  led->setFixedSize(12, 12);
  led->setProperty("on", false);
  return led;
}

}  // namespace

TMainForm::TMainForm(TMainFormOptions options, QWidget* parent)
    : QMainWindow(parent),
      store_(options.Store),
      hooks_(WithRealDialogs(std::move(options.Hooks), this)),
      instance_(options.Instance),
      arguments_(std::move(options.Arguments)),
      applicationDirectory_(std::move(options.ApplicationDirectory)),
      systemLanguageName_(std::move(options.SystemLanguageName)) {
  cv::InstallIcuTextConverter();
  setObjectName(QStringLiteral("MainForm"));
  CreateMenus();
  CreateCentralWidgets();
  FormCreate();
  // Transport and recording keys work whichever control of the window has the focus.
  qApp->installEventFilter(this);
  CreateDialogs();
  hyphenationForm_ = new THyphenationForm(this);
  hyphenationForm_->SetLanguage(cv::CurrLanguage() == cv::TLanguage::Deutsch ? cv::THyphenLanguage::German
                                                                              : cv::THyphenLanguage::English);
  hyphenationForm_->OnHyphenate = [this](cv::THyphenLanguage language) { HyphenateEditText(language); };
  UpdateActions();
}

TMainForm::~TMainForm() {
  if (instance_) instance_->OnHandOver = nullptr;
  ReleasePlayer();
}

QAction* TMainForm::AddAction(QMenu* menu, const char* objectName) {
  auto* action = new QAction(this);
  action->setObjectName(QLatin1String(objectName));
  menu->addAction(action);
  return action;
}

void TMainForm::CreateMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [&](const char* name) {
    auto* m = new QMenu(this);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name));
    return m;
  };
  TMainActions& a = actions_;
  a.File = menu("MainMenu_Datei");
  bar->addMenu(a.File);
  a.Open = AddAction(a.File, "MainMenu_DateiOeffnen");
  connect(a.Open, &QAction::triggered, this, &TMainForm::MainMenu_DateiOeffnenClick);
  mmfHistory_ = menu("MMF_History");
  a.File->addMenu(mmfHistory_);
  for (int k = 1; k <= kMaxRecentFiles; ++k) {
    const QByteArray name = "MMF_Midifile" + QByteArray::number(k);
    QAction* item = AddAction(mmfHistory_, name.constData());
    item->setData(k - 1);  // the Tag
    connect(item, &QAction::triggered, this, [this, k] { MMF_MidifileClick(k - 1); });
    recentItems_.push_back(item);
  }
  a.File->addSeparator();
  a.Save = AddAction(a.File, "MainMenu_DateiSpeichern");
  connect(a.Save, &QAction::triggered, this, &TMainForm::MainMenu_DateiSpeichernClick);
  a.SaveAs = AddAction(a.File, "MainMenu_DateiSpeichernUnter");
  connect(a.SaveAs, &QAction::triggered, this, &TMainForm::MainMenu_DateiSpeichernUnterClick);
  QMenu* encodings = menu("MainMenu_DateiKodierung");
  a.File->addMenu(encodings);
  // The code pages karaoke files come in.
  static const char* const kEncodings[] = {"UTF-8",        "Windows-1252", "Windows-1250", "Windows-1251",
                                           "Windows-1253", "Windows-1254", "Windows-1257", "ISO-8859-15",
                                           "ISO-8859-2",   "KOI8-R",       "GBK",          "GB18030",
                                           "Big5",         "Shift_JIS",    "EUC-KR",       "Windows-949"};
  for (const char* name : kEncodings) {
    QAction* item = encodings->addAction(QString::fromLatin1(name));
    item->setObjectName(QStringLiteral("Encoding_") + QString::fromLatin1(name));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, name] { ChooseEncoding(QString::fromLatin1(name)); });
  }
  QMenu* exports = menu("MainMenu_DateiExport");
  a.File->addMenu(exports);
  connect(AddAction(exports, "MainMenu_DateiExportLrc"), &QAction::triggered, this,
          &TMainForm::MainMenu_DateiExportLrcClick);
  connect(AddAction(exports, "MainMenu_DateiExportGame"), &QAction::triggered, this,
          &TMainForm::MainMenu_DateiExportGameClick);
  a.File->addSeparator();
  connect(AddAction(a.File, "MainMenu_DateiMultiOeffnen"), &QAction::triggered, this,
          &TMainForm::MainMenu_DateiMultiOeffnenClick);
  a.File->addSeparator();
  a.Exit = AddAction(a.File, "MainMenu_DateiProgrammBeenden");
  connect(a.Exit, &QAction::triggered, this, &QWidget::close);
  // The keys every desktop program answers to.
  a.Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  a.Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  a.SaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  a.Exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  a.Text = menu("MainMenu_Text");
  a.Text->setToolTipsVisible(true);  // a grey item says why
  bar->addMenu(a.Text);
  struct Command {
    const char* name;
    QAction* TMainActions::*slot;
    void (TMainForm::*handler)();
  };
  const Command textCommands[] = {
      {"MainMenu_TextLaden", &TMainActions::TextLoad, &TMainForm::MainMenu_TextLadenClick},
      {"MainMenu_TextSpeichern", &TMainActions::TextSave, &TMainForm::MainMenu_TextSpeichernClick},
      {"MainMenu_TextSpeichernUnter", &TMainActions::TextSaveAs, &TMainForm::MainMenu_TextSpeichernUnterClick},
      {nullptr, nullptr, nullptr},
      {"MainMenu_TextEdit", &TMainActions::TextEdit, &TMainForm::MainMenu_TextEditClick},
      {"MainMenu_TextEditMTC", &TMainActions::TextEditMtc, &TMainForm::MainMenu_TextEditMTCClick},
      {"MainMenu_TextHyphenate", &TMainActions::TextHyphenate, &TMainForm::MainMenu_TextHyphenateClick},
      {"MainMenu_TextExtractPunctuation", &TMainActions::TextRemovePunctuation,
       &TMainForm::MainMenu_TextExtractPunctuationClick},
      {"MainMenu_TextUpperCase", &TMainActions::TextUpperCase, &TMainForm::MainMenu_TextUpperCaseClick},
      {nullptr, nullptr, nullptr},
      {"MainMenu_TextHideNote", &TMainActions::TextHideNote, &TMainForm::MainMenu_TextHideNoteClick},
      {"MainMenu_TextAssign", &TMainActions::TextAssign, &TMainForm::MainMenu_TextAssignClick},
      {"MainMenu_TextQuantize", &TMainActions::TextQuantize, &TMainForm::MainMenu_TextQuantizeClick},
      {"MainMenu_TextOffset", &TMainActions::TextOffset, &TMainForm::MainMenu_TextOffsetClick},
      {"MainMenu_TextDelete", &TMainActions::TextDelete, &TMainForm::MainMenu_TextDeleteClick},
      {nullptr, nullptr, nullptr},
      {"MainMenu_TextCheck", &TMainActions::TextCheck, &TMainForm::MainMenu_TextCheckClick},
      {"MainMenu_TextRetap", &TMainActions::TextRetap, &TMainForm::MainMenu_TextRetapClick},
      {nullptr, nullptr, nullptr},
      {"MainMenu_TextSchriftAuswahl", &TMainActions::TextFont, &TMainForm::MainMenu_TextSchriftAuswahlClick},
  };
  auto addCommands = [this](QMenu* into, const auto& commands) {
    for (const Command& c : commands) {
      if (!c.name) {
        into->addSeparator();
        continue;
      }
      actions_.*c.slot = AddAction(into, c.name);
      connect(actions_.*c.slot, &QAction::triggered, this, c.handler);
    }
  };
  addCommands(a.Text, textCommands);

  a.Edit = menu("MainMenu_Edit");
  bar->addMenu(a.Edit);
  CreateUndoActions();
  a.Edit->addSeparator();
  a.EditTempo = AddAction(a.Edit, "MainMenu_EditTempo");
  connect(a.EditTempo, &QAction::triggered, this, &TMainForm::MainMenu_EditTempoClick);
  a.EditTranspose = AddAction(a.Edit, "MainMenu_EditTranspose");
  connect(a.EditTranspose, &QAction::triggered, this, &TMainForm::MainMenu_EditTransposeClick);
  connect(AddAction(a.Edit, "MainMenu_EditLeadIn"), &QAction::triggered, this, &TMainForm::MainMenu_EditLeadInClick);

  QMenu* view = menu("MainMenu_View");
  bar->addMenu(view);
  a.ViewPrompter = AddAction(view, "MainMenu_ViewPrompter");
  connect(a.ViewPrompter, &QAction::triggered, this, &TMainForm::MainMenu_ViewPrompterClick);

  // A menu-bar entry without items: a click opens the options.
  a.Options = new QAction(this);
  a.Options->setObjectName(QStringLiteral("MainMenu_Options"));
  bar->addAction(a.Options);
  connect(a.Options, &QAction::triggered, this, &TMainForm::MainMenu_OptionsClick);

  QMenu* styles = menu("MainMenu_Syles");
  bar->addMenu(styles);
  stylesDark_ = menu("MainMenu_StylesDark");
  stylesLight_ = menu("MainMenu_StylesLight");
  styles->addMenu(stylesDark_);
  styles->addMenu(stylesLight_);

  QMenu* help = menu("MainMenu_Help");
  bar->addMenu(help);
  QAction* manual = AddAction(help, "MainMenu_HelpManual");
  manual->setShortcut(QKeySequence(Qt::Key_F1));
  connect(manual, &QAction::triggered, this, &TMainForm::MainMenu_HelpManualClick);
  a.HelpInfo = AddAction(help, "MainMenu_HelpInfo");
  connect(a.HelpInfo, &QAction::triggered, this, &TMainForm::MainMenu_HelpInfoClick);

  popupMenu_Text_ = menu("PopupMenu_Text");
  popupMenu_Text_->setToolTipsVisible(true);
  const Command popupCommands[] = {
      {"PopupMenu_TextEdit", &TMainActions::PopupEdit, &TMainForm::MainMenu_TextEditClick},
      {"PopupMenu_TextEditMTC", &TMainActions::PopupEditMtc, &TMainForm::MainMenu_TextEditMTCClick},
      {"PopupMenu_TextHyphenate", &TMainActions::PopupHyphenate, &TMainForm::MainMenu_TextHyphenateClick},
      {nullptr, nullptr, nullptr},
      {"PopupMenu_TextHideNote", &TMainActions::PopupHideNote, &TMainForm::MainMenu_TextHideNoteClick},
      {"PopupMenu_TextAssign", &TMainActions::PopupAssign, &TMainForm::MainMenu_TextAssignClick},
  };
  addCommands(popupMenu_Text_, popupCommands);
  mmfHistory_->menuAction()->setEnabled(false);
}

void TMainForm::CreateCentralWidgets() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  panelTop_ = new QFrame(central);
  panelTop_->setObjectName(QStringLiteral("PanelTop"));
  auto* top = new QVBoxLayout(panelTop_);
  top->setContentsMargins(8, 6, 8, 4);
  top->setSpacing(4);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  auto button = [&](const char* name, const char* text) {
    auto* b = new QPushButton(QLatin1String(text), panelTop_);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(b);
    return b;
  };
  btnPlay_ = button("Btn_Play", "Play");
  btnStop_ = button("Btn_Stop", "Stop");
  btnRew_ = button("Btn_Rew", "Rew");
  btnFrwd_ = button("Btn_Frwd", "Frwd");
  btnRec_ = button("Btn_Rec", "Rec");
  connect(btnPlay_, &QPushButton::clicked, this, &TMainForm::Btn_PlayClick);
  connect(btnRec_, &QPushButton::clicked, this, &TMainForm::Btn_RecClick);
  connect(btnStop_, &QPushButton::clicked, this, &TMainForm::Btn_StopClick);
  connect(btnRew_, &QPushButton::pressed, this, [this] { TransportPress(-1); });
  connect(btnFrwd_, &QPushButton::pressed, this, [this] { TransportPress(+1); });
  connect(btnRew_, &QPushButton::released, this, &TMainForm::TransportRelease);
  connect(btnFrwd_, &QPushButton::released, this, &TMainForm::TransportRelease);
  buttons->addSpacing(8);
  playLED_ = MakeLed(panelTop_, "PlayLED");
  recLED_ = MakeLed(panelTop_, "RecLED");
  SetLed(playLED_, false, "#2ecc40");
  SetLed(recLED_, false, "#ff4136");
  buttons->addWidget(playLED_);
  buttons->addWidget(recLED_);
  buttons->addSpacing(12);
  lSongPosition_ = new QLabel(PositionText(1, 1), panelTop_);
  lSongPosition_->setObjectName(QStringLiteral("L_SongPosition"));
  buttons->addWidget(lSongPosition_);
  buttons->addSpacing(12);
  lOutput_ = new QLabel(panelTop_);
  lOutput_->setObjectName(QStringLiteral("L_Output"));
  lOutput_->setEnabled(false);  // drawn quieter than the controls
  buttons->addWidget(lOutput_);
  buttons->addStretch(1);
  lLyricsOffset_ = new QLabel(QStringLiteral("L"), panelTop_);
  lLyricsOffset_->setObjectName(QStringLiteral("L_LyricsOffset"));
  lLyricsOffset_->setCursor(Qt::PointingHandCursor);
  buttons->addWidget(lLyricsOffset_);
  buttons->addSpacing(8);
  lVolume_ = new QLabel(QStringLiteral("Vol"), panelTop_);
  lVolume_->setObjectName(QStringLiteral("L_Volume"));
  lVolume_->setCursor(Qt::PointingHandCursor);
  buttons->addWidget(lVolume_);
  lLyricsOffset_->installEventFilter(this);
  lVolume_->installEventFilter(this);
  top->addLayout(buttons);

  auto* panelSlider = new QFrame(panelTop_);
  panelSlider->setObjectName(QStringLiteral("PanelSlider"));
  auto* sliderRow = new QHBoxLayout(panelSlider);
  sliderRow->setContentsMargins(0, 0, 0, 0);
  posSlider_ = new QSlider(Qt::Horizontal, panelSlider);
  posSlider_->setObjectName(QStringLiteral("PosSlider"));
  posSlider_->setRange(0, 0);
  posSlider_->setToolTip(QStringLiteral("0 ms"));
  sliderRow->addWidget(posSlider_);
  connect(posSlider_, &QSlider::sliderPressed, this, [this] { TransportPress(0); });
  connect(posSlider_, &QSlider::sliderReleased, this, &TMainForm::TransportRelease);
  connect(posSlider_, &QSlider::valueChanged, this, &TMainForm::PosSliderChange);
  top->addWidget(panelSlider);
  column->addWidget(panelTop_);

  myMemo_ = new QTextEdit(central);
  myMemo_->setObjectName(QStringLiteral("MyMemo"));
  myMemo_->setAcceptRichText(false);
  myMemo_->setReadOnly(true);
  myMemo_->setAcceptDrops(false);
  myMemo_->setFrameShape(QFrame::NoFrame);
  myMemo_->setLineWrapMode(QTextEdit::NoWrap);
  myMemo_->document()->setDocumentMargin(10);
  myMemo_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(myMemo_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (song_.MidiFileLoaded && myMemo_->property("popup").toBool())
      popupMenu_Text_->popup(myMemo_->viewport()->mapToGlobal(at));
  });
  // Edit > Undo names the field's own steps while an editor is open.
  connect(myMemo_, &QTextEdit::undoAvailable, this, [this] { UpdateUndoActions(); });
  connect(myMemo_, &QTextEdit::redoAvailable, this, [this] { UpdateUndoActions(); });
  myMemo_->hide();
  CreateTimeline(column);
  // Keeps the client area filled while no song is shown.
  idleArea_ = new QLabel(central);
  idleArea_->setObjectName(QStringLiteral("IdleArea"));
  idleArea_->setAlignment(Qt::AlignCenter);
  idleArea_->setWordWrap(true);
  column->addWidget(idleArea_, 1);
  status_ = new TMainStatus(statusBar());
  connect(status_, &TMainStatus::UseFoundMelody, this, &TMainForm::UseFoundMelody);

  panelVolume_ = new QFrame(this);
  panelVolume_->setObjectName(QStringLiteral("PanelVolume"));
  panelVolume_->setFrameShape(QFrame::StyledPanel);
  panelVolume_->setAutoFillBackground(true);
  auto* volLayout = new QVBoxLayout(panelVolume_);
  volLayout->setContentsMargins(4, 4, 4, 4);
  volSlider_ = new QSlider(Qt::Vertical, panelVolume_);
  volSlider_->setObjectName(QStringLiteral("VolSlider"));
  volSlider_->setRange(0, 130);
  volSlider_->setInvertedAppearance(true);  // top is loudest: position 0
  volLayout->addWidget(volSlider_);
  panelVolume_->resize(36, 150);
  panelVolume_->hide();
  setCentralWidget(central);
}

void TMainForm::FormCreate() {
  // 1. Hand-overs from a later start arrive here.
  if (instance_) instance_->OnHandOver = [this](const QString& text) { HandleHandOver(text); };
  // Logging out: playback stops, and a modified song is saved, discarded or keeps the session.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (song_.Player && song_.Player->Playing()) Btn_StopClick();
    if (!session_.Modified() || !manager.allowsInteraction()) return;
    const bool go = MaySongGo();
    manager.release();
    if (!go) manager.cancel();
  });

  // 2. Language: the stored choice, else the system's language.
  const bool haveLang = store_->KeyInReg(QStringLiteral("Lang"));
  const QString lang = haveLang ? store_->ReadStrFromReg(QStringLiteral("Lang"), {}) : QString();
  cv::SetCurrLanguage(ChooseLanguage(haveLang, lang,
                                     systemLanguageName_.isEmpty() ? SystemLanguageName()
                                                                   : systemLanguageName_));
  InstallQtTranslations(cv::CurrLanguage() == cv::TLanguage::Deutsch);
  ApplyCaptions();
  // Said once the window shows; the store has already set the damaged file aside.
  if (const QString damage = store_->DamageMessage(); !damage.isEmpty())
    QTimer::singleShot(0, this, [this, damage] { ShowError(damage); });

  // 3.-5. Hidden mode, program folder, operating system.
  hiddenMode_ = IsHiddenMode(arguments_);
  if (applicationDirectory_.isEmpty()) applicationDirectory_ = QCoreApplication::applicationDirPath();
  windowsVersion_ = OperatingSystemText();

  // 6. Settings.
  settings_ = LoadConfiguration(*store_);
  {
    const QSignalBlocker block(volSlider_);
    volSlider_->setValue(130 - settings_.VolumeValue);
  }
  connect(volSlider_, &QSlider::valueChanged, this, &TMainForm::VolSliderChange);
  lVolume_->setVisible(settings_.VSTiEnabled);
  status_->SetSpeedPercent(cv::PracticePercent(settings_.Configuration.PlaybackSpeed));

  // 7. Recent files that still exist.
  QStringList existing;
  for (const QString& f : settings_.LastMidifilesList)
    if (QFileInfo::exists(f)) existing << f;
  settings_.LastMidifilesList = existing;
  RefreshRecentMenu();

  // 8.-9. Geometry, view font.
  ApplyStoredGeometry();
  ApplyViewFont();
  myMemo_->setReadOnly(true);

  // 10. Style menus and the stored style.
  BuildStyleMenus();
  if (!settings_.StyleDarkToLoad.isEmpty()) ApplyStyle(settings_.StyleDarkToLoad);
  if (!settings_.StyleLightToLoad.isEmpty()) ApplyStyle(settings_.StyleLightToLoad);
  UpdateStyleChecks();

  // 11.-13. Drops, caption.
  setAcceptDrops(true);
  setWindowTitle(kTitle);
}

void TMainForm::ApplyCaptions() {
  const bool german = cv::CurrLanguage() == cv::TLanguage::Deutsch;
  for (const Caption& c : kCaptions) {
    const QString text = QString::fromUtf8(german || !c.en ? c.de : c.en);
    if (QMenu* m = findChild<QMenu*>(QLatin1String(c.name))) m->setTitle(text);
    else if (QAction* a = Action(QLatin1String(c.name))) a->setText(text);
  }
  actions_.HelpInfo->setText((german ? QStringLiteral("Info über")
                                                               : QStringLiteral("About")) + kTitle);
  for (int k = 0; k < settings_.LastMidifilesList.size() && k < recentItems_.size(); ++k)
    recentItems_[k]->setText(settings_.LastMidifilesList[k]);
}

double TMainForm::DpiFactor() const {
  const double dpi = logicalDpiY();
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

QSizeF TMainForm::ClientSize96() const {
  const double f = DpiFactor();
  return QSizeF(width() / f, height() / f);
}

void TMainForm::ApplyStoredGeometry() {
  cv::TConfiguration& c = settings_.Configuration;
  if (!store_->KeyInReg(QStringLiteral("MainFormWidth")) && !store_->KeyInReg(QStringLiteral("MainFormHeight"))) {
    // Never placed: a size that fits the screen, centred on it; nothing is stored until closing.
    const QRect screen = ScreenAreaAt(0, 0);
    resize(DefaultWindowSize(screen));
    move(screen.center() - rect().center());
    return;
  }
  const double f = DpiFactor();
  const TWindowGeometry stored{c.MainFormLeft, c.MainFormTop, std::round(c.MainFormHeight * f),
                               std::round(c.MainFormWidth * f)};
  const TWindowGeometry g = ClampWindowGeometry(stored, ScreenAreaAt(stored.Left, stored.Top));
  const int w = std::max(320, static_cast<int>(g.Width)), h = std::max(240, static_cast<int>(g.Height));
  resize(w, h);
  move(g.Left, g.Top);
  // A placement that had to be pulled onto the screens is stored as it is now.
  if (g.Left != stored.Left || g.Top != stored.Top || g.Width != stored.Width || g.Height != stored.Height) {
    c.MainFormLeft = g.Left;
    c.MainFormTop = g.Top;
    c.MainFormHeight = static_cast<float>(h / f);
    c.MainFormWidth = static_cast<float>(w / f);
    WriteClosingGeometry(*store_, {g.Left, g.Top, QSizeF(c.MainFormWidth, c.MainFormHeight),
                                   settings_.LyricsOffsetFormLeft, settings_.LyricsOffsetFormTop,
                                   settings_.LyricsOffsetFormWidth},
                         false);
  }
}

void TMainForm::ApplyViewFont() {
  const cv::TConfiguration& c = settings_.Configuration;
  QFont font(QString::fromStdString(c.FontName));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSize(std::clamp(c.FontSize, 4, 200));
  font.setBold(c.FontBold);
  font.setItalic(c.FontItalic);
  font.setUnderline(c.FontUnderline);
  font.setStrikeOut(c.FontStrikeOut);
  myMemo_->setFont(font);
  myMemo_->document()->setDefaultFont(font);
  // Text already shown takes the font as well.
  QTextCursor all(myMemo_->document());
  all.select(QTextCursor::Document);
  QTextCharFormat format;
  format.setFont(font);
  all.mergeCharFormat(format);
}

void TMainForm::MainMenu_TextSchriftAuswahlClick() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, myMemo_->font(), this,
                                            QString(), QFontDialog::MonospacedFonts);
  if (!ok) return;
  cv::TConfiguration& c = settings_.Configuration;
  c.FontName = chosen.family().toStdString();
  c.FontSize = chosen.pointSize() > 0 ? chosen.pointSize() : c.FontSize;
  c.FontHeight = -static_cast<int32_t>(std::lround(c.FontSize * logicalDpiY() / 72.0));
  c.FontBold = chosen.bold();
  c.FontItalic = chosen.italic();
  c.FontUnderline = chosen.underline();
  c.FontStrikeOut = chosen.strikeOut();
  ApplyViewFont();
  SelectHyphen(song_.CurrentHyphen);
  SaveConfiguration();
}

void TMainForm::SaveConfiguration() { UpdateConfiguration(*store_, settings_, ClientSize96(), hiddenMode_); }

// ---------------------------------------------------------------- styles

void TMainForm::BuildStyleMenus() {
  auto fill = [this](QMenu* menu, const QStringList& names, bool dark) {
    for (const QString& name : names) {
      QAction* item = menu->addAction(name);
      item->setCheckable(true);
      item->setData(name);
      connect(item, &QAction::triggered, this, [this, name, dark] {
        dark ? MainMenu_StylesDarkClick(name) : MainMenu_StylesLightClick(name);
      });
    }
  };
  fill(stylesDark_, DarkStyleNames(), true);
  fill(stylesLight_, LightStyleNames(), false);
}

void TMainForm::UpdateStyleChecks() {
  const QString active = ActiveStyle();
  for (QMenu* menu : {stylesDark_, stylesLight_})
    for (QAction* item : menu->actions()) item->setChecked(item->data().toString() == active);
}

void TMainForm::MainMenu_StylesDarkClick(const QString& name) {
  const QString clean = QString(name).remove(QLatin1Char('&'));
  store_->WriteStrToReg(QStringLiteral("StyleDarkToLoad"), clean);
  store_->WriteStrToReg(QStringLiteral("StyleLightToLoad"), QString());
  settings_.StyleDarkToLoad = clean;
  settings_.StyleLightToLoad.clear();
  ApplyStyle(clean);
  UpdateStyleChecks();
  setAcceptDrops(true);
}

void TMainForm::MainMenu_StylesLightClick(const QString& name) {
  const QString clean = QString(name).remove(QLatin1Char('&'));
  store_->WriteStrToReg(QStringLiteral("StyleLightToLoad"), clean);
  store_->WriteStrToReg(QStringLiteral("StyleDarkToLoad"), QString());
  settings_.StyleLightToLoad = clean;
  settings_.StyleDarkToLoad.clear();
  ApplyStyle(clean);
  UpdateStyleChecks();
  setAcceptDrops(true);
}

// ---------------------------------------------------------------- help

QString TMainForm::ManualFile() const {
  const QString name = cv::CurrLanguage() == cv::TLanguage::Deutsch ? QStringLiteral("Bedienungsanleitung.html")
                                                                    : QStringLiteral("OperatingManual.html");
  // Beside the program (build), in the installed data folder, then the source tree.
  const QStringList candidates = {
      QDir(applicationDirectory_).filePath(QStringLiteral("manual/") + name),
      QDir(applicationDirectory_).filePath(QStringLiteral("../share/cantovex3/manual/") + name),
      QDir(QStringLiteral(CANTOVEX_DATA_DIR)).filePath(QStringLiteral("manual/") + name)};
  for (const QString& c : candidates)
    if (QFileInfo::exists(c)) return QDir::toNativeSeparators(QDir::cleanPath(c));
  return QDir::toNativeSeparators(candidates.front());
}

void TMainForm::MainMenu_HelpManualClick() {
  const QString file = ManualFile();
  if (!QFileInfo::exists(file)) {
    ShowError(T("Datei \"%1\" nicht gefunden!", "File \"%1\" not found!").arg(file));
    return;
  }
  if (!QFileInfo(file).isReadable()) {
    ShowError(T("Zugriff auf Datei \"%1\" verweigert!", "Access denied on file \"%1\" !").arg(file));
    return;
  }
  if (hooks_.OpenUrl(QUrl::fromLocalFile(file))) return;
  // No browser: the program's own viewer.
  if (!manualViewer_) manualViewer_ = new TManualViewer(this);
  if (!manualViewer_->Show(file))
    ShowError(T("Unbekannter Fehler beim Aufruf der Datei \"%1\"", "Unknown error loading the file \"%1\"")
                  .arg(file));
}

void TMainForm::MainMenu_HelpInfoClick() {
  TAboutForm about(actions_.HelpInfo->text(), windowsVersion_, DpiFactor(), this);
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  about.exec();
}

// ---------------------------------------------------------------- messages

void TMainForm::ShowError(const QString& text) { ui_.Report(cv::UserMessage(cv::TSeverity::Error, text.toStdString())); }

void TMainForm::ShowInfo(const QString& text) { ui_.Report(cv::UserMessage(cv::TSeverity::Info, text.toStdString())); }

bool TMainForm::TWindowUi::AskYesNo(const std::string& question) {
  const TPlayerCommandsIgnored ignored(form_.IgnorePlayerCommands);
  return form_.hooks_.AskYesNo(kTitle, QString::fromStdString(question), false);
}

bool TMainForm::TWindowUi::AskRulesFollowed(const std::string& question) {
  const TPlayerCommandsIgnored ignored(form_.IgnorePlayerCommands);
  return form_.hooks_.AskYesNo(kTitle, QString::fromStdString(question), true);
}

void TMainForm::TWindowUi::Report(const cv::TUserMessage& message) {
  const TPlayerCommandsIgnored ignored(form_.IgnorePlayerCommands);
  const QMessageBox::Icon icon = message.Severity == cv::TSeverity::Error     ? QMessageBox::Critical
                                 : message.Severity == cv::TSeverity::Warning ? QMessageBox::Warning
                                                                              : QMessageBox::Information;
  form_.hooks_.Message(icon, message.Caption.empty() ? kTitle : QString::fromStdString(message.Caption),
                       QString::fromStdString(message.Text));
}

void TMainForm::NotAvailable() {
  ShowInfo(T("Diese Funktion ist in dieser Version noch nicht verfügbar.",
             "This function is not available in this version yet."));
}

// ---------------------------------------------------------------- transport


void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceVolumePanel();
}

void TMainForm::PlaceVolumePanel() {
  if (panelVolume_ && lVolume_) {
    const QPoint at = lVolume_->mapTo(this, QPoint(0, lVolume_->height() + 4));
    panelVolume_->move(std::max(0, at.x() + lVolume_->width() - panelVolume_->width()), at.y());
  }
}

// ---------------------------------------------------------------- closing

void TMainForm::closeEvent(QCloseEvent* event) {
  const bool playing = song_.Player && song_.Player->Playing();
  if (playing || RecordingTiming) {
    ShowInfo(T("Bitte nicht während der Wiedergabe oder Aufnahme!", "Please not during playback or record!"));
    event->ignore();
    return;
  }
  if (session_.Modified()) {
    if (!MaySongGo()) {
      event->ignore();
      return;
    }
  } else if (song_.MidiFileLoaded) {
    if (!ui_.AskYesNo(cv::Tr("Wollen Sie den Cantovex 3 beenden?", "Do you want to exit Cantovex 3?"))) {
      event->ignore();
      return;
    }
  }
  TClosingGeometry g;
  g.MainLeft = x();
  g.MainTop = y();
  g.MainClient96 = ClientSize96();
  g.OffsetLeft = settings_.LyricsOffsetFormLeft;
  g.OffsetTop = settings_.LyricsOffsetFormTop;
  g.OffsetWidth96 = settings_.LyricsOffsetFormWidth;
  if (lyricsOffsetShown_) {
    g.OffsetLeft = lyricsOffsetForm_->x();
    g.OffsetTop = lyricsOffsetForm_->y();
    g.OffsetWidth96 = static_cast<float>(lyricsOffsetForm_->width() / DpiFactor());
  }
  const auto previous = store_->OnError;
  store_->OnError = [](bool, const QString&) {};  // a failure here must not keep the program open
  WriteClosingGeometry(*store_, g, settings_.Configuration.VirtualPrompta);
  store_->OnError = previous;
  event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool ours = widget && widget->window() == this && !QApplication::activePopupWidget() &&
                      (widget == QApplication::focusWidget() || (!QApplication::focusWidget() && widget == this));
    if (ours) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (event->type() == QEvent::KeyPress)
        KeyHookAppKeyDown(key->key(), key->modifiers(), key->isAutoRepeat());
      else if (!key->isAutoRepeat())
        KeyHookAppKeyUp(key->key(), key->modifiers());
      // The slider and the read-only view must not act on the transport keys a second time.
      const int k = key->key();
      const bool transportKey = k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter ||
                                k == Qt::Key_P || k == Qt::Key_S || k == Qt::Key_PageUp || k == Qt::Key_PageDown ||
                                ((key->modifiers() & Qt::KeypadModifier) &&
                                 (k == Qt::Key_Plus || k == Qt::Key_Minus || k == Qt::Key_Asterisk || k == Qt::Key_0));
      const bool view = widget == myMemo_ || widget == myMemo_->viewport();
      if (transportKey && (widget == posSlider_ || (view && !song_.EditingText))) return true;
    }
  }
  if (watched == posSlider_ && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                                 event->type() == QEvent::MouseButtonDblClick))
    return PosSliderMouse(static_cast<QMouseEvent*>(event));
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == lVolume_) {
      panelVolume_->setVisible(!panelVolume_->isVisible());
      if (panelVolume_->isVisible()) {
        PlaceVolumePanel();
        panelVolume_->raise();
      }
      return true;
    }
    if (watched == lLyricsOffset_) {
      if (actions_.TextOffset->isEnabled()) MainMenu_TextOffsetClick();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace cvapp
